#include "source_walk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using Names = std::vector<std::string>;

// A folder of the list with loose files and three albums, one of them with CDs below it.
class SourceWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file :
             {"b loose.mp3", "A loose.mp3", "cover.jpg", ".hidden.mp3", "Album B/02.mp3",
              "Album B/01.MP3", "Album B/notes.txt", "album a/10.mp3", "album a/9.mp3",
              "album a/CD 2/01.mp3", "album a/cd 1/01.mp3", "album a/cd 1/.sync/x.mp3",
              "album a/.Trash/y.mp3", "Zeta/z.mp3", "Unchosen/u.mp3"}) {
            Touch(file);
        }
    }
    void Touch(const std::string& relative) const {
        fs::create_directories((dir_.Path() / relative).parent_path());
        testing_support::WriteFile(dir_.File(relative), "x");
    }
    std::string Folder() const { return dir_.Path().string(); }
    Names Relatives(const std::vector<batch::Entry>& entries, bool convertAll = false,
                    const std::string& pattern = "*.mp3",
                    std::optional<platform::FolderId> skip = std::nullopt) const {
        Names names;
        for (const batch::Source& s :
             batch::WalkSources(Folder(), entries, convertAll, pattern, skip)) {
            EXPECT_EQ(s.Path, Folder() + "/" + s.Relative);
            names.push_back(s.Relative);
        }
        return names;
    }

    TempDir dir_;
};

// The selected files in list order first, then each selected folder's tree: its files by
// name (case ignored), then its sub-folders the same way, depth first. The parent, the
// unselected folders, hidden names and files the filter hides never count.
TEST_F(SourceWalkTest, ChosenFilesThenEachTreeDepthFirstInNameOrder) {
    const std::vector<batch::Entry> entries = {{"..", true, true, true}, {"album a", true, true},
                                               {"Album B", true, true},  {"Unchosen", false, true},
                                               {"Zeta", true, true},     {"b loose.mp3", true},
                                               {"A loose.mp3", true},    {"cover.jpg", true}};
    EXPECT_EQ(Relatives(entries),
              (Names{"b loose.mp3", "A loose.mp3", "cover.jpg", "album a/10.mp3", "album a/9.mp3",
                     "album a/cd 1/01.mp3", "album a/CD 2/01.mp3", "Album B/01.MP3",
                     "Album B/02.mp3", "Zeta/z.mp3"}));
    // Whole-folder mode takes every file entry of the list; folders still only when chosen.
    const std::vector<batch::Entry> all = {{"Album B", false, true},
                                           {"Zeta", true, true},
                                           {"A loose.mp3", false},
                                           {"b loose.mp3", false}};
    EXPECT_EQ(Relatives(all, true), (Names{"A loose.mp3", "b loose.mp3", "Zeta/z.mp3"}));
    // "*.*" also takes what is no audio, never what is hidden.
    EXPECT_EQ(Relatives({{"Album B", true, true}}, false, "*.*"),
              (Names{"Album B/01.MP3", "Album B/02.mp3", "Album B/notes.txt"}));
    EXPECT_EQ(Relatives({{"Album B", false, true}, {"..", true, true, true}}), Names{});
}

// Entries from folders other than the list's (a terminal's paths) are taken from their own
// folder and named from there; without sub-folders a chosen folder gives its own files only.
TEST_F(SourceWalkTest, EntriesOfOtherFoldersAndTreesWithoutSubFolders) {
    batch::Entry album{"album a", true, true};
    album.Within = Folder();
    batch::Entry loose{"02.mp3", true};
    loose.Within = dir_.File("Album B");
    Names relatives;
    Names paths;
    for (const bool subFolders : {false, true}) {
        for (const batch::Source& s :
             batch::WalkSources({}, {album, loose}, false, "*.mp3", std::nullopt, subFolders)) {
            relatives.push_back(s.Relative);
            paths.push_back(s.Path);
        }
    }
    EXPECT_EQ(relatives,
              (Names{"02.mp3", "album a/10.mp3", "album a/9.mp3", "02.mp3", "album a/10.mp3",
                     "album a/9.mp3", "album a/cd 1/01.mp3", "album a/CD 2/01.mp3"}));
    EXPECT_EQ(paths[0], dir_.File("Album B/02.mp3"));
    EXPECT_EQ(paths[1], dir_.File("album a/10.mp3"));
}

