#include "tag_transfer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::Frame;
using id3test::FrameV2;
using id3test::MakeTags;
using id3test::ReadFile;
using id3test::Tag;
using id3test::TempDir;
using id3test::TextFrame;
using id3test::ToBytes;
using id3test::WriteFile;

TEST(TagTransferTest, EachKindGoesOnlyIntoItsOwnKind) {
    TempDir dir;
    const Bytes& audio = id3test::Mp3Audio();
    struct Case {
        const char* name;
        TagSet v1, v2;
        bool targetV1, targetV2;
    };
    const std::vector<Case> cases = {
        {"only ID3v1 with an artist", MakeTags({{"Artist", "A"}}), TagSet{}, true, false},
        {"ID3v2 with only an album", TagSet{}, MakeTags({{"Album", "Al"}}), false, true},
        {"ID3v1 with only an album", MakeTags({{"Album", "Al"}}), TagSet{}, true, false},
        {"both kinds", MakeTags({{"Title", "T1"}}), MakeTags({{"Title", "T2"}, {"Album", "B"}}),
         true, true},
        {"neither", TagSet{}, TagSet{}, false, false}};
    for (const auto& c : cases) {
        const std::string source = dir.File("song.mp3");
        const std::string target = dir.File("song_new.mp3");
        WriteFile(source, audio);
        WriteFile(target, audio);
        if (c.v1 != TagSet{}) {
            ASSERT_TRUE(WriteId3v1(source, c.v1, false));
        }
        if (c.v2 != TagSet{}) {
            ASSERT_TRUE(WriteId3v2(source, c.v2, 3, true, false));
        }
        const SourceTags tags = ReadSourceTags(source);
        EXPECT_EQ(tags.Id3v1, c.v1) << c.name;
        EXPECT_EQ(tags.Id3v2, c.v2) << c.name;
        EXPECT_TRUE(WriteTargetTags(target, tags).Ok) << c.name;
        TagSet v1, v2;
        EXPECT_EQ(ReadId3v1(target, v1), c.targetV1) << c.name;
        EXPECT_EQ(ReadId3v2(target, v2), c.targetV2) << c.name;
        if (c.targetV1) {
            EXPECT_EQ(v1.Title, c.v1.Title) << c.name;
            EXPECT_EQ(v1.Artist, c.v1.Artist) << c.name;
            EXPECT_EQ(v1.Album, c.v1.Album) << c.name;
        }
        if (c.targetV2) {
            EXPECT_EQ(v2, c.v2) << c.name;
        }
        if (!c.targetV1 && !c.targetV2) {
            EXPECT_EQ(ReadFile(target), audio) << c.name;
        }
    }
}

TEST(TagTransferTest, TargetBecomesAndStaysWritable) {
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    const std::string target = dir.File("out.mp3");
    WriteFile(source, id3test::Mp3Audio());
    ASSERT_TRUE(WriteId3v1(source, MakeTags({{"Artist", "A"}}), false));
    ASSERT_TRUE(WriteId3v2(source, MakeTags({{"Artist", "A2"}}), 3, true, false));
    WriteFile(target, id3test::Mp3Audio());
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_TRUE(WriteTargetTags(target, ReadSourceTags(source)).Ok);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // The ID3v1 block written first ends up behind the audio, after the new ID3v2 tag.
    const Bytes bytes = ReadFile(target);
    EXPECT_EQ(bytes.size(), 2058 + id3test::Mp3Audio().size() + 128);
    TagSet v1;
    ASSERT_TRUE(ReadId3v1(target, v1));
    EXPECT_EQ(v1.Artist, "A");
    EXPECT_FALSE(WriteTargetTags(dir.File("missing.mp3"), ReadSourceTags(source)).Ok);
}

// Data of a frame with a description: TXXX (encoding, description, value), COMM and USLT
// (encoding, language, description, text), APIC (encoding, MIME type, picture type,
// description, picture).
Bytes Described(const std::string& id, const std::string& description, const Bytes& rest) {
    Bytes head = {0};
    if (id == "COMM" || id == "USLT") {
        head = Concat({head, ToBytes("eng")});
    } else if (id == "APIC") {
        head = Concat({head, ToBytes("image/png"), Bytes{0, 3}});
    }
    return Concat({head, ToBytes(description), Bytes{0}, rest});
}

