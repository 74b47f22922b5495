#include "id3v2_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "id3v2_reader.h"
#include "test_support.h"
#include "text_codec.h"

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

Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
    return Bytes(bytes.begin() + static_cast<long>(from),
                 bytes.begin() + static_cast<long>(from + count));
}

Bytes TextFrameBytes(const std::string& id, const std::string& text, int version) {
    Bytes out;
    WriteTextFrame(out, id, text, version);
    return out;
}

TEST(Id3v2WriterTest, TagLengthFollowsThePaddingRule) {
    const std::vector<std::tuple<int64_t, int64_t, int64_t>> cases = {
        {36, 0, 2058},      {1023, 0, 2058},    {1024, 0, 4106},    {2048, 0, 4106},
        {3000, 4106, 4106}, {4106, 4106, 4106}, {4107, 4106, 6154}, {10, 0, 2058}};
    for (const auto& [total, oldSize, expected] : cases) {
        EXPECT_EQ(NewTagLength(total, oldSize), expected) << total << " " << oldSize;
    }
}

TEST(Id3v2WriterTest, RendersTextFramesByteForByte) {
    struct Case {
        std::string id, text;
        int version;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        {"COMM", "hello", 3,
         Concat({ToBytes("COMM"), Bytes{0, 0, 0, 11, 0, 0, 0}, ToBytes("eng"), Bytes{0},
                 ToBytes("hello"), Bytes{0}})},
        {"WXXX", "u", 3, Concat({ToBytes("WXXX"), Bytes{0, 0, 0, 4, 0, 0, 0, 0, 'u', 0}})},
        {"TIT2", " x ", 3, Concat({ToBytes("TIT2"), Bytes{0, 0, 0, 5, 0, 0, 0, ' ', 'x', ' ', 0}})},
        {"TIT2", "   ", 3, Bytes{}},
        {"APIC", "x", 3, Bytes{}},
        {"TIT2", "\u0416", 3,
         Concat({ToBytes("TIT2"), Bytes{0, 0, 0, 7, 0, 0, 1, 0xFF, 0xFE, 0x16, 0x04, 0, 0}})},
        {"COMM", "\u0416", 3,
         Concat({ToBytes("COMM"), Bytes{0, 0, 0, 14, 0, 0, 1}, ToBytes("eng"),
                 Bytes{0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 0x16, 0x04, 0, 0}})},
        {"TIT2", "Don\u2019t", 3,
         Concat({ToBytes("TIT2"), Bytes{0,   0, 0,   15, 0,    0,    1,   0xFF, 0xFE, 'D', 0,
                                        'o', 0, 'n', 0,  0x19, 0x20, 't', 0,    0,    0}})},
        {"TIT2", "\u00E9\u0081", 3,
         Concat({ToBytes("TIT2"), Bytes{0, 0, 0, 4, 0, 0, 0, 0xE9, 0x81, 0}})},
        {"WXXX", "http://\u0416", 3,
         Concat({ToBytes("WXXX"), Bytes{0, 0, 0, 16, 0, 0, 0, 0}, ToBytes("http://%D0%96"),
                 Bytes{0}})}};
    for (const auto& c : cases) {
        EXPECT_EQ(TextFrameBytes(c.id, c.text, c.version), c.frame) << c.id << " " << c.text;
        EXPECT_EQ(TextFrameSize(c.id, c.text, true), static_cast<int64_t>(c.frame.size()));
    }
    const std::string text(198, 'a');
    EXPECT_EQ(Slice(TextFrameBytes("TALB", text, 3), 4, 4), (Bytes{0, 0, 0, 0xC8}));
    EXPECT_EQ(Slice(TextFrameBytes("TALB", text, 4), 4, 4), (Bytes{0, 0, 1, 0x48}));
    EXPECT_FALSE(IsForeignFrameId("TDRC"));
    EXPECT_TRUE(IsForeignFrameId("APIC"));
}

TEST(Id3v2WriterTest, NewTagGrowsTheFileAndKeepsTheAudio) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const Bytes& audio = id3test::Mp3Audio();
    WriteFile(path, audio);
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Artist", "A"}, {"Title", "B"}}), 3, true, false));
    const Bytes bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), audio.size() + 2058);
    EXPECT_EQ(Slice(bytes, 0, 10), (Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x10, 0}));
    EXPECT_EQ(Slice(bytes, 10, 13), Concat({ToBytes("TPE1"), Bytes{0, 0, 0, 3, 0, 0, 0, 'A', 0}}));
    EXPECT_EQ(Slice(bytes, 23, 13), Concat({ToBytes("TIT2"), Bytes{0, 0, 0, 3, 0, 0, 0, 'B', 0}}));
    EXPECT_EQ(Slice(bytes, 36, 2022), Bytes(2022, 0));
    EXPECT_EQ(Slice(bytes, 2058, audio.size()), audio);

    // A second write of a similar tag fits into the padding.
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Artist", "Other"}}), 3, true, false));
    const Bytes again = ReadFile(path);
    ASSERT_EQ(again.size(), bytes.size());
    EXPECT_EQ(Slice(again, 2058, audio.size()), audio);
}

