#include "tag_transfer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::MakeTags;
using id3test::ReadFile;
using id3test::TempDir;
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
        {"ID3v2 without artist and title", TagSet{}, MakeTags({{"Album", "Al"}}), false, false},
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
            EXPECT_EQ(v1.Title, c.v1.Title);
            EXPECT_EQ(v1.Artist, c.v1.Artist);
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

}  // namespace
}  // namespace id3
