#include "id3v2_reader.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::Frame;
using id3test::FrameV2;
using id3test::MakeTags;
using id3test::Tag;
using id3test::TextFrame;
using id3test::ToBytes;

struct ReadOutcome {
    bool found = false;
    TagSet tag;
};

ReadOutcome ReadFrom(const Bytes& bytes) {
    ReadOutcome out;
    MemorySource source(bytes);
    out.found = ReadId3v2From(source, out.tag);
    return out;
}

TEST(Id3v2ReaderTest, ReadsFramesOfEveryVersion) {
    struct Case {
        const char* name;
        Bytes file;
        TagSet expected;
    };
    const Bytes audio(64, 0xAA);
    std::vector<Case> cases;
    cases.push_back({"v3 text without terminator, then padding",
                     Concat({Tag(3, 0, TextFrame("TIT2", "Song"), 20), audio}),
                     MakeTags({{"Title", "Song"}})});
    cases.push_back(
        {"v2 frames",
         Tag(2, 0,
             Concat({TextFrame("TT2", "T"), TextFrame("TP1", "A"), TextFrame("TCO", "(17)"),
                     TextFrame("TYE", "1999"),
                     FrameV2("COM", Concat({{0}, ToBytes("eng"), {0}, ToBytes("c")}))})),
         MakeTags({{"Artist", "A"},
                   {"Title", "T"},
                   {"Year", "1999"},
                   {"Genre", "Rock"},
                   {"Comment", "c"}})});
    cases.push_back(
        {"v4 year from TDRC, v3 frames of all fields",
         Tag(4, 0,
             Concat({TextFrame("TDRC", "2004-05-06", 4), TextFrame("TALB", "Al", 4),
                     TextFrame("TRCK", "3/9", 4), TextFrame("TENC", "E", 4),
                     TextFrame("TCOP", "C", 4), TextFrame("TCOM", "Co", 4),
                     TextFrame("TOPE", "O", 4),
                     Frame("WXXX", Concat({{0}, ToBytes("d"), {0}, ToBytes("http://u")}), 4)})),
         MakeTags({{"Album", "Al"},
                   {"Year", "2004"},
                   {"Track", "3/9"},
                   {"EncodedBy", "E"},
                   {"Url", "http://u"},
                   {"Copyright", "C"},
                   {"Composer", "Co"},
                   {"OriginalArtist", "O"}})});
    cases.push_back(
        {"v4 size stored plain is read again as plain",
         Tag(4, 0,
             Concat({Frame("TALB", Concat({{0}, Bytes(255, 'x')}), 3), TextFrame("TPE1", "A", 4)})),
         MakeTags({{"Artist", "A"}, {"Album", std::string(255, 'x')}})});
    cases.push_back(
        {"v4 size with a top bit is plain",
         Tag(4, 0,
             Concat({Frame("TIT2", Concat({{0}, Bytes(132, 'y')}), 3), TextFrame("TPE1", "A", 4)})),
         MakeTags({{"Artist", "A"}, {"Title", std::string(132, 'y')}})});
    cases.push_back({"COMM in UTF-16 with an empty description has no leading y-diaeresis",
                     Tag(3, 0,
                         Frame("COMM", Bytes{1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'h', 0,
                                             'i', 0, 0, 0})),
                     MakeTags({{"Comment", "hi"}})});
    cases.push_back({"WXXX with a UTF-16 description keeps its single-byte URL",
                     Tag(3, 0, Frame("WXXX", Bytes{1, 0xFF, 0xFE, 'd', 0, 0, 0, 'h', 't', 0})),
                     MakeTags({{"Url", "ht"}})});
    cases.push_back(
        {"compressed v3 frame too short for its size leaves the field",
         Tag(3, 0, Concat({TextFrame("TPE1", "A"), Frame("TPE1", ToBytes("\0zz"), 3, 0x80)})),
         MakeTags({{"Artist", "A"}})});
    cases.push_back({"v3 grouping byte is skipped",
                     Tag(3, 0, Frame("TIT2", Bytes{7, 0, 'G'}, 3, 0x20)),
                     MakeTags({{"Title", "G"}})});
    cases.push_back({"v4 data length indicator and frame unsynchronisation",
                     Tag(4, 0, Frame("TIT2", Bytes{0, 0, 0, 3, 0, 0xFF, 0x00, 'x'}, 4, 0x03)),
                     MakeTags({{"Title", "\u00FFx"}})});
    cases.push_back(
        {"v3 whole-tag unsynchronisation",
         Tag(3, 0x80, Concat({ToBytes("TIT2"), Bytes{0, 0, 0, 3, 0, 0, 0, 0xFF, 0x00, 0xE9}})),
         MakeTags({{"Title", "\u00FF\u00E9"}})});
    cases.push_back(
        {"v3 extended header",
         Tag(3, 0x40, Concat({Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, TextFrame("TIT2", "E")})),
         MakeTags({{"Title", "E"}})});
    cases.push_back({"v4 extended header",
                     Tag(4, 0x40, Concat({Bytes{0, 0, 0, 6, 1, 0}, TextFrame("TIT2", "F", 4)})),
                     MakeTags({{"Title", "F"}})});
    cases.push_back({"UTF-8 and UTF-16BE text",
                     Tag(4, 0,
                         Concat({Frame("TIT2", Bytes{3, 0xD0, 0x96}, 4),
                                 Frame("TPE1", Bytes{2, 0, 'B', 0, 'e'}, 4)})),
                     MakeTags({{"Artist", "Be"}, {"Title", "\u0416"}})});
    for (const auto& c : cases) {
        const ReadOutcome out = ReadFrom(c.file);
        EXPECT_TRUE(out.found) << c.name;
        EXPECT_EQ(out.tag, c.expected) << c.name;
    }
}