TEST(Id3v2WriterTest, RewritesInPlaceWhenTheNewTagFits) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const Bytes audio(5000, 0x33);
    WriteFile(path, Concat({Tag(3, 0, TextFrame("TIT2", "old"), 4096 - 14), audio}));
    ASSERT_EQ(ReadFile(path).size(), 4106u + 5000u);
    const std::string longText(2900, 'z');
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Comment", longText}}), 3, true, false));
    const Bytes bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 4106u + 5000u);
    EXPECT_EQ(Slice(bytes, 6, 4), (Bytes{0, 0, 0x20, 0}));
    EXPECT_EQ(Slice(bytes, 4106, 5000), audio);
    TagSet back;
    ASSERT_TRUE(ReadId3v2(path, back));
    EXPECT_EQ(back, MakeTags({{"Comment", longText}}));
}

TEST(Id3v2WriterTest, WriteReadRoundTripOfEveryField) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const TagSet tag = MakeTags({{"Artist", "Art \u00C4"},
                                 {"Album", "\u30A2\u30EB\u30D0\u30E0"},
                                 {"Title", "Ti\r\ntle"},
                                 {"Year", "1999"},
                                 {"Genre", "rock"},
                                 {"Comment", "Com \u20AC"},
                                 {"Track", "3/12"},
                                 {"EncodedBy", "Enc"},
                                 {"Url", "http://example.org/"},
                                 {"Copyright", "(c) \U0001F600"},
                                 {"Composer", "Comp"},
                                 {"OriginalArtist", "Orig"}});
    for (const int version : {3, 4}) {
        WriteFile(path, Bytes(300, 0x44));
        ASSERT_TRUE(WriteId3v2(path, tag, version, true, false));
        TagSet back;
        ASSERT_TRUE(ReadId3v2(path, back));
        TagSet expected = tag;
        expected.Genre = "Rock";
        EXPECT_EQ(back, expected) << version;
        EXPECT_EQ(ReadFile(path)[3], version);
    }
    const Bytes bytes = ReadFile(path);
    EXPECT_NE(
        std::search(bytes.begin(), bytes.end(), std::begin("(17)Rock"), std::end("(17)Rock") - 1),
        bytes.end());
    EXPECT_FALSE(WriteId3v2(path, tag, 2, true, false));
}

// The same text in each ID3 text encoding (code points below U+10000 only).
Bytes EncodedText(int encoding, const std::u32string& text) {
    Bytes out = {static_cast<uint8_t>(encoding)};
    if (encoding == 1) {
        out.insert(out.end(), {0xFF, 0xFE});
    }
    for (const char32_t cp : text) {
        if (encoding == 0) {
            out.push_back(static_cast<uint8_t>(cp));
        } else if (encoding == 3) {
            std::string utf8;
            AppendUtf8(utf8, cp);
            out.insert(out.end(), utf8.begin(), utf8.end());
        } else if (encoding == 1) {
            out.insert(out.end(), {static_cast<uint8_t>(cp & 0xFF), static_cast<uint8_t>(cp >> 8)});
        } else {
            out.insert(out.end(), {static_cast<uint8_t>(cp >> 8), static_cast<uint8_t>(cp & 0xFF)});
        }
    }
    return out;
}

// Control characters at either end of a text, CR and LF among them, are part of the text: what
// the reader returns is what a write and a second read give back, in every encoding.
TEST(Id3v2WriterTest, ControlCharactersSurviveWriteAndReadInEveryEncoding) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    struct Case {
        std::u32string stored;
        std::string title;
    };
    const std::vector<Case> cases = {{U"\r\nT\r", "\r\nT\r"},
                                     {U"\rT", "\rT"},
                                     {U"T\n", "T\n"},
                                     {U"\x01\tT\x1F", "\x01\tT\x1F"},
                                     {U"\r\r\n\nT", "\r\r\n\nT"},
                                     {U"\x7F T \x7F", "\x7F T \x7F"}};
    for (const int encoding : {0, 1, 2, 3}) {
        for (const auto& c : cases) {
            WriteFile(path, Concat({Tag(3, 0, Frame("TIT2", EncodedText(encoding, c.stored))),
                                    Bytes(200, 0x44)}));
            TagSet first;
            ASSERT_TRUE(ReadId3v2(path, first));
            EXPECT_EQ(first.Title, c.title) << "encoding " << encoding;
            ASSERT_TRUE(WriteId3v2(path, first, 3, true, false));
            TagSet second;
            ASSERT_TRUE(ReadId3v2(path, second));
            EXPECT_EQ(second.Title, c.title) << "encoding " << encoding;
        }
    }
    // The year of a TDRC frame is its first four characters, a control character among them.
    const std::u32string date = U"\r\n\u8000\n1999";
    for (const int encoding : {1, 2, 3}) {
        WriteFile(path, Concat({Tag(3, 0, Frame("TDRC", EncodedText(encoding, date))),
                                Bytes(200, 0x44)}));
        TagSet first;
        ASSERT_TRUE(ReadId3v2(path, first));
        EXPECT_EQ(first.Year, "\r\n\u8000\n") << "encoding " << encoding;
        ASSERT_TRUE(WriteId3v2(path, first, 3, true, false));
        TagSet second;
        ASSERT_TRUE(ReadId3v2(path, second));
        EXPECT_EQ(second.Year, first.Year) << "encoding " << encoding;
    }
}

