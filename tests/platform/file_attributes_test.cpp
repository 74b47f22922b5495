#include "file_attributes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

using testing_support::TempDir;

// A regular file is told from its attributes without opening it: a pipe no one writes to
// and a device are never waited on.
TEST(FileAttributes, FileExistsAndIsRegularFileOnlyForRegularFiles) {
    TempDir dir;
    const std::string file = dir.File("a.mp3");
    testing_support::WriteFile(file, "x");
    const std::string empty = dir.File("empty.wav");
    testing_support::WriteFile(empty, "");
    std::filesystem::create_directory(dir.File("folder"));
    std::filesystem::create_symlink(file, dir.File("link.mp3"));
    std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling.mp3"));
    ::mkfifo(dir.File("fifo").c_str(), 0600);

    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {file, true},
        {empty, true},
        {dir.File("link.mp3"), true},
        {dir.File("folder"), false},
        {dir.File("missing.mp3"), false},
        {dir.File("dangling.mp3"), false},
        {dir.File("fifo"), false},  // must not block either
        {"/dev/null", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::FileExists(c.path), c.exists) << c.path;
        EXPECT_EQ(platform::IsRegularFile(c.path), c.exists) << c.path;
    }
}

TEST(FileAttributes, UnreadableFileDoesNotExistForReading) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    const std::string file = dir.File("secret.mp3");
    testing_support::WriteFile(file, "x");
    ::chmod(file.c_str(), 0200);
    EXPECT_FALSE(platform::FileExists(file));
}

TEST(FileAttributes, ReadOnlyMeansNoOwnerWriteAndClearingKeepsTheOtherBits) {
    TempDir dir;
    const std::string file = dir.File("a.mp3");
    testing_support::WriteFile(file, "x");
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(platform::IsReadOnly(file));
    EXPECT_TRUE(platform::ClearReadOnly(file));
    EXPECT_FALSE(platform::IsReadOnly(file));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // Clearing a writable file changes nothing; a missing file is neither.
    EXPECT_TRUE(platform::ClearReadOnly(file));
    EXPECT_FALSE(platform::IsReadOnly(dir.File("missing")));
    EXPECT_FALSE(platform::ClearReadOnly(dir.File("missing")));
}

TEST(FileAttributes, ExecutableFilesAndFolders) {
    TempDir dir;
    const std::string script = dir.File("run");
    testing_support::WriteFile(script, "#!/bin/sh\n");
    EXPECT_FALSE(platform::IsExecutableFile(script));
    ::chmod(script.c_str(), 0755);
    EXPECT_TRUE(platform::IsExecutableFile(script));
    EXPECT_FALSE(platform::IsExecutableFile(dir.Path().string()));
    EXPECT_TRUE(platform::IsDirectory(dir.Path().string()));
    EXPECT_FALSE(platform::IsDirectory(script));
}

// A name is taken by anything that stands under it; only a name known to be free is free.
TEST(FileAttributes, NameTakenByAnythingAndTheFoldersNameLimit) {
    TempDir dir;
    testing_support::WriteFile(dir.File("a.wav"), "x");
    ::chmod(dir.File("a.wav").c_str(), 0);
    std::filesystem::create_directory(dir.File("folder.wav"));
    std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling.wav"));
    ::mkfifo(dir.File("fifo.wav").c_str(), 0600);
    struct Case {
        std::string path;
        bool taken;
    };
    const Case cases[] = {
        {dir.File("a.wav"), true},
        {dir.File("folder.wav"), true},
        {dir.File("dangling.wav"), true},
        {dir.File("fifo.wav"), true},
        {dir.File("free.wav"), false},
        {dir.File("a.wav/below.wav"), false},     // under a file: nothing can be there
        {dir.File(std::string(300, 'x')), true},  // too long to be checked, so not free
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::NameTaken(c.path), c.taken) << c.path;
    }
    EXPECT_EQ(platform::NameMax(dir.Path().string()), 255u);  // the temporary folder's
    EXPECT_EQ(platform::NameMax(dir.File("missing")), 255u);
}

TEST(FileAttributes, SameFileThroughLinksAndHardLinksNotForCopies) {
    TempDir dir;
    testing_support::WriteFile(dir.File("a.wav"), "x");
    testing_support::WriteFile(dir.File("copy.wav"), "x");
    std::filesystem::create_symlink(dir.File("a.wav"), dir.File("link.wav"));
    std::filesystem::create_hard_link(dir.File("a.wav"), dir.File("hard.wav"));
    std::filesystem::create_directory(dir.File("sub"));
    struct Case {
        std::string a;
        std::string b;
        bool same;
    };
    const Case cases[] = {
        {dir.File("a.wav"), dir.File("a.wav"), true},
        {dir.File("a.wav"), dir.File("link.wav"), true},
        {dir.File("a.wav"), dir.File("hard.wav"), true},
        {dir.File("a.wav"), dir.File("sub/../a.wav"), true},
        {dir.File("a.wav"), dir.File("copy.wav"), false},
        {dir.File("a.wav"), dir.File("missing.wav"), false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::SameFile(c.a, c.b), c.same) << c.a << " " << c.b;
    }
}
