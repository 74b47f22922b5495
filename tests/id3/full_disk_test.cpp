// The tag writers on a disk that fills up: the file keeps its old bytes, whichever way the
// tag is written, and no temporary file is left.
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/small_disk.h"
#include "id3v1.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace {

using id3test::Bytes;

int Entries(const std::filesystem::path& folder) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder),
                                          std::filesystem::directory_iterator()));
}

}  // namespace

TEST(FullDisk, ATagThatNeedsTheFileRewrittenLeavesTheOldFileWhole) {
    id3test::TempDir dir;
    const testing_support::SmallDisk disk(dir.File("disk"), 256 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount a small disk here";
    }
    // 160 kB of audio behind a small tag: a copy of it does not fit beside it.
    Bytes audio;
    while (audio.size() < 160 * 1024) {
        const Bytes& second = id3test::Mp3Audio();
        audio.insert(audio.end(), second.begin(), second.end());
    }
    Bytes old = id3test::Concat({id3test::Tag(3, 0, id3test::TextFrame("TIT2", "Alt")), audio});
    // Whole pages, so that the ID3v1 block below needs a page of its own.
    old.resize((old.size() + 4095) / 4096 * 4096, 0);
    const std::string path = disk.File("a.mp3");
    id3test::WriteFile(path, old);

    const id3::TagSet big =
        id3test::MakeTags({{"Title", std::string(4000, 't')}, {"Artist", "Neu"}});
    const id3::WriteStatus status = id3::WriteId3v2WithStatus(path, big, 3, false, false);
    EXPECT_FALSE(status.Ok);
    EXPECT_NE(status.Reason.find("No space left on device"), std::string::npos) << status.Reason;
    EXPECT_EQ(id3test::ReadFile(path), old);
    EXPECT_EQ(Entries(disk.Folder()), 1);

    // Filled up to the last byte: the ID3v1 block cannot be appended, and the audio keeps its
    // old end.
    if (FILE* filler = std::fopen(disk.File("filler").c_str(), "wb")) {
        const Bytes page(4096, 0);
        while (std::fwrite(page.data(), 1, page.size(), filler) == page.size()) {
        }
        std::fclose(filler);
    }
    const Bytes before = id3test::ReadFile(path);
    EXPECT_FALSE(id3::WriteId3v1WithStatus(path, big, false).Ok);
    EXPECT_EQ(id3test::ReadFile(path), before);
}
