#include "id3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::ReadFile;
using id3test::TempDir;
using id3test::WriteFile;

Id3v1Block Block(const std::string& title, uint8_t b125, uint8_t b126, uint8_t genre,
                 const std::string& comment = "") {
    Id3v1Block block{};
    std::memcpy(block.data(), "TAG", 3);
    std::memcpy(block.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(block.data() + 97, comment.data(), std::min<size_t>(comment.size(), 30));
    block[125] = b125 != 0 ? b125 : block[125];
    block[126] = b126 != 0 ? b126 : block[126];
    block[127] = genre;
    return block;
}

TEST(Id3v1Test, ParsesBothForms) {
    struct Case {
        Id3v1Block block;
        std::string title, comment, track, genre;
    };
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz12AB";
    const std::vector<Case> cases = {
        {Block("Song", 0, 7, 17, "nice"), "Song", "nice", "7", "Rock"},
        {Block("Song", 0, 0, 0, "nice"), "Song", "nice", "", "Blues"},
        {Block("Song", 0, 0, 200, thirty), "Song", thirty, "", ""},
        {Block("  Word  ", 0, 255, 147), "Word", "", "255", "SynthPop"},
        {Block("a\nb\rc", 0, 0, 255), "a\nb\rc", "", "", ""},  // control characters kept
        {Block("\xE9t\xE9", 0, 0, 255), "\u00E9t\u00E9", "", "", ""}};
    for (const auto& c : cases) {
        TagSet tag;
        ASSERT_TRUE(ParseId3v1Block(c.block, tag));
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Comment, c.comment);
        EXPECT_EQ(tag.Track, c.track);
        EXPECT_EQ(tag.Genre, c.genre);
    }
    Id3v1Block noTag{};
    TagSet kept;
    kept.Artist = "kept";
    EXPECT_FALSE(ParseId3v1Block(noTag, kept));
    EXPECT_EQ(kept.Artist, "kept");
}

TEST(Id3v1Test, RendersTrackGenreAndCutText) {
    struct Case {
        std::string track, genre;
        uint8_t trackByte, genreByte;
    };
    const std::vector<Case> cases = {{"12/14", "rock", 0, 17}, {"256", "Unknown", 0, 255},
                                     {"0", "", 0, 255},        {"1234", "SynthPop", 0, 147},
                                     {" 5 ", " jazz ", 5, 8},  {"2.6", "Blues", 3, 0}};
    for (const auto& c : cases) {
        TagSet tag;
        tag.Track = c.track;
        tag.Genre = c.genre;
        const Id3v1Block block = RenderId3v1Block(tag);
        EXPECT_EQ(block[126], c.trackByte) << c.track;
        EXPECT_EQ(block[127], c.genreByte) << c.genre;
        EXPECT_EQ(block[125], 0);
    }
    TagSet tag;
    tag.Title = std::string(35, 'x');
    tag.Comment = "a\r\nb";
    tag.Year = "19999";
    tag.Artist = "\u0416\u00E9";
    const Id3v1Block block = RenderId3v1Block(tag);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 3), 30),
              std::string(30, 'x'));
    EXPECT_EQ(block[63], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 97), 4),
              std::string("a b\0", 4));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 93), 4), "1999");
    EXPECT_EQ(block[33], '?');
    EXPECT_EQ(block[34], 0xE9);
}

TEST(Id3v1Test, RenderParseRoundTrip) {
    TagSet tag;
    tag.Artist = "Artist \u00C4";
    tag.Album = "Album";
    tag.Title = "Title";
    tag.Year = "2001";
    tag.Genre = "Rock";
    tag.Comment = "Comment";
    tag.Track = "9";
    TagSet back;
    ASSERT_TRUE(ParseId3v1Block(RenderId3v1Block(tag), back));
    EXPECT_EQ(back, tag);
}

TEST(Id3v1Test, FilesGrowOrAreOverwritten) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteFile(path, Bytes(100, 0x55));
    TagSet tag;
    EXPECT_FALSE(ReadId3v1(path, tag));
    tag.Artist = "A";
    ASSERT_TRUE(WriteId3v1(path, tag, false));
    EXPECT_EQ(ReadFile(path).size(), 228u);
    TagSet back;
    ASSERT_TRUE(ReadId3v1(path, back));
    EXPECT_EQ(back.Artist, "A");
    tag.Artist = "B";
    ASSERT_TRUE(WriteId3v1(path, tag, false));
    const Bytes bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), 228u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 100), Bytes(100, 0x55));
    ASSERT_TRUE(ReadId3v1(path, back));
    EXPECT_EQ(back.Artist, "B");
    EXPECT_FALSE(ReadId3v1(dir.File("missing.mp3"), back));
    EXPECT_FALSE(WriteId3v1(dir.File("missing.mp3"), tag, true));
}

TEST(Id3v1Test, ReadOnlyFileIsMadeWritableOnlyWhenAsked) {
    TempDir dir;
    const std::string path = dir.File("ro.mp3");
    WriteFile(path, Bytes(300, 1));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TagSet tag;
    tag.Title = "T";
    if (::geteuid() != 0) {
        EXPECT_FALSE(WriteId3v1(path, tag, false));
        EXPECT_EQ(ReadFile(path).size(), 300u);
    }
    ASSERT_TRUE(WriteId3v1(path, tag, true));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(ReadFile(path).size(), 428u);
}

}  // namespace
}  // namespace id3