TEST(Id3v2ReaderTest, FindsTagsThroughFootersAndSeekFrames) {
    const Bytes audio(200, 0x11);
    Bytes v1(128, 0);
    v1[0] = 'T', v1[1] = 'A', v1[2] = 'G';
    Bytes endTag = Tag(4, 0x10, TextFrame("TIT2", "End", 4));
    Bytes footer(endTag.begin(), endTag.begin() + 10);
    footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
    const auto atEnd = ReadFrom(Concat({audio, endTag, footer, v1}));
    EXPECT_TRUE(atEnd.found);
    EXPECT_EQ(atEnd.tag.Title, "End");

    const auto v3AtEnd = ReadFrom(Concat({audio, Tag(3, 0, TextFrame("TIT2", "X"))}));
    EXPECT_FALSE(v3AtEnd.found);

    const Bytes second = Tag(3, 0, TextFrame("TPE1", "Second"));
    const Bytes first =
        Tag(4, 0, Concat({Frame("SEEK", Bytes{0, 0, 0, 0}, 4), TextFrame("TIT2", "First", 4)}));
    const auto chain = ReadFrom(Concat({first, second, audio}));
    EXPECT_EQ(chain.tag, MakeTags({{"Artist", "Second"}}));

    const Bytes update =
        Tag(4, 0x40, Concat({Bytes{0, 0, 0, 6, 1, 0x40}, TextFrame("TPE1", "Upd", 4)}));
    const auto updated = ReadFrom(Concat({first, update, audio}));
    EXPECT_EQ(updated.tag, MakeTags({{"Artist", "Upd"}, {"Title", "First"}}));

    // A long chain of tags is followed only so far; the last tags are never reached.
    Bytes chained;
    for (int i = 0; i < 100; ++i) {
        chained = Concat({chained, Tag(4, 0,
                                       Concat({Frame("SEEK", Bytes{0, 0, 0, 0}, 4),
                                               TextFrame("TRCK", std::to_string(i), 4)}))});
    }
    const auto longChain = ReadFrom(Concat({chained, audio}));
    EXPECT_TRUE(longChain.found);
    EXPECT_EQ(longChain.tag.Track, "63");

    const auto pastEnd = ReadFrom(
        Tag(4, 0, Concat({Frame("SEEK", Bytes{0x7F, 0, 0, 0}, 4), TextFrame("TIT2", "Past", 4)})));
    EXPECT_EQ(pastEnd.tag.Title, "Past");
}