TEST(Id3v2WriterTest, CarriesForeignFramesOfTheOldTag) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const Bytes apic = Concat({Bytes{0}, ToBytes("image/png"), Bytes{0, 3, 0, 0x89, 'P'}});
    const Bytes audio(1000, 0x21);
    WriteFile(path,
              Concat({Tag(3, 0, Concat({Frame("APIC", apic), TextFrame("TIT2", "Old")})), audio}));
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Title", "New"}}), 3, false, false));
    Bytes bytes = ReadFile(path);
    const Bytes expectedFrames = Concat({TextFrameBytes("TIT2", "New", 3), Frame("APIC", apic)});
    EXPECT_EQ(Slice(bytes, 10, expectedFrames.size()), expectedFrames);
    EXPECT_EQ(bytes[10 + expectedFrames.size()], 0);
    EXPECT_EQ(Slice(bytes, bytes.size() - 1000, 1000), audio);

    const Bytes pic = Concat({Bytes{0}, ToBytes("JPG"), Bytes{3, 0, 0xFF, 0xD8}});
    WriteFile(path,
              Concat({Tag(2, 0, Concat({FrameV2("PIC", pic), FrameV2("XYZ", Bytes{1})})), audio}));
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Title", "New"}}), 3, false, false));
    bytes = ReadFile(path);
    const Bytes converted =
        Frame("APIC", Concat({Bytes{0}, ToBytes("image/jpeg"), Bytes{0, 3, 0, 0xFF, 0xD8}}));
    EXPECT_EQ(Slice(bytes, 10 + 15, converted.size()), converted);
    EXPECT_EQ(bytes[10 + 15 + converted.size()], 0);  // the unlisted v2 frame is not written

    // With ignoreExistingFrames the old picture goes.
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Title", "New"}}), 3, true, false));
    bytes = ReadFile(path);
    EXPECT_EQ(bytes[10 + 15], 0);
}

TEST(Id3v2WriterTest, DamagedOldTagsLeaveTheFileAlone) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"size past the end", Slice(Tag(3, 0, Bytes{}, 5000), 0, 110)},
        {"overflowing frame size",
         Concat({Tag(3, 0, Concat({ToBytes("TIT2"), Bytes{0x80, 0, 0, 0, 0, 0}}), 20),
                 Bytes(100, 1)})},
        {"zero tag size", Concat({Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0}, Bytes(100, 1)})}};
    for (const auto& [name, content] : cases) {
        WriteFile(path, content);
        EXPECT_FALSE(WriteId3v2(path, MakeTags({{"Title", "T"}}), 3, false, false)) << name;
        EXPECT_EQ(ReadFile(path), content) << name;
    }
    EXPECT_FALSE(WriteId3v2(dir.File("missing.mp3"), MakeTags({{"Title", "T"}}), 3, true, true));
}

TEST(Id3v2WriterTest, ReplacedFileKeepsModeAndLinks) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteFile(path, Bytes(700, 7));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Title", "T"}}), 3, true, true));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    const std::string link = dir.File("link.mp3");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(WriteId3v2(link, MakeTags({{"Title", std::string(3000, 'L')}}), 3, true, false));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    TagSet back;
    ASSERT_TRUE(ReadId3v2(path, back));
    EXPECT_EQ(back.Title, std::string(3000, 'L'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(Id3v2WriterTest, FailedWriteLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const Bytes content = Concat({Tag(3, 0, TextFrame("TIT2", "old")), Bytes(20000, 9)});
    WriteFile(path, content);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Files larger than 8000 bytes cannot be written: the new copy fails midway.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8000, 8000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = WriteId3v2(path, MakeTags({{"Title", "new"}}), 3, true, false);
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have failed";
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace id3
