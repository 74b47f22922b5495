#include "paths.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

using paths::PathStyle;
constexpr PathStyle kWin = PathStyle::Windows;
constexpr PathStyle kPosix = PathStyle::Posix;

struct PathCase {
    const char* in;
    const char* out;
};

TEST(Paths, AddBackslash) {
    const PathCase win[] = {{"C:\\Musik", "C:\\Musik\\"},
                            {"C:\\", "C:\\"},
                            {"", "\\"},
                            {"a.mp3", "a.mp3\\"},
                            {"C:", "C:\\"}};
    for (const auto& c : win) {
        EXPECT_EQ(paths::AddBackslash(c.in, kWin), c.out) << c.in;
    }
    const PathCase posix[] = {{"/home/u", "/home/u/"}, {"/", "/"}, {"", "/"}};
    for (const auto& c : posix) {
        EXPECT_EQ(paths::AddBackslash(c.in, kPosix), c.out) << c.in;
    }
}

TEST(Paths, ParentPath) {
    const PathCase win[] = {
        {"C:\\Musik\\a.mp3", "C:\\Musik"},
        {"C:\\Musik\\", "C:"},
        {"C:\\a.mp3", "C:"},
        {"a.mp3", "a.mp3"},
        {"\\\\server\\share\\a.mp3", "\\server\\share"},
        {"\\", ""},
        {"", ""},
    };
    for (const auto& c : win) {
        EXPECT_EQ(paths::ParentPath(c.in, kWin), c.out) << c.in;
    }
    // A path without a separator keeps itself, and AddBackslash then makes a folder of it.
    EXPECT_EQ(paths::AddBackslash(paths::ParentPath("a.mp3", kWin), kWin), "a.mp3\\");

    // POSIX: an absolute path keeps its root.
    const PathCase posix[] = {
        {"/home/u/a.mp3", "/home/u"},
        {"/a.mp3", "/"},
        {"music/a.mp3", "music"},
        {"/home/u/", "/home"},
        {"/", "/"},
        {"a.mp3", "a.mp3"},
        {"", ""},
    };
    for (const auto& c : posix) {
        EXPECT_EQ(paths::ParentPath(c.in, kPosix), c.out) << c.in;
    }
}

TEST(Paths, LastPathPart) {
    const PathCase win[] = {{"C:\\Musik\\a.mp3", "a.mp3"},
                            {"C:\\Musik\\", "Musik"},
                            {"a.mp3", "a.mp3"},
                            {"C:\\", "C:"},
                            {"", ""}};
    for (const auto& c : win) {
        EXPECT_EQ(paths::LastPathPart(c.in, kWin), c.out) << c.in;
    }
    const PathCase posix[] = {{"/home/u/a.mp3", "a.mp3"}, {"/home/u/", "u"}, {"/", ""}};
    for (const auto& c : posix) {
        EXPECT_EQ(paths::LastPathPart(c.in, kPosix), c.out) << c.in;
    }
}

TEST(Paths, StripQuotes) {
    const PathCase cases[] = {
        {"\"C:\\Musik\\a.mp3\"", "C:\\Musik\\a.mp3"},
        {"C:\\Musik\\a.mp3", "C:\\Musik\\a.mp3"},
        {"ab\"\"cd", "ab\"cd"},  // of two adjacent quotes the second stays
        {"\"\"", "\""},          // the same at the start
        {"\"ab\"", "ab"},
        {"\"a\"", "a\""},  // the closing quote is one of the two skipped characters
        {"\"", ""},
        {"a\"b\"c", "ab\"c"},  // a quote among the two skipped characters stays
        {"a\"bc\"d", "abcd"},
        {"x\"y\"", "xy\""},
        {"a\"bc\"\"d", "abc\"d"},  // the third character after a removed quote is examined
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        paths::StripQuotes(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(Paths, CaseAdjustedFallback) {
    const PathCase win[] = {
        {"\"C:\\MUSIK\\ABBA - SOS.MP3\"", "\"c:\\Musik\\Abba - Sos.mp3\""},
        {"C:\\MUSIK\\ABBA - SOS.MP3", "C:\\Musik\\Abba - Sos.mp3"},
        {"d:\\my_files(old)\\x-y z.wav", "D:\\My_Files(Old)\\X-Y Z.wav"},
        {"123\\ABC", "123\\Abc"},
        {"", ""},
    };
    for (const auto& c : win) {
        EXPECT_EQ(paths::ExpandShortNames(c.in, kWin), c.out) << c.in;
    }
    // On POSIX the separator is "/"; Latin-1 letters in UTF-8 change case too.
    const PathCase posix[] = {
        {"/nonexistent-tonquell/MUSIK/ÜBER ÄRGER.MP3",
         "/Nonexistent-Tonquell/Musik/Über Ärger.mp3"},
        {"/nonexistent-tonquell/über", "/Nonexistent-Tonquell/Über"},
        {"/nonexistent-tonquell/ß\xff", "/Nonexistent-Tonquell/ß\xff"},  // stray bytes stay
    };
    for (const auto& c : posix) {
        EXPECT_EQ(paths::ExpandShortNames(c.in, kPosix), c.out) << c.in;
    }
}

TEST(Paths, ExpandShortNamesKeepsAnExistingPosixPathAsItIs) {
    testing_support::TempDir dir;
    const std::string file = dir.File("MiXeD CaSe.MP3");
    testing_support::WriteFile(file, "x");
    EXPECT_EQ(paths::ExpandShortNames(file, kPosix), file);
    EXPECT_EQ(paths::ExpandShortNames(dir.Path().string(), kPosix), dir.Path().string());
    // Quoted, it does not exist, so it is case-adjusted like on the other system.
    EXPECT_NE(paths::ExpandShortNames("\"" + file + "\"", kPosix), "\"" + file + "\"");
}

TEST(Paths, FileExistsIsFalseForAFolder) {
    testing_support::TempDir dir;
    EXPECT_FALSE(paths::FileExists(dir.Path().string()));
    testing_support::WriteFile(dir.File("a.wav"), "");
    EXPECT_TRUE(paths::FileExists(dir.File("a.wav")));
}