TEST(Id3v2ReaderTest, FaultsStopTheReadAndKeepEarlierFields) {
    const auto genreFault = ReadFrom(Tag(
        3, 0,
        Concat({TextFrame("TPE1", "A"), TextFrame("TCON", ")x("), TextFrame("TIT2", "never")})));
    EXPECT_TRUE(genreFault.found);
    EXPECT_EQ(genreFault.tag, MakeTags({{"Artist", "A"}}));

    const auto plainOverflow = ReadFrom(Tag(
        3, 0, Concat({TextFrame("TPE1", "A"), ToBytes("TIT2"), Bytes{0x80, 0, 0, 1, 0, 0, 'x'}})));
    EXPECT_EQ(plainOverflow.tag, MakeTags({{"Artist", "A"}}));

    TagSet kept = MakeTags({{"Artist", "kept"}});
    const Bytes zeroBytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0, 'x'};
    MemorySource zero(zeroBytes);
    EXPECT_TRUE(ReadId3v2From(zero, kept));
    EXPECT_EQ(kept.Artist, "kept");

    const Bytes unknownBytes = Tag(5, 0, TextFrame("TIT2", "x"));
    MemorySource unknownVersion(unknownBytes);
    EXPECT_TRUE(ReadId3v2From(unknownVersion, kept));
    EXPECT_EQ(kept.Artist, "kept");

    const Bytes noneBytes(500, 0);
    MemorySource none(noneBytes);
    EXPECT_FALSE(ReadId3v2From(none, kept));
    EXPECT_EQ(kept.Artist, "kept");
}

TEST(Id3v2ReaderTest, FrameTextOfCommentsUrlsAndSeek) {
    struct Case {
        std::string id;
        Bytes data;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {{"COMM", {0, 'e', 'n', 'g', 'd', 0, 't'}, "t"},
                                     {"COMM", {0, 'e', 'n'}, ""},
                                     {"COMM", {0, 'e', 'n', 'g', 'd', 'e', 's', 'c'}, ""},
                                     {"COM", {3, 'e', 'n', 'g', 0, 0xC3, 0xA9}, "\u00E9"},
                                     {"WXXX", {0, 0, 'u'}, "u"},
                                     {"WXXX", {0, 'd'}, ""},
                                     {"SEEK", {0, 0, 1, 0}, "256"},
                                     {"SEEK", {0, 0, 1}, ""},
                                     {"SEEK", {0x80, 0, 0, 0}, std::nullopt},
                                     {"APIC", {0, 'x'}, ""},
                                     {"TIT2", {}, ""},
                                     {"TIT2", {9, 'x'}, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ReadFrameText(c.data, c.id), c.text) << c.id << " " << c.data.size();
    }
}

TEST(Id3v2ReaderTest, CollectModeCarriesFramesInVersion3Form) {
    const Bytes pic =
        Concat({Bytes{0}, ToBytes("JPG"), Bytes{3}, ToBytes("d"), Bytes{0, 0xFF, 0xD8}});
    const Bytes v2 = Tag(2, 0,
                         Concat({FrameV2("PIC", pic), TextFrame("TT2", "T"),
                                 FrameV2("CRM", Bytes{1}), FrameV2("LNK", ToBytes("COMurl")),
                                 FrameV2("PIC", Bytes{0, 'P'}), FrameV2("TOR", Bytes{})}));
    MemorySource source(v2);
    TagSet scratch;
    CarriedFrames carried;
    EXPECT_FALSE(ParseId3v2Tag(source, 0, scratch, &carried).Fault);
    ASSERT_EQ(carried.size(), 4u);
    EXPECT_EQ(carried[0].Id, "APIC");
    EXPECT_EQ(carried[0].Data,
              Concat({Bytes{0}, ToBytes("image/jpeg"), Bytes{0, 3, 'd', 0, 0xFF, 0xD8}}));
    EXPECT_EQ(carried[1], (CarriedFrame{"TIT2", {0, 'T'}}));
    EXPECT_EQ(carried[2], (CarriedFrame{"LINK", ToBytes("COMMurl")}));
    EXPECT_EQ(carried[3], (CarriedFrame{"APIC", Concat({Bytes{0}, ToBytes("image/p"), Bytes{0}})}));

    const Bytes v4 =
        Tag(4, 0,
            Concat({TextFrame("TDOR", "2001-02-03", 4), Frame("TIPL", Bytes{0, 'x'}, 4),
                    Frame("PRIV", Bytes{1, 2, 3}, 4, 0x08)}));
    MemorySource source4(v4);
    carried.clear();
    EXPECT_FALSE(ParseId3v2Tag(source4, 0, scratch, &carried).Fault);
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0], (CarriedFrame{"TORY", {0, '2', '0', '0', '1'}}));
    EXPECT_EQ(carried[1], (CarriedFrame{"IPLS", {0, 'x'}}));
    EXPECT_EQ(MapFrameIdToV23("XYZ"), "XYZ");
}