CarriedFrame Carried(const std::string& id, const std::string& description, const Bytes& rest) {
    return {id, Described(id, description, rest)};
}

TEST(TagTransferTest, OtherFramesTravelAndThoseAboutTheOldAudioStay) {
    struct Case {
        CarriedFrame frame;
        bool travels;
    };
    const Bytes picture = {0x89, 'P', 'N', 'G', 0, 0xFF, 0x00, 0x01};
    const std::vector<Case> cases = {
        {Carried("APIC", "cover", picture), true},
        {Carried("USLT", "", ToBytes("la la")), true},
        {{"TPOS", {0, '1', '/', '2'}}, true},
        {{"TPE2", {0, 'V', 'A'}}, true},
        {{"TSOP", {0, 'B', 'a', 'n', 'd'}}, true},
        {{"TSO2", {0, 'V'}}, true},
        {Carried("TXXX", "MusicBrainz Album Id", ToBytes("1234")), true},
        {{"PRIV", Concat({ToBytes("owner"), Bytes{0, 1, 2, 3}})}, true},
        {{"POPM", Concat({ToBytes("a@b"), Bytes{0, 196, 0, 0, 0, 7}})}, true},
        {{"UFID", Concat({ToBytes("http://x"), Bytes{0, 'i', 'd'}})}, true},
        {Carried("COMM", "note", ToBytes("described comment")), true},
        {{"TLEN", {0, '1', '2', '3'}}, false},
        {{"MLLT", {0, 1, 2, 3}}, false},
        {{"SEEK", {0, 0, 0, 0}}, false},
        {{"ASPI", {0, 0, 0, 0}}, false},
        {{"SYTC", {1, 2}}, false},
        {{"ETCO", {1, 2}}, false},
        {{"RVAD", {3, 16, 0, 0}}, false},
        {{"RVA2", Concat({ToBytes("track"), Bytes{0, 1, 0, 0, 0}})}, false},
        {{"EQUA", {16, 0}}, false},
        {{"EQU2", {0, 'x', 0}}, false},
        {{"AENC", {'o', 0, 0, 0, 0, 0}}, false},
        {{"TSIZ", {0, '9', '9'}}, false},  // the old audio's size in bytes
        {Carried("TXXX", "replaygain_track_gain", ToBytes("-6.5 dB")), false},
        {Carried("TXXX", "REPLAYGAIN_ALBUM_PEAK", ToBytes("0.9")), false},
        {Carried("TXXX", "Replaygain_reference_loudness", ToBytes("89")), false},
        {Carried("COMM", "iTunNORM", ToBytes(" 0000021A")), false},
        {Carried("COMM", "iTunSMPB", ToBytes(" 00000000")), false},
        {Carried("COMM", "iTunPGAP", ToBytes("0")), false},
        // The writer makes these itself from the record.
        {{"TIT2", {0, 'T'}}, false},
        {{"TYER", {0, '1', '9', '9', '9'}}, false},
        {{"TDRC", {0, '1', '9', '9', '9'}}, false},
        {Carried("COMM", "", ToBytes("the comment")), false}};
    CarriedFrames all;
    CarriedFrames travelling;
    for (const auto& c : cases) {
        all.push_back(c.frame);
        if (c.travels) {
            travelling.push_back(c.frame);
        }
        EXPECT_EQ(SelectCarriedFrames({}, {c.frame}).size(), c.travels ? 1u : 0u) << c.frame.Id;
    }
    EXPECT_EQ(SelectCarriedFrames({}, all), travelling);

    // Through files: the source's frames arrive in the converted file in their order.
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    const std::string target = dir.File("song_new.mp3");
    Bytes body = TextFrame("TIT2", "Title");
    for (const auto& frame : all) {
        body = Concat({body, Frame(frame.Id, frame.Data)});
    }
    WriteFile(source, Concat({Tag(3, 0, body, 100), id3test::Mp3Audio()}));
    WriteFile(target, id3test::Mp3Audio());
    const SourceTags tags = ReadSourceTags(source);
    EXPECT_EQ(tags.Id3v2.Comment, "the comment");
    EXPECT_EQ(tags.Frames, travelling);
    ASSERT_EQ(WriteTargetTags(target, tags), WriteStatus{});
    CarriedFrames back;
    ASSERT_TRUE(CollectId3v2Frames(target, back));
    EXPECT_EQ(SelectCarriedFrames({}, back), travelling);
    TagSet v2;
    ASSERT_TRUE(ReadId3v2(target, v2));
    // The own frames among the cases came later than the first title.
    EXPECT_EQ(v2, MakeTags({{"Title", "T"}, {"Year", "1999"}, {"Comment", "the comment"}}));
    const Bytes written = ReadFile(target);
    EXPECT_TRUE(std::equal(id3test::Mp3Audio().begin(), id3test::Mp3Audio().end(),
                           written.end() - static_cast<long>(id3test::Mp3Audio().size())));
}

