#include "output_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/small_disk.h"
#include "../support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using batch::OutputProblem;
using testing_support::TempDir;

TEST(OutputFolder, MadeWhenMissingRefusedWhenNotAFolderOrNotAPath) {
    TempDir dir;
    testing_support::WriteFile(dir.File("file"), "x");
    fs::create_directory(dir.File("real"));
    fs::create_directory_symlink(dir.File("real"), dir.File("link"));
    const std::string real = fs::canonical(dir.Path()).string() + "/real";
    struct Case {
        std::string text;
        OutputProblem problem;
        std::string folder;  // for None: the folder with its links resolved
    } const cases[] = {
        {dir.File("real"), OutputProblem::None, real},
        {dir.File("real/"), OutputProblem::None, real},
        {dir.File("link"), OutputProblem::None, real},
        {dir.File("new/deeper"), OutputProblem::None,
         real.substr(0, real.size() - 4) + "new/deeper"},
        {"", OutputProblem::Empty, ""},
        {"relative/out", OutputProblem::NotAbsolute, "relative/out"},
        {dir.File("file"), OutputProblem::NotAFolder, dir.File("file")},
        {dir.File("file/below"), OutputProblem::NotAFolder, dir.File("file/below")},
    };
    for (const Case& c : cases) {
        const batch::OutputFolderCheck got = batch::PrepareOutputFolder(c.text);
        EXPECT_EQ(got.Problem, c.problem) << c.text;
        EXPECT_EQ(got.Folder, c.folder) << c.text;
    }
    EXPECT_TRUE(fs::is_directory(dir.File("new/deeper")));
    // The proof of writing leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(dir.File("real")));
}

TEST(OutputFolder, TildeIsTheHomeFolder) {
    TempDir home;
    const char* before = std::getenv("HOME");
    const std::string saved = before ? before : "";
    ::setenv("HOME", home.Path().c_str(), 1);
    const batch::OutputFolderCheck got = batch::PrepareOutputFolder("~/Musik MP3");
    ::setenv("HOME", saved.c_str(), 1);
    EXPECT_TRUE(got.Ok());
    EXPECT_TRUE(fs::is_directory(home.Path() / "Musik MP3"));
}

// A read-only file system takes no run, however its folders' modes read.
TEST(OutputFolder, ReadOnlyMountAndLockedFolderAreNotWritable) {
    TempDir dir;
    testing_support::SmallDisk disk(dir.Path() / "disk", 1 << 20);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount";
    }
    fs::create_directory(disk.File("out"));
    ASSERT_TRUE(disk.SetReadOnly(true));
    const batch::OutputFolderCheck existing = batch::PrepareOutputFolder(disk.File("out"));
    const batch::OutputFolderCheck missing = batch::PrepareOutputFolder(disk.File("new"));
    ASSERT_TRUE(disk.SetReadOnly(false));
    EXPECT_EQ(existing.Problem, OutputProblem::NotWritable);
    EXPECT_EQ(existing.Errno, EROFS);
    EXPECT_EQ(missing.Problem, OutputProblem::NotMade);
    EXPECT_EQ(missing.Errno, EROFS);
}

TEST(OutputFolder, RelativeFolderOfAMirroredPath) {
    EXPECT_EQ(batch::RelativeFolderOf("Album A/CD 1/01.flac"), "Album A/CD 1");
    EXPECT_EQ(batch::RelativeFolderOf("01.flac"), "");
    EXPECT_EQ(batch::RelativeFolderOf(""), "");
}

}  // namespace
