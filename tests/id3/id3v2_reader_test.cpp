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

Bytes Plain32(uint32_t n) {
    return {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
}

Bytes Synchsafe32(uint32_t n) {
    return {static_cast<uint8_t>((n >> 21) & 127), static_cast<uint8_t>((n >> 14) & 127),
            static_cast<uint8_t>((n >> 7) & 127), static_cast<uint8_t>(n & 127)};
}

struct Collected {
    TagSet tag;
    CarriedFrames frames;
    DroppedFrames dropped;
};

Collected Collect(const Bytes& file) {
    Collected out;
    MemorySource source(file);
    ReadId3v2From(source, out.tag);
    CollectId3v2FramesFrom(source, out.frames, &out.dropped);
    return out;
}

TEST(Id3v2ReaderTest, CompressedFramesAreReadInflatedAndUnreadableOnesDropped) {
    const Bytes artist = {0, 'Z', 'i', 'p'};
    const Bytes packed = id3test::Deflate(artist);
    const Bytes cut(packed.begin(), packed.end() - 3);
    const Bytes before = TextFrame("TPE1", "Kept");
    const std::string noInflate = "compressed, and its data does not inflate";
    struct Case {
        const char* name;
        Bytes file;
        std::string artist;
        DroppedFrames dropped;
    };
    const std::vector<Case> cases = {
        {"v3 with its inflated size first",
         Tag(3, 0, Frame("TPE1", Concat({Plain32(4), packed}), 3, 0x80)),
         "Zip",
         {}},
        {"v3 compressed and grouped: size, then group symbol",
         Tag(3, 0, Frame("TPE1", Concat({Plain32(4), Bytes{0x81}, packed}), 3, 0xA0)),
         "Zip",
         {}},
        {"v3 declared size wrong: the stream decides",
         Tag(3, 0, Frame("TPE1", Concat({Plain32(99), packed}), 3, 0x80)),
         "Zip",
         {}},
        {"v4 with a data length indicator",
         Tag(4, 0, Frame("TPE1", Concat({Synchsafe32(4), packed}), 4, 0x09)),
         "Zip",
         {}},
        {"v4 grouped, compressed, with a data length indicator",
         Tag(4, 0, Frame("TPE1", Concat({Bytes{0x90}, Synchsafe32(4), packed}), 4, 0x49)),
         "Zip",
         {}},
        {"v4 without a data length indicator",
         Tag(4, 0, Frame("TPE1", packed, 4, 0x08)),
         "Zip",
         {}},
        {"zlib data cut short",
         Tag(3, 0, Concat({before, Frame("TPE1", Concat({Plain32(4), cut}), 3, 0x80)})),
         "Kept",
         {{"TPE1", noInflate}}},
        {"no zlib data at all",
         Tag(4, 0, Concat({before, Frame("TPE1", ToBytes("\x01\x02\x03\x04\x05"), 4, 0x08)})),
         "Kept",
         {{"TPE1", noInflate}}},
        {"declared size beyond what the data can give",
         Tag(3, 0, Concat({before, Frame("TPE1", Concat({Plain32(0x7FFFFFF0), packed}), 3, 0x80)})),
         "Kept",
         {{"TPE1", noInflate}}},
        {"too short for its inflated size",
         Tag(3, 0, Concat({before, Frame("TPE1", Bytes{0, 0}, 3, 0x80)})),
         "Kept",
         {{"TPE1", "compressed, and too short to hold its data"}}},
        {"v3 encrypted",
         Tag(3, 0, Concat({before, Frame("TPE1", Bytes{1, 0, 'x'}, 3, 0x40)})),
         "Kept",
         {{"TPE1", "encrypted"}}},
        {"v4 encrypted",
         Tag(4, 0, Concat({before, Frame("TPE1", Bytes{1, 0, 'x'}, 4, 0x04)})),
         "Kept",
         {{"TPE1", "encrypted"}}},
        {"v2 encrypted meta frame",
         Tag(2, 0, Concat({TextFrame("TP1", "Kept"), FrameV2("CRM", ToBytes("o\0x"))})),
         "Kept",
         {{"CRM", "encrypted"}}},
    };
    for (const auto& c : cases) {
        const Collected out = Collect(c.file);
        EXPECT_EQ(out.tag.Artist, c.artist) << c.name;
        EXPECT_EQ(out.dropped, c.dropped) << c.name;
        const bool inflated = c.artist == "Zip";
        ASSERT_EQ(out.frames.size(), 1u) << c.name;
        EXPECT_EQ(out.frames[0].Data, inflated ? artist : Bytes({0, 'K', 'e', 'p', 't'})) << c.name;
    }

    // A cover stored compressed is carried as a plain APIC.
    const Bytes cover =
        Concat({Bytes{0}, ToBytes("image/png"), Bytes{0, 3, 'c', 0}, Bytes(3000, 0x89)});
    const Collected apic = Collect(
        Tag(3, 0, Frame("APIC", Concat({Plain32(3016), id3test::Deflate(cover)}), 3, 0x80)));
    ASSERT_EQ(apic.frames.size(), 1u);
    EXPECT_EQ(apic.frames[0], (CarriedFrame{"APIC", cover}));
}

TEST(Id3v2ReaderTest, ItunesVersion2FramesTakeTheirVersion3Ids) {
    const std::vector<std::pair<std::string, std::string>> ids = {
        {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSA", "TSOA"}, {"TSP", "TSOP"}, {"TS2", "TSO2"},
        {"TSC", "TSOC"}, {"GP1", "GRP1"}, {"MVN", "MVNM"}, {"MVI", "MVIN"}, {"TT1", "TIT1"},
        {"ULT", "USLT"}, {"TXX", "TXXX"}, {"TPA", "TPOS"}, {"TP2", "TPE2"}};
    Bytes body;
    for (const auto& [v2, v3] : ids) {
        body = Concat({body, TextFrame(v2, "x")});
    }
    const Collected out = Collect(Tag(2, 0, body));
    ASSERT_EQ(out.frames.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(out.frames[i], (CarriedFrame{ids[i].second, {0, 'x'}})) << ids[i].first;
    }
}

TEST(Id3v2ReaderTest, Version4DatesAndPeopleTakeTheirVersion3Form) {
    const Bytes utf16Date = Concat(
        {Bytes{1, 0xFF, 0xFE}, ToBytes(std::string("2\0000\0000\0005\000-\0000\0009\000-"
                                                   "\0002\0007\000T\0001\0008\000:\0003\0000\000",
                                                   32))});
    struct Case {
        const char* name;
        Bytes frames;
        CarriedFrames expected;  // in the order collected; TDRC stays for the record
    };
    const CarriedFrame day = {"TDAT", {0, '2', '7', '0', '9'}};
    const CarriedFrame time = {"TIME", {0, '1', '8', '3', '0'}};
    auto tdrc = [](const std::string& date) {
        return CarriedFrame{"TDRC", Concat({Bytes{0}, ToBytes(date)})};
    };
    const std::vector<Case> cases = {
        {"year", TextFrame("TDRC", "2005", 4), {tdrc("2005")}},
        {"month", TextFrame("TDRC", "2005-09", 4), {tdrc("2005-09")}},
        {"day", TextFrame("TDRC", "2005-09-27", 4), {tdrc("2005-09-27"), day}},
        {"minute", TextFrame("TDRC", "2005-09-27T18:30", 4), {tdrc("2005-09-27T18:30"), day, time}},
        {"second",
         TextFrame("TDRC", "2005-09-27T18:30:59", 4),
         {tdrc("2005-09-27T18:30:59"), day, time}},
        {"midnight",
         TextFrame("TDRC", "2005-09-27T00:00", 4),
         {tdrc("2005-09-27T00:00"), day, {"TIME", {0, '0', '0', '0', '0'}}}},
        {"UTF-16", Frame("TDRC", utf16Date, 4), {{"TDRC", utf16Date}, day, time}},
        {"no month 13", TextFrame("TDRC", "2005-13-27", 4), {tdrc("2005-13-27")}},
        {"no hour 24", TextFrame("TDRC", "2005-09-27T24:00", 4), {tdrc("2005-09-27T24:00"), day}},
        {"a day of the tag's own wins",
         Concat({TextFrame("TDAT", "0101", 4), TextFrame("TDRC", "2005-09-27T18:30", 4)}),
         {{"TDAT", {0, '0', '1', '0', '1'}}, tdrc("2005-09-27T18:30"), time}},
        {"TDOR keeps its year, in any encoding",
         Frame("TDOR",
               Concat({Bytes{1, 0xFF, 0xFE}, ToBytes(std::string("2\0000\0000\0001\000-\0", 10))}),
               4),
         {{"TORY", {0, '2', '0', '0', '1'}}}},
        {"a date in front of two people lists",
         Concat({TextFrame("TDRC", "2005-09-27", 4),
                 Frame("TIPL", ToBytes(std::string("\0a\0b", 4)), 4),
                 Frame("TMCL", ToBytes(std::string("\0c\0d", 4)), 4)}),
         {tdrc("2005-09-27"), day, {"IPLS", ToBytes(std::string("\0a\0b\0c\0d", 8))}}},
        {"TIPL and TMCL become one IPLS",
         Concat({Frame("TIPL", Concat({Bytes{0}, ToBytes(std::string("mix\0Ann", 7))}), 4),
                 TextFrame("TSST", "Side A", 4),
                 Frame("TMCL", Concat({Bytes{3}, ToBytes(std::string("bass\0B\xC3\xB6", 9))}), 4)}),
         {{"IPLS", Concat({Bytes{0}, ToBytes(std::string("mix\0Ann\0bass\0B\xF6", 15))})},
          {"TSST", {0, 'S', 'i', 'd', 'e', ' ', 'A'}}}},
    };
    for (const auto& c : cases) {
        const Collected out = Collect(Tag(4, 0, c.frames));
        EXPECT_EQ(out.frames, c.expected) << c.name;
    }
    EXPECT_EQ(Collect(Tag(4, 0, TextFrame("TDRC", "2005-09-27T18:30", 4))).tag.Year, "2005");
}

}  // namespace
}  // namespace id3
