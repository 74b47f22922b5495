#include "genre.h"

#include <gtest/gtest.h>

namespace id3 {
namespace {

TEST(GenreTableTest, HoldsTheStoredNamesAtTheirIndexes) {
    const std::vector<std::pair<int, std::string>> cases = {{0, "Blues"},
                                                            {17, "Rock"},
                                                            {40, "Alt. Rock"},
                                                            {67, "Psychadelic"},
                                                            {85, "Bebob"},
                                                            {123, "A capella"},
                                                            {136, "Christian Gangsta"},
                                                            {140, "Contemporary C"},
                                                            {147, "SynthPop"},
                                                            {148, ""},
                                                            {-1, ""},
                                                            {255, ""}};
    EXPECT_EQ(GenreTable().size(), 148u);
    for (const auto& [index, name] : cases) {
        EXPECT_EQ(GenreName(index), name) << index;
    }
}

TEST(GenreTableTest, IndexIgnoresCaseAndSurroundingBlanks) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"Blues", 0},   {"SynthPop", 147}, {"  Jazz  ", 8},      {"rock", 17}, {"ROCK & ROLL", 78},
        {"Remix", 255}, {"", 255},         {"Psychedelic", 255}, {"Rock ", 17}};
    for (const auto& [name, index] : cases) {
        EXPECT_EQ(GenreIndex(name), index) << name;
    }
}

TEST(GenreTextTest, ParseFollowsTheBracketRules) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"(17)", "Rock"},
        {"(17)Rock & Roll", "Rock"},
        {"Rock", "Rock"},
        {"(RX)", "Remix"},
        {"(CR)", "Cover"},
        {"(200)", ""},
        {"()", "()"},
        {"Rock (live)", "Rock (live)"},
        {"x(0)y", "Blues"},
        {"( 5 )", "Funk"},
        {"(2.4)", "Country"},
        {"(-1)", ""},
        {"", ""},
        {"(rx)", "(rx)"},
        {"only ) close", "only ) close"},
        // A bare whole number is an index into the table as well.
        {"35", "House"},
        {"12", "Other"},
        {"0", "Blues"},
        {" 17 ", "Rock"},
        {"147", "SynthPop"},
        {"148", "148"},  // within the old lists' range, but the table has no name for it
        {"191", "191"},
        {"192", "192"},
        {"1000", "1000"},
        {"-3", "-3"},
        {"3.5", "3.5"},
        {"1e1", "1e1"},
        {"35 Live", "35 Live"}};
    for (const auto& [text, genre] : cases) {
        const auto parsed = ParseGenreText(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(*parsed, genre) << text;
    }
}

TEST(GenreTextTest, CloseBeforeOpenAndHugeNumbersAreFaults) {
    for (const std::string text : {")(17", "a)b(c)", "(99999999999)", "(1e300)"}) {
        EXPECT_FALSE(ParseGenreText(text).has_value()) << text;
    }
}

TEST(GenreTextTest, FrameTextAndRoundTrip) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"rock", "(17)Rock"},
                                                                    {"Remix", "Remix"},
                                                                    {"", ""},
                                                                    {" jazz ", "(8)Jazz"},
                                                                    {"Blues", "(0)Blues"}};
    for (const auto& [genre, text] : cases) {
        EXPECT_EQ(GenreFrameText(genre), text) << genre;
    }
    EXPECT_EQ(GenreFrameText(*ParseGenreText("(17)")), "(17)Rock");
}

}  // namespace
}  // namespace id3
