#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "file_list.h"
#include "folder_list.h"

using Names = std::vector<std::string>;
namespace fs = std::filesystem;

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d : {"beta", "Alpha", "gamma", ".hidden", "zeta"}) {
            fs::create_directory(dir_.Path() / d);
        }
        for (const char* f : {"b.mp3", "A.MP3", "c.wav", ".secret.mp3", "notes.txt", "[live].mp3",
                              "\xff\xfe.mp3"}) {
            testing_support::WriteFile(dir_.File(f), "x");
        }
        fs::create_symlink(dir_.Path() / "c.wav", dir_.Path() / "link.wav");
        fs::create_symlink(dir_.Path() / "missing.wav", dir_.Path() / "dangling.wav");
        fs::create_symlink(dir_.Path() / "beta", dir_.Path() / "linkdir");
    }
    testing_support::TempDir dir_;
};

TEST_F(FolderTest, FolderListHasSubFoldersInOrderWithoutDotNames) {
    file_lists::FolderList folders;
    ASSERT_TRUE(folders.SetPath(dir_.Path().string() + "/"));
    EXPECT_EQ(folders.Path(), dir_.Path().string());
    EXPECT_EQ(folders.SubFolders(), (Names{"Alpha", "beta", "gamma", "linkdir", "zeta"}));
}

TEST_F(FolderTest, FolderPathsAreNormalised) {
    struct Case {
        std::string in;
        std::string path;
    };
    const std::string base = dir_.Path().string();
    const Case cases[] = {
        {base + "/beta/", base + "/beta"},
        {base + "/beta/../gamma", base + "/gamma"},
        {base + "//zeta/.", base + "/zeta"},
        {"/", "/"},
    };
    for (const Case& c : cases) {
        file_lists::FolderList folders;
        ASSERT_TRUE(folders.SetPath(c.in)) << c.in;
        EXPECT_EQ(folders.Path(), c.path) << c.in;
    }
    // A relative folder is taken from the working folder.
    const fs::path before = fs::current_path();
    fs::current_path(dir_.Path());
    file_lists::FolderList folders;
    EXPECT_TRUE(folders.SetPath("gamma"));
    fs::current_path(before);
    EXPECT_EQ(folders.Path(), base + "/gamma");
}

TEST_F(FolderTest, AFolderThatCannotBeReadLeavesTheListAsItWas) {
    file_lists::FolderList folders;
    ASSERT_TRUE(folders.SetPath(dir_.Path().string()));
    for (const std::string& bad :
         {dir_.File("nowhere"), dir_.File("c.wav"), dir_.File("dangling.wav"), std::string()}) {
        EXPECT_FALSE(folders.SetPath(bad)) << bad;
        EXPECT_EQ(folders.Path(), dir_.Path().string());
        EXPECT_EQ(folders.SubFolders().size(), 5u);
    }
}

TEST_F(FolderTest, FileListFiltersSortsAndKeepsRawNames) {
    struct Case {
        const char* pattern;
        Names files;
    };
    const Case cases[] = {
        {"*.*", {"[live].mp3", "A.MP3", "b.mp3", "c.wav", "link.wav", "notes.txt", "\xff\xfe.mp3"}},
        {"*.mp3", {"[live].mp3", "A.MP3", "b.mp3", "\xff\xfe.mp3"}},
        {"*.wav", {"c.wav", "link.wav"}},  // the link to a file is listed, the dangling one not
        {"*.ogg", {}},
    };
    for (const Case& c : cases) {
        file_lists::FileList files;
        files.SetPattern(c.pattern);
        files.SetPath(dir_.Path().string());
        EXPECT_EQ(files.Files(), c.files) << c.pattern;
    }
}

TEST_F(FolderTest, FileListRereadsOnlyWhenAsked) {
    file_lists::FileList files;
    files.SetPattern("*.wav");
    files.SetPath(dir_.Path().string());
    testing_support::WriteFile(dir_.File("d.wav"), "x");
    EXPECT_EQ(files.Files(), (Names{"c.wav", "link.wav"}));
    files.Read();
    EXPECT_EQ(files.Files(), (Names{"c.wav", "d.wav", "link.wav"}));
    // A folder that has gone gives no files rather than an error.
    files.SetPath(dir_.File("nowhere"));
    EXPECT_TRUE(files.Files().empty());
}