// A link back up, a loop and a second way to the same album: each folder once, and the walk
// ends. The first way the walk reaches a folder is the one its files are named by.
TEST_F(SourceWalkTest, EveryFolderOnceThroughLinksAndLoops) {
    fs::create_directory_symlink("..", dir_.Path() / "Album B" / "up");
    fs::create_directory_symlink("../album a", dir_.Path() / "Album B" / "also a");
    fs::create_directory_symlink(".", dir_.Path() / "Zeta" / "self");
    fs::create_directory_symlink(dir_.Path() / "Unchosen", dir_.Path() / "Zeta" / "link");
    fs::create_symlink(dir_.File("Zeta/z.mp3"), dir_.File("Zeta/y.mp3"));
    fs::create_symlink(dir_.File("missing.mp3"), dir_.File("Zeta/dangling.mp3"));
    EXPECT_EQ(Relatives({{"Album B", true, true}, {"album a", true, true}, {"Zeta", true, true}}),
              (Names{"Album B/01.MP3", "Album B/02.mp3", "Album B/also a/10.mp3",
                     "Album B/also a/9.mp3", "Album B/also a/cd 1/01.mp3",
                     "Album B/also a/CD 2/01.mp3", "Zeta/y.mp3", "Zeta/z.mp3", "Zeta/link/u.mp3"}));
}

// The output folder is never walked, wherever it lies in a tree; files written into it are
// therefore never sources of the run that writes them.
TEST_F(SourceWalkTest, TheOutputFolderIsSkippedInsideATree) {
    Touch("album a/out/old.mp3");
    const auto out = platform::FolderIdOf(dir_.File("album a/out"));
    ASSERT_TRUE(out);
    EXPECT_EQ(
        Relatives({{"album a", true, true}}, false, "*.mp3", out),
        (Names{"album a/10.mp3", "album a/9.mp3", "album a/cd 1/01.mp3", "album a/CD 2/01.mp3"}));
    const auto whole = platform::FolderIdOf(dir_.File("Zeta"));
    EXPECT_EQ(Relatives({{"Zeta", true, true}}, false, "*.mp3", whole), Names{});
}

// A few folders at a time, with the same result as all at once; a folder that cannot be
// read is named, and the rest of the tree still counts.
TEST_F(SourceWalkTest, StepsGiveTheSameSourcesAndNameUnreadableFolders) {
    const std::vector<batch::Entry> entries = {{"album a", true, true}, {"Album B", true, true}};
    batch::SourceWalk walk(Folder(), entries, false, "*.mp3", std::nullopt);
    int steps = 1;
    while (!walk.Step(1)) {
        ++steps;
    }
    EXPECT_EQ(steps, 4);  // four folders that are not hidden, one a step
    EXPECT_EQ(walk.Sources(), batch::WalkSources(Folder(), entries, false, "*.mp3"));
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every folder";
    }
    ::chmod(dir_.File("album a/cd 1").c_str(), 0);
    batch::SourceWalk locked(Folder(), entries, false, "*.mp3", std::nullopt);
    locked.Step(100);
    ::chmod(dir_.File("album a/cd 1").c_str(), 0755);
    ASSERT_EQ(locked.Unreadable().size(), 1u);
    EXPECT_EQ(locked.Unreadable()[0].Path, dir_.File("album a/cd 1"));
    EXPECT_EQ(locked.Sources().size(), 5u);
}

}  // namespace