// A COMM frame's data: encoding 0, language "eng", the description, the text.
Bytes Comm(const std::string& description, const std::string& text, int version = 3) {
    return Frame("COMM",
                 Concat({Bytes{0}, ToBytes("eng"), ToBytes(description), Bytes{0}, ToBytes(text)}),
                 version);
}

TEST(Id3v2ReaderTest, CommentIsTheOneWithoutDescriptionElseTheFirstNotMachineData) {
    const Bytes utf16Itunes =
        Frame("COMM", Concat({Bytes{1}, ToBytes("eng"),
                              Bytes{0xFF, 0xFE, 'i', 0, 'T', 0, 'u', 0, 'n', 0, 'N', 0, 0, 0},
                              Bytes{0xFF, 0xFE, '9', 0}}));
    const std::vector<std::tuple<const char*, Bytes, std::string>> cases = {
        {"machine data behind the comment",
         Concat({Comm("", "real"), Comm("iTunNORM", " 0000021A"), Comm("iTunPGAP", "0")}), "real"},
        {"machine data in front of the comment",
         Concat({Comm("iTunSMPB", "x"), Comm("", "real"), Comm("iTunNORM", "y")}), "real"},
        {"a described comment gives way to one without description",
         Concat({Comm("note", "n"), Comm("", "real"), Comm("more", "m")}), "real"},
        {"without an empty description the first one not iTun...",
         Concat({Comm("iTunNORM", "x"), Comm("note", "first"), Comm("more", "second")}), "first"},
        {"two without description: the first", Concat({Comm("", "one"), Comm("", "two")}), "one"},
        {"only machine data: none", Concat({Comm("iTunNORM", "x"), Comm("iTunPGAP", "0")}), ""},
        {"machine data in UTF-16", Concat({utf16Itunes, Comm("note", "n")}), "n"},
        {"version 4 alike", Concat({Comm("iTunNORM", "x", 4), Comm("", "real", 4)}), "real"},
        {"version 2 alike",
         Concat({FrameV2("COM", Concat({Bytes{0}, ToBytes("eng"), ToBytes("iTunNORM"), Bytes{0},
                                        ToBytes("x")})),
                 FrameV2("COM", Concat({Bytes{0}, ToBytes("eng"), Bytes{0}, ToBytes("real")}))}),
         "real"}};
    for (const auto& [name, frames, comment] : cases) {
        const int version = std::string(name).rfind("version 2", 0) == 0   ? 2
                            : std::string(name).rfind("version 4", 0) == 0 ? 4
                                                                           : 3;
        const ReadOutcome read = ReadFrom(Tag(version, 0, frames, 10));
        EXPECT_TRUE(read.found) << name;
        EXPECT_EQ(read.tag.Comment, comment) << name;
    }
}