TEST(TagTransferTest, DescribedCommentThatIsTheRecordsCommentIsNotCarriedTwice) {
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    const std::vector<std::tuple<const char*, Bytes, std::string, std::vector<std::string>>> cases =
        {{"no comment without description",
          Concat({Frame("COMM", Described("COMM", "iTunNORM", ToBytes("x"))),
                  Frame("COMM", Described("COMM", "first", ToBytes("1"))),
                  Frame("COMM", Described("COMM", "second", ToBytes("2")))}),
          "1",
          {"second"}},
         {"a comment without description",
          Concat({Frame("COMM", Described("COMM", "first", ToBytes("1"))),
                  Frame("COMM", Described("COMM", "", ToBytes("0")))}),
          "0",
          {"first"}}};
    for (const auto& [name, frames, comment, carried] : cases) {
        WriteFile(source, Concat({Tag(3, 0, Concat({TextFrame("TIT2", "T"), frames})),
                                  id3test::Mp3Audio()}));
        const SourceTags tags = ReadSourceTags(source);
        EXPECT_EQ(tags.Id3v2.Comment, comment) << name;
        std::vector<std::string> descriptions;
        for (const auto& frame : tags.Frames) {
            descriptions.push_back(FrameDescription(frame));
        }
        EXPECT_EQ(descriptions, carried) << name;
        const std::string target = dir.File("out.mp3");
        WriteFile(target, id3test::Mp3Audio());
        EXPECT_EQ(WriteTargetTags(target, tags), WriteStatus{}) << name;
        TagSet back;
        ASSERT_TRUE(ReadId3v2(target, back));
        EXPECT_EQ(back.Comment, comment) << name;
    }
}

TEST(TagTransferTest, SourceFramesTakeThePlaceOfTheTargetsOldOnes) {
    const CarriedFrames old = {
        Carried("APIC", "front", {1}),        Carried("APIC", "back", {2}), {"TPE2", {0, 'o'}},
        Carried("TXXX", "k", ToBytes("old")), {"PRIV", {'p', 0, 1}},        {"TIT2", {0, 'x'}},
        Carried("COMM", "note", {'o'})};
    const CarriedFrames source = {Carried("APIC", "front", {9}),
                                  {"TPE2", {0, 'n'}},
                                  Carried("TXXX", "k", ToBytes("new")),
                                  {"TLEN", {0, '1'}}};
    const CarriedFrames expected = {Carried("APIC", "front", {9}),
                                    {"TPE2", {0, 'n'}},
                                    Carried("TXXX", "k", ToBytes("new")),
                                    Carried("APIC", "back", {2}),
                                    {"PRIV", {'p', 0, 1}}};
    EXPECT_EQ(SelectCarriedFrames(old, source), expected);

    // The same through a file whose old tag is kept.
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    Bytes body;
    for (const auto& frame : old) {
        body = Concat({body, Frame(frame.Id, frame.Data)});
    }
    WriteFile(path, Concat({Tag(3, 0, body), Bytes(100, 0x55)}));
    ASSERT_EQ(WriteId3v2WithStatus(path, MakeTags({{"Title", "T"}}), 3, false, false, source),
              WriteStatus{});
    CarriedFrames back;
    ASSERT_TRUE(CollectId3v2Frames(path, back));
    EXPECT_EQ(SelectCarriedFrames({}, back), expected);
}

