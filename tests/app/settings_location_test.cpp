#include "settings_location.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "settings_store.h"

namespace {

const std::string kSection = "Tonquell Audio Converter";

using testing_support::ScopedEnv;

}  // namespace

TEST(SettingsLocation, UserFileFollowsXdgConfigHomeOrHome) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string path;
    };
    const Case cases[] = {
        {"/cfg", "/home/anna", "/cfg/tonquell/tonquell.ini"},
        {nullptr, "/home/anna", "/home/anna/.config/tonquell/tonquell.ini"},
        {"", "/home/anna", "/home/anna/.config/tonquell/tonquell.ini"},
        {"relative/cfg", "/home/anna", "/home/anna/.config/tonquell/tonquell.ini"},
    };
    for (const Case& c : cases) {
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(settings::UserSettingsPath(), c.path) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(SettingsLocation, AWritableProgramFolderKeepsItsFile) {
    testing_support::TempDir dir;
    const settings::SettingsFiles files{dir.File("tonquell.ini"), dir.File("cfg/tonquell.ini")};
    EXPECT_EQ(settings::ReadPath(files), files.beside);
    EXPECT_EQ(settings::WriteSettings(files, kSection, {{"LastDir", "/m"}, {"Format", "1"}}),
              files.beside);
    EXPECT_EQ(settings::ReadSetting(files.beside, kSection, "Format", "0"), "1");
    EXPECT_FALSE(std::filesystem::exists(files.user));
}

TEST(SettingsLocation, AProgramFolderThatCannotBeWrittenSendsTheSettingsToTheUser) {
    testing_support::TempDir dir;
    // A plain file stands where the folder would be: nobody, root included, can write there.
    testing_support::WriteFile(dir.File("usr"), "");
    const settings::SettingsFiles files{dir.File("usr/tonquell.ini"),
                                        dir.File("home/.config/tonquell/tonquell.ini")};
    const std::string written = settings::WriteSettings(
        files, kSection, {{"LastDir", "/musik"}, {"Format", "3"}, {"HideBS", "0"}});
    EXPECT_EQ(written, files.user);
    EXPECT_EQ(testing_support::ReadFile(files.user),
              "[Tonquell Audio Converter]\nLastDir=/musik\nFormat=3\nHideBS=0\n");
    // The next start reads from there, and the next close writes there again.
    EXPECT_EQ(settings::ReadPath(files), files.user);
    EXPECT_EQ(settings::WriteSettings(files, kSection, {{"Format", "1"}}), files.user);
    EXPECT_EQ(settings::ReadSetting(files.user, kSection, "Format", "0"), "1");
    EXPECT_EQ(settings::ReadSetting(files.user, kSection, "LastDir", ""), "/musik");

    // Neither place writable: nothing is written and the caller hears of it.
    testing_support::WriteFile(dir.File("nohome"), "");
    const settings::SettingsFiles nowhere{dir.File("usr/tonquell.ini"),
                                          dir.File("nohome/tonquell/tonquell.ini")};
    EXPECT_EQ(settings::WriteSettings(nowhere, kSection, {{"Format", "1"}}), "");
}

TEST(SettingsLocation, AProgramInstalledUnderUsrKeepsItsSettingsWithTheUser) {
    testing_support::TempDir dir;
    const ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("cfg").c_str());
    const struct {
        const char* iniPath;
        bool system;
    } cases[] = {
        {"/usr/lib/tonquell/tonquell.ini", true},
        {"/usr/local/lib/tonquell/tonquell.ini", true},
        {"/home/anna/tonquell/build/tonquell.ini", false},
        {"/usrx/tonquell.ini", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settings::IsSystemInstall(c.iniPath), c.system) << c.iniPath;
        const settings::SettingsFiles files = settings::SettingsFilesFor(c.iniPath);
        EXPECT_EQ(files.beside.empty(), c.system) << c.iniPath;
    }
    // With no user file yet, the first start reads the user's (missing) file and the close
    // creates it, folders included; nothing is written beside the executable.
    const settings::SettingsFiles files =
        settings::SettingsFilesFor("/usr/lib/tonquell/tonquell.ini");
    EXPECT_EQ(settings::ReadPath(files), dir.File("cfg/tonquell/tonquell.ini"));
    EXPECT_EQ(settings::WriteSettings(files, kSection, {{"HideBS", "0"}}), files.user);
    EXPECT_EQ(settings::ReadSetting(files.user, kSection, "HideBS", "1"), "0");
}
