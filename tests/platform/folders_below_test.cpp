#include "folders_below.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace fs = std::filesystem;
using platform::BelowError;
using testing_support::TempDir;

TEST(FolderIdOf, OneIdForEveryPathToAFolderNoneForOthers) {
    TempDir dir;
    fs::create_directory(dir.File("real"));
    fs::create_symlink(dir.File("real"), dir.File("link"));
    testing_support::WriteFile(dir.File("file"), "x");
    const auto real = platform::FolderIdOf(dir.File("real"));
    ASSERT_TRUE(real);
    EXPECT_EQ(platform::FolderIdOf(dir.File("link")), real);
    EXPECT_EQ(platform::FolderIdOf(dir.File("real/")), real);
    EXPECT_NE(platform::FolderIdOf(dir.Path().string()), real);
    EXPECT_FALSE(platform::FolderIdOf(dir.File("file")));
    EXPECT_FALSE(platform::FolderIdOf(dir.File("missing")));
    EXPECT_FALSE(platform::FolderIdOf(""));
}

TEST(MakeFoldersBelow, MakesWhatIsMissingAndStopsAtLinksFilesAndDots) {
    TempDir dir;
    TempDir elsewhere;
    const std::string out = dir.File("out");
    fs::create_directory(out);
    fs::create_directories(out + "/have/deep");
    fs::create_symlink(elsewhere.Path(), out + "/away");
    fs::create_symlink(out + "/have", out + "/inside");  // a link that stays inside is a link too
    testing_support::WriteFile(out + "/plain", "x");
    struct Case {
        std::string relative;
        BelowError error;
        std::string part;
    };
    const Case cases[] = {
        {"", BelowError::None, ""},
        {"new", BelowError::None, ""},
        {"Album A/CD 1/Bonus", BelowError::None, ""},
        {"have/deep", BelowError::None, ""},
        {"have//deep/", BelowError::None, ""},
        {"away", BelowError::Link, "away"},
        {"away/sub", BelowError::Link, "away"},
        {"inside/sub", BelowError::Link, "inside"},
        {"have/plain/x", BelowError::None, ""},
        {"plain/x", BelowError::NotAFolder, "plain"},
        {"have/../..", BelowError::NotAFolder, "have/.."},
        {"./x", BelowError::NotAFolder, "."},
    };
    for (const Case& c : cases) {
        const platform::BelowResult got = platform::MakeFoldersBelow(out, c.relative);
        EXPECT_EQ(got.Error, c.error) << c.relative;
        EXPECT_EQ(got.Part, c.part) << c.relative;
        if (c.error == BelowError::None) {
            EXPECT_TRUE(fs::is_directory(out + "/" + c.relative)) << c.relative;
        }
    }
    // Nothing was made through the links, nor beside the output folder.
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
    EXPECT_FALSE(fs::exists(out + "/have/sub"));
    EXPECT_FALSE(fs::exists(dir.File("x")));
}

// The check of a dry run meets what the making would meet, and makes nothing: a missing part,
// or a missing base, ends it as Ok.
TEST(CheckFoldersBelow, FindsLinksAndFilesInTheWayAndMakesNothing) {
    TempDir dir;
    TempDir elsewhere;
    const std::string out = dir.File("out");
    fs::create_directories(out + "/have");
    fs::create_symlink(elsewhere.Path(), out + "/away");
    testing_support::WriteFile(out + "/have/plain", "x");
    const std::pair<std::string, BelowError> cases[] = {
        {"have", BelowError::None},
        {"new/deeper/still", BelowError::None},
        {"away/sub", BelowError::Link},
        {"have/plain/x", BelowError::NotAFolder},
        {"have/../x", BelowError::NotAFolder},
    };
    for (const auto& [relative, error] : cases) {
        EXPECT_EQ(platform::CheckFoldersBelow(out, relative).Error, error) << relative;
    }
    EXPECT_EQ(platform::CheckFoldersBelow(out, "away/sub").Part, "away");
    EXPECT_TRUE(platform::CheckFoldersBelow(dir.File("not yet"), "a/b").Ok());
    EXPECT_EQ(platform::CheckFoldersBelow(out + "/have/plain", "a").Error, BelowError::NotAFolder);
    EXPECT_FALSE(fs::exists(out + "/new"));
    EXPECT_FALSE(fs::exists(dir.File("not yet")));
}

TEST(MakeFoldersBelow, ABaseThatCannotBeWrittenOrIsNoFolderSaysWhy) {
    TempDir dir;
    const std::string out = dir.File("locked");
    fs::create_directory(out);
    testing_support::WriteFile(dir.File("file"), "x");
    EXPECT_EQ(platform::MakeFoldersBelow(dir.File("file"), "a").Error, BelowError::NotAFolder);
    const platform::BelowResult missing = platform::MakeFoldersBelow(dir.File("none"), "a");
    EXPECT_EQ(missing.Error, BelowError::System);
    EXPECT_EQ(missing.Errno, ENOENT);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    ::chmod(out.c_str(), 0555);
    const platform::BelowResult locked = platform::MakeFoldersBelow(out, "a/b");
    ::chmod(out.c_str(), 0755);
    EXPECT_EQ(locked.Error, BelowError::System);
    EXPECT_EQ(locked.Errno, EACCES);
    EXPECT_EQ(locked.Part, "a");
}