TEST(TagTransferTest, Version2PictureArrivesAsVersion3Apic) {
    TempDir dir;
    const std::string source = dir.File("old.mp3");
    const std::string target = dir.File("old_new.mp3");
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0xFF, 0xD9};
    const Bytes pic =
        Concat({Bytes{0}, ToBytes("JPG"), Bytes{3}, ToBytes("Cover"), Bytes{0}, jpeg});
    WriteFile(
        source,
        Concat({Tag(2, 0,
                    Concat({TextFrame("TT2", "Song"), TextFrame("TP1", "Band"), FrameV2("PIC", pic),
                            FrameV2("TPA", Bytes{0, '2'}), FrameV2("TLE", Bytes{0, '9', '9'})})),
                id3test::Mp3Audio()}));
    WriteFile(target, id3test::Mp3Audio());
    ASSERT_EQ(WriteTargetTags(target, ReadSourceTags(source)), WriteStatus{});
    const Bytes apic =
        Concat({Bytes{0}, ToBytes("image/jpeg"), Bytes{0, 3}, ToBytes("Cover"), Bytes{0}, jpeg});
    const Bytes written = ReadFile(target);
    EXPECT_EQ(written[3], 3);
    const Bytes expectedFrames = Concat({Frame("APIC", apic), Frame("TPOS", Bytes{0, '2'})});
    EXPECT_NE(
        std::search(written.begin(), written.end(), expectedFrames.begin(), expectedFrames.end()),
        written.end());
    CarriedFrames back;
    ASSERT_TRUE(CollectId3v2Frames(target, back));
    EXPECT_EQ(SelectCarriedFrames({}, back),
              (CarriedFrames{{"APIC", apic}, {"TPOS", {0, '2'}}}));  // no TLEN
}

TEST(TagTransferTest, RefusedWriteLeavesTheTargetByteForByte) {
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    WriteFile(source, id3test::Mp3Audio());
    ASSERT_TRUE(WriteId3v1(source, MakeTags({{"Artist", "A"}}), false));
    ASSERT_TRUE(WriteId3v2(source, MakeTags({{"Title", "T"}}), 3, true, false));
    const SourceTags tags = ReadSourceTags(source);
    struct Case {
        const char* name;
        Bytes target;
        std::string reason;
    };
    // Old tags claiming more bytes than the file holds; with and without an ID3v1 block.
    const Bytes claimsTooMuch =
        Concat({Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x7F, 0x7F}, Bytes(300, 0x55)});
    const std::vector<Case> cases = {
        {"old tag too long", claimsTooMuch, "ID3v2: the old tag of '"},
        {"old tag too long, old ID3v1 block",
         Concat({claimsTooMuch, Bytes{'T', 'A', 'G'}, Bytes(125, 'x')}),
         "ID3v2: the old tag of '"}};
    for (const auto& c : cases) {
        const std::string target = dir.File("out.mp3");
        WriteFile(target, c.target);
        const WriteStatus status = WriteTargetTags(target, tags);
        EXPECT_FALSE(status.Ok) << c.name;
        EXPECT_EQ(status.Reason.rfind(c.reason, 0), 0u) << status.Reason;
        EXPECT_EQ(ReadFile(target), c.target) << c.name;
    }
    // A reason names the kind, the step, the file and the system's reason.
    const std::string folder = dir.File("folder.mp3");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(WriteTargetTags(folder, tags),
              (WriteStatus{false, "ID3v1: cannot open '" + folder + "': Is a directory"}));
    EXPECT_EQ(WriteId3v2WithStatus(dir.File("none.mp3"), tags.Id3v2, 3, true, false),
              (WriteStatus{false, "ID3v2: cannot open '" + dir.File("none.mp3") +
                                      "': No such file or directory"}));
}