TEST(Id3v2ReaderTest, ExtendedHeaderFlagWithoutExtendedHeader) {
    const Bytes frames = Concat({TextFrame("TIT2", "Song"), TextFrame("TPE1", "Band")});
    const Bytes frames4 = Concat({TextFrame("TIT2", "Song", 4), TextFrame("TPE1", "Band", 4)});
    const TagSet both = MakeTags({{"Title", "Song"}, {"Artist", "Band"}});
    const std::vector<std::tuple<const char*, Bytes, TagSet>> cases = {
        {"v3 flag set, frames right behind the header", Tag(3, 0x40, frames, 16), both},
        {"v4 flag set, frames right behind the header", Tag(4, 0x40, frames4, 16), both},
        {"v3 with a real extended header (size 6)",
         Tag(3, 0x40, Concat({Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, frames}), 16), both},
        {"v4 with a real extended header (size 6)",
         Tag(4, 0x40, Concat({Bytes{0, 0, 0, 6, 1, 0}, frames4}), 16), both},
        // The first frame's size runs past the tag: these are no frames, so the extended
        // header's size is taken as it stands (and skips everything).
        {"v3 flag set, id-like bytes that are no frame",
         Tag(3, 0x40, Concat({ToBytes("ABCD"), Bytes{0x7F, 0, 0, 0, 0, 0}, frames}), 16),
         TagSet{}}};
    for (const auto& [name, file, expected] : cases) {
        const ReadOutcome read = ReadFrom(Concat({file, Bytes(32, 0xAA)}));
        EXPECT_TRUE(read.found) << name;
        EXPECT_EQ(read.tag, expected) << name;
    }
}

TEST(Id3v2ReaderTest, BareGenreNumbersAreTableIndexes) {
    const std::vector<std::tuple<int, std::string, std::string>> cases = {
        {3, "35", "House"}, {4, "12", "Other"},  {3, "(35)", "House"},
        {4, "148", "148"},  {3, "Rock", "Rock"}, {2, "17", "Rock"}};
    for (const auto& [version, text, genre] : cases) {
        const ReadOutcome read =
            ReadFrom(Tag(version, 0, TextFrame(version == 2 ? "TCO" : "TCON", text, version)));
        EXPECT_EQ(read.tag.Genre, genre) << version << " " << text;
    }
}

TEST(Id3v2ReaderTest, CollectsTheWholeChainLikeTheReader) {
    // Frames of a tag found through its footer are collected as well.
    const Bytes body = Concat({TextFrame("TIT2", "T", 4), Frame("TPOS", Bytes{0, '1'}, 4)});
    Bytes footer = Tag(4, 0x10, body);
    footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
    const Bytes file =
        Concat({Bytes(40, 0xAA), Tag(4, 0x10, body), Bytes(footer.begin(), footer.begin() + 10)});
    MemorySource source(file);
    CarriedFrames frames;
    EXPECT_TRUE(CollectId3v2FramesFrom(source, frames));
    EXPECT_EQ(frames, (CarriedFrames{{"TIT2", {0, 'T'}}, {"TPOS", {0, '1'}}}));
    // A fault keeps what was collected before it and says so.
    const Bytes faulty = Tag(3, 0, Concat({Frame("TPOS", Bytes{0, '1'}), TextFrame("TCON", ")(")}));
    MemorySource faultySource(faulty);
    frames.clear();
    EXPECT_TRUE(CollectId3v2FramesFrom(faultySource, frames));  // collect mode reads no genre
    MemorySource none(Bytes(50, 0));
    frames.clear();
    EXPECT_TRUE(CollectId3v2FramesFrom(none, frames));
    EXPECT_TRUE(frames.empty());
}

}  // namespace
}  // namespace id3
