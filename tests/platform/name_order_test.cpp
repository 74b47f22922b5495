// Name order and wildcard matching, as the browser lists names and the run walks folders.
#include "name_order.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

TEST(NameOrder, PatternsMatchCaseIgnoredAndAnyOfTheList) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"song.mp3", "*.mp3", true},
        {"SONG.MP3", "*.mp3", true},
        {"song.mp3x", "*.mp3", false},
        {"song.mp3.bak", "*.mp3", false},
        {"mp3", "*.mp3", false},
        {".mp3", "*.mp3", true},
        {"a.mpa", "*.mpa;*.mp2", true},
        {"a.MP2", "*.mpa;*.mp2", true},
        {"a.mp1", "*.mpa;*.mp2", false},
        {"README", "*.*", true},  // "*.*" also takes names without a dot
        {"a.b.c", "*.*", true},
        {"a.wav", "*.avi;*.ac3;*.mp2;*.mp3;*.mpa;*.ogg;*.vob;*.wav", true},
        {"a.dts", "*.avi;*.ac3;*.mp2;*.mp3;*.mpa;*.ogg;*.vob;*.wav", false},
        {"track01.wav", "track??.wav", true},
        {"track1.wav", "track??.wav", false},
        {"aXbXc", "a*b*c", true},
        {"aXbX", "a*b*c", false},
        {"abc", "", false},
        {"abc", ";;", false},
        {"abc", ";*c", true},
        {"\xff\xfe.mp3", "*.MP3", true},  // names need not be UTF-8
    };
    for (const Case& c : cases) {
        EXPECT_EQ(names::MatchesPattern(c.name, c.pattern), c.match)
            << c.name << " against " << c.pattern;
    }
}

TEST(NameOrder, SortsCaseIgnoredWithBytesAsTieBreak) {
    Names names = {"b.wav", "A.wav", "a.wav", "_x", "B.wav", "a", "ab", "Aa", "\xc3\xa4.wav", "1"};
    names::SortNames(names);
    // Folded, "_" (0x5F) and "." (0x2E) come before the letters; a prefix before the longer
    // name; names that differ only in case keep upper case first. Other bytes as they are.
    const Names expected = {"1",  "_x", "a",     "A.wav", "a.wav",
                            "Aa", "ab", "B.wav", "b.wav", "\xc3\xa4.wav"};
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(names::NameLess("a", "B"));
    EXPECT_TRUE(names::NameLess("A", "a"));
    EXPECT_FALSE(names::NameLess("a", "A"));
    EXPECT_TRUE(names::NameLess("abc", "ABCD"));
    EXPECT_FALSE(names::NameLess("x", "x"));
}