TEST(TagTransferTest, Version4OnlyEncodingsBecomeUtf16) {
    const Bytes bom = {0xFF, 0xFE};
    const std::vector<std::tuple<const char*, CarriedFrame, Bytes>> cases = {
        {"UTF-8 text", {"TPE2", {3, 0xC3, 0x84}}, Concat({Bytes{1}, bom, Bytes{0xC4, 0}})},
        {"two UTF-8 values",
         {"TPE2", {3, 'a', 0, 'b'}},
         Concat({Bytes{1}, bom, Bytes{'a', 0, 0, 0}, bom, Bytes{'b', 0}})},
        {"UTF-8 user text, terminated",
         {"TXXX", {3, 'd', 0, 'v', 0}},
         Concat({Bytes{1}, bom, Bytes{'d', 0, 0, 0}, bom, Bytes{'v', 0, 0, 0}})},
        {"UTF-16BE comment",
         {"COMM", {2, 'e', 'n', 'g', 0, 0, 0, 'x'}},
         Concat({Bytes{1}, ToBytes("eng"), bom, Bytes{0, 0}, bom, Bytes{'x', 0}})},
        {"UTF-8 picture description",
         {"APIC", Concat({Bytes{3}, ToBytes("image/png"), Bytes{0, 3, 0xC3, 0xA9, 0, 0x89, 0, 0}})},
         Concat(
             {Bytes{1}, ToBytes("image/png"), Bytes{0, 3}, bom, Bytes{0xE9, 0, 0, 0, 0x89, 0, 0}})},
        {"Latin-1 text stays", {"TIT2", {0, 'x'}}, Bytes{0, 'x'}},
        {"UTF-16 text stays",
         {"TXXX", {1, 0xFF, 0xFE, 'd', 0, 0, 0}},
         Bytes{1, 0xFF, 0xFE, 'd', 0, 0, 0}},
        {"frames without text stay", {"PRIV", {3, 0, 1}}, Bytes{3, 0, 1}}};
    for (const auto& [name, frame, expected] : cases) {
        CarriedFrame converted = frame;
        ToVersion3Encoding(converted);
        EXPECT_EQ(converted.Data, expected) << name;
        EXPECT_EQ(FrameDescription(converted), FrameDescription(frame)) << name;
    }
}

TEST(TagTransferTest, ReadBackThatDiffersCountsAsFailed) {
    // A genre text with ")" before "(" is written as it stands, but a reader gives up at it, so
    // the comment behind it is lost: the transfer must not report success.
    TempDir dir;
    const std::string target = dir.File("out.mp3");
    WriteFile(target, id3test::Mp3Audio());
    SourceTags tags;
    tags.Id3v2 = MakeTags({{"Title", "T"}, {"Genre", "x)(y"}, {"Comment", "c"}});
    const WriteStatus status = WriteTargetTags(target, tags);
    EXPECT_FALSE(status.Ok);
    EXPECT_EQ(status.Reason, "ID3v2: the tag read back from '" + target +
                                 "' differs from the one written (Comment)");
}

TEST(TagTransferTest, GroupedFramesTravelWithTheirGroupOnlyWhenItIsRegistered) {
    TempDir dir;
    const std::string source = dir.File("grouped.mp3");
    const std::string target = dir.File("target.mp3");
    const Bytes grid = Concat({ToBytes("http://owner"), Bytes{0, 0x81, 'g'}});
    const Bytes user = Described("TXXX", "d", ToBytes("v"));
    // Version 3: the group symbol stands in front of the data.
    WriteFile(
        source,
        Concat({Tag(3, 0,
                    Concat({Frame("GRID", grid), Frame("TXXX", Concat({{0x81}, user}), 3, 0x20),
                            Frame("PRIV", Bytes{0x82, 'o', 0, 1}, 3, 0x20)})),
                id3test::Mp3Audio()}));
    WriteFile(target, id3test::Mp3Audio());
    const SourceTags tags = ReadSourceTags(source);
    EXPECT_EQ(tags.Frames, (CarriedFrames{{"GRID", grid}, {"TXXX", user, 0x81}}));
    EXPECT_EQ(tags.Dropped, (DroppedFrames{{"PRIV", "in a group that no GRID frame registers"}}));
    ASSERT_EQ(WriteTargetTags(target, tags), WriteStatus{});

    const Bytes written = ReadFile(target);
    const Bytes header = Concat(
        {ToBytes("TXXX"), Bytes{0, 0, 0, static_cast<uint8_t>(user.size() + 1), 0, 0x20, 0x81}});
    EXPECT_NE(std::search(written.begin(), written.end(), header.begin(), header.end()),
              written.end());
    // Written again as version 4, the symbol keeps its place and the flag its version-4 bit.
    TagSet scratch;
    CarriedFrames back;
    ASSERT_TRUE(WriteId3v2(target, MakeTags({{"Title", "t"}}), 4, false, false));
    MemorySource rewritten(ReadFile(target));
    ParseId3v2Tag(rewritten, 0, scratch, &back);
    EXPECT_EQ(back, (CarriedFrames{{"TIT2", {0, 't', 0}}, {"GRID", grid}, {"TXXX", user, 0x81}}));
}

}  // namespace
}  // namespace id3
