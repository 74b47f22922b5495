#include "settings_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "../support/small_disk.h"
#include "../support/temp_dir.h"

using settings::ReadSetting;
using settings::SettingToInt;
using settings::WriteSetting;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr const char* kSection = "Tonquell Audio Converter";

TEST(SettingsStore, ANewFileGetsTheSectionAndTheKeysInWritingOrder) {
    TempDir dir;
    const std::string ini = dir.File("tonquell.ini");
    EXPECT_TRUE(WriteSetting(ini, kSection, "LastDir", "/home/u/Musik"));
    EXPECT_TRUE(WriteSetting(ini, kSection, "Format", "1"));
    EXPECT_TRUE(WriteSetting(ini, kSection, "HideBS", "1"));
    EXPECT_EQ(ReadFile(ini),
              "[Tonquell Audio Converter]\nLastDir=/home/u/Musik\nFormat=1\nHideBS=1\n");
    // Writing again replaces in place and keeps the order.
    EXPECT_TRUE(WriteSetting(ini, kSection, "format", "3"));
    EXPECT_EQ(ReadFile(ini),
              "[Tonquell Audio Converter]\nLastDir=/home/u/Musik\nformat=3\nHideBS=1\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SettingsStore, ReadingFindsNamesInAnyCaseAndFallsBackToTheDefault) {
    TempDir dir;
    const std::string ini = dir.File("tonquell.ini");
    WriteFile(ini,
              "; comment\r\n[Other]\r\nFormat=9\r\n[TONQUELL AUDIO CONVERTER]\r\n"
              "  lastdir = /srv/a b  \r\nHideBS=\r\nFormat=2x\r\n[Next]\r\nHideBS=0\r\n");
    struct Case {
        const char* key;
        const char* defaultValue;
        const char* expected;
    };
    const Case cases[] = {
        {"LastDir", "/", "/srv/a b"},
        {"HideBS", "1", "1"},  // present but empty: the default
        {"Format", "0", "2x"},
        {"Missing", "dflt", "dflt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadSetting(ini, kSection, c.key, c.defaultValue), c.expected) << c.key;
    }
    EXPECT_EQ(ReadSetting(dir.File("none.ini"), kSection, "Format", "0"), "0");
    EXPECT_EQ(ReadSetting(ini, "Missing Section", "Format", "0"), "0");
}

TEST(SettingsStore, NewKeysGoToTheEndOfTheirSectionAndLineEndingsStay) {
    TempDir dir;
    const std::string ini = dir.File("tonquell.ini");
    WriteFile(ini, "[tonquell audio converter]\r\nLastDir=/a\r\n\r\n[Next]\r\nX=1\r\n");
    EXPECT_TRUE(WriteSetting(ini, kSection, "Format", "2"));
    EXPECT_EQ(ReadFile(ini),
              "[tonquell audio converter]\r\nLastDir=/a\r\nFormat=2\r\n\r\n[Next]\r\nX=1\r\n");
}

TEST(SettingsStore, LongValuesArriveCutTo2047Characters) {
    TempDir dir;
    const std::string ini = dir.File("tonquell.ini");
    const std::string longValue(3000, 'x');
    ASSERT_TRUE(WriteSetting(ini, kSection, "LastDir", longValue));
    EXPECT_EQ(ReadSetting(ini, kSection, "LastDir", ""), std::string(2047, 'x'));
}

TEST(SettingsStore, AReadOnlyFileOrFolderLosesTheNewValueAndKeepsTheOld) {
    TempDir dir;
    const std::string ini = dir.File("tonquell.ini");
    WriteFile(ini, "[Tonquell Audio Converter]\nFormat=1\n");
    ::chmod(ini.c_str(), 0444);
    EXPECT_FALSE(WriteSetting(ini, kSection, "Format", "3"));
    EXPECT_EQ(ReadFile(ini), "[Tonquell Audio Converter]\nFormat=1\n");
    EXPECT_EQ(ReadSetting(ini, kSection, "Format", "0"), "1");
    if (::geteuid() != 0) {
        // A folder that may not be written: the file cannot be replaced either.
        ::chmod(ini.c_str(), 0644);
        ::chmod(dir.Path().c_str(), 0555);
        EXPECT_FALSE(WriteSetting(ini, kSection, "Format", "3"));
        ::chmod(dir.Path().c_str(), 0755);
        EXPECT_EQ(ReadFile(ini), "[Tonquell Audio Converter]\nFormat=1\n");
    }
}

TEST(SettingsStore, AFullDiskOrAFolderTurnedReadOnlyKeepsTheOldFileWhole) {
    TempDir dir;
    const testing_support::SmallDisk disk(dir.Path() / "disk", 8192);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount a small disk here";
    }
    const std::string ini = disk.File("tonquell.ini");
    const std::string old = "[Tonquell Audio Converter]\nLastDir=/m\nFormat=1\n";
    WriteFile(ini, old);
    // Two pages of disk: the old file holds one, the new one would need two.
    EXPECT_FALSE(WriteSetting(ini, kSection, "Comment", std::string(6000, 'y')));
    EXPECT_EQ(ReadFile(ini), old);
    ASSERT_TRUE(disk.SetReadOnly(true));
    EXPECT_FALSE(WriteSetting(ini, kSection, "Format", "3"));
    ASSERT_TRUE(disk.SetReadOnly(false));
    EXPECT_EQ(ReadFile(ini), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.Folder()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SettingsStore, AFileThatCannotBeCreatedIsReportedAndNothingIsLeft) {
    EXPECT_FALSE(WriteSetting("/nonexistent-folder-tonquell/x.ini", kSection, "Format", "1"));
}

TEST(SettingsStore, NumbersAreReadFromTheStartAndRoundedHalfToEven) {
    struct Case {
        const char* text;
        std::optional<std::int16_t> value;
    };
    const Case cases[] = {
        {"2", 2},
        {"2x", 2},
        {"abc", 0},
        {"", 0},
        {"1.5", 2},
        {"2.5", 2},
        {"0.5", 0},
        {"-1.5", -2},
        {"3.49", 3},
        {" 1 2", 12},
        {"\t3", 3},
        {"+4", 4},
        {"3e2", 300},
        {"2e", 2},
        {"1.5.5", 2},
        {"-", 0},
        {"32767", 32767},
        {"-32768", -32768},
        {"32768", std::nullopt},
        {"99999", std::nullopt},
        {"1e400", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingToInt(c.text), c.value) << '"' << c.text << '"';
    }
}
