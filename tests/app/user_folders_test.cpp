#include "user_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"

using testing_support::ScopedEnv;

// The forms xdg-user-dirs writes, and the ones the format refuses.
TEST(UserFolders, MusicKeyOfAUserDirsFile) {
    struct Case {
        const char* text;
        std::string folder;
    };
    const Case cases[] = {
        {"XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "/home/anna/Musik"},
        {"# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
         "XDG_MUSIC_DIR=\"$HOME/Meine Musik\"\nXDG_VIDEOS_DIR=\"$HOME/Videos\"\n",
         "/home/anna/Meine Musik"},
        {"XDG_MUSIC_DIR=\"/srv/audio\"", "/srv/audio"},
        {"  XDG_MUSIC_DIR=\"$HOME/Mit \\\"Zitat\\\"\"\n", "/home/anna/Mit \"Zitat\""},
        {"XDG_MUSIC_DIR=\"$HOME\"\n", "/home/anna"},
        {"XDG_MUSIC_DIR=\"$HOME/A\"\nXDG_MUSIC_DIR=\"$HOME/B\"\n", "/home/anna/B"},
        // Refused: relative, unquoted, unclosed, another key with the same start, none.
        {"XDG_MUSIC_DIR=\"Musik\"\n", ""},
        {"XDG_MUSIC_DIR=$HOME/Musik\n", ""},
        {"XDG_MUSIC_DIR=\"$HOME/Musik\n", ""},
        {"XDG_MUSIC_DIRS=\"$HOME/Musik\"\n", ""},
        {"# XDG_MUSIC_DIR=\"$HOME/Musik\"\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(user_folders::UserDirFromText(c.text, "XDG_MUSIC_DIR", "/home/anna"), c.folder)
            << c.text;
    }
}

// A portable program starts in its own folder; an installed one, or one whose folder it cannot
// write, in the music folder, or at home where there is none.
TEST(UserFolders, FirstFolderOfPortableAndInstalledPrograms) {
    testing_support::TempDir dir;
    const std::string home = dir.File("home");
    const std::string program = dir.File("program") + "/";
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(program);
    const ScopedEnv homeEnv("HOME", home.c_str());
    const ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);

    EXPECT_EQ(user_folders::FirstFolder(program, false), program);
    EXPECT_EQ(user_folders::FirstFolder(program, true), home);  // no user-dirs.dirs yet

    testing_support::WriteFile(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(user_folders::FirstFolder(program, true), home);  // named, but not there
    std::filesystem::create_directories(home + "/Musik");
    EXPECT_EQ(user_folders::MusicFolder(), home + "/Musik");
    EXPECT_EQ(user_folders::FirstFolder(program, true), home + "/Musik");

    // XDG_CONFIG_HOME moves the file.
    {
        const ScopedEnv moved("XDG_CONFIG_HOME", dir.File("elsewhere").c_str());
        EXPECT_EQ(user_folders::MusicFolder(), "");
    }
    // A program folder that cannot be written counts as installed (root writes anywhere).
    ::chmod(program.c_str(), 0555);
    if (::access(program.c_str(), W_OK) != 0) {
        EXPECT_EQ(user_folders::FirstFolder(program, false), home + "/Musik");
    }
    ::chmod(program.c_str(), 0755);
}
