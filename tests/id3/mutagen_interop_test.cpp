// Cross-checks against mutagen: files tagged by mutagen (or made by hand where mutagen cannot
// write the form) are read alike by both, and tags we write are read back by mutagen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;
using id3test::MakeTags;
using id3test::Quote;
using id3test::ReadFile;
using id3test::RunCommand;
using id3test::TempDir;
using id3test::WriteFile;

const std::string kHelper =
    "/usr/bin/python3 " + Quote(TONQUELL_SOURCE_DIR "/tests/id3/mutagen_check.py");
const std::string kTool = Quote(TONQUELL_BUILD_DIR "/tonquell-tags");

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string FieldsJson(const TagSet& tag) {
    const std::vector<std::pair<const char*, std::string>> fields = {
        {"Artist", tag.Artist},     {"Album", tag.Album},
        {"Title", tag.Title},       {"Year", tag.Year},
        {"Genre", tag.Genre},       {"Comment", tag.Comment},
        {"Track", tag.Track},       {"EncodedBy", tag.EncodedBy},
        {"Url", tag.Url},           {"Copyright", tag.Copyright},
        {"Composer", tag.Composer}, {"OriginalArtist", tag.OriginalArtist}};
    std::string out = "{";
    for (const auto& [name, value] : fields) {
        out += (out.size() > 1 ? ", " : "") + Json(name) + ": " + Json(value);
    }
    return out + "}";
}

class MutagenInteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0) {
            GTEST_SKIP() << "python3-mutagen is not installed";
        }
        audioPath_ = dir_.File("tone.mp3");
        WriteFile(audioPath_, id3test::Mp3Audio());
    }

    std::string Make(const std::string& scenario) {
        const std::string path = dir_.File(scenario + ".mp3");
        EXPECT_EQ(
            RunCommand(kHelper + " make " + scenario + " " + Quote(audioPath_) + " " + Quote(path)),
            0)
            << scenario;
        return path;
    }

    // Mutagen's complaints about the file, empty when it reads what `wanted` says.
    std::string Expect(const std::string& path, const std::string& wanted) {
        std::string out;
        RunCommand(kHelper + " expect " + Quote(path) + " " + Quote(wanted), &out);
        return out;
    }

    TempDir dir_;
    std::string audioPath_;
};

TEST_F(MutagenInteropTest, OurReaderAgreesWithMutagenOnItsFiles) {
    std::string names;
    ASSERT_EQ(RunCommand(kHelper + " scenarios", &names), 0);
    std::istringstream lines(names);
    int count = 0;
    for (std::string scenario; std::getline(lines, scenario);) {
        const std::string path = Make(scenario);
        const std::string v1Only = scenario == "v24-footer-at-end" ? " --v1-only" : "";
        std::string problems;
        EXPECT_EQ(RunCommand(kHelper + " compare " + Quote(path) + " " + kTool + v1Only, &problems),
                  0)
            << scenario << ":\n"
            << problems;
        ++count;
    }
    EXPECT_EQ(count, 23);
}

TEST_F(MutagenInteropTest, TagBehindTheAudioIsFoundThroughItsFooter) {
    // Mutagen only looks at the front; the expected fields come from the file's making.
    TagSet tag;
    ASSERT_TRUE(ReadId3v2(Make("v24-footer-at-end"), tag));
    EXPECT_EQ(tag, MakeTags({{"Artist", "Footer"}, {"Title", "At the end"}, {"Year", "2011"}}));
}

TEST_F(MutagenInteropTest, MutagenReadsOurTagsAsVersion3) {
    const std::vector<TagSet> records = {
        MakeTags({{"Artist", "Artist \u00E4"},
                  {"Album", "Album"},
                  {"Title", "Title"},
                  {"Year", "1999"},
                  {"Genre", "rock"},
                  {"Comment", "A comment"},
                  {"Track", "3/9"},
                  {"EncodedBy", "Enc"},
                  {"Url", "http://example.org/"},
                  {"Copyright", "2020 Someone"},
                  {"Composer", "Composer"},
                  {"OriginalArtist", "Original"}}),
        MakeTags({{"Artist", "\u0418\u0432\u0430\u043D"},
                  {"Title", "\u65E5\u672C\u8A9E"},
                  {"Comment", "\u041F\u0440\u0438\u0432\u0435\u0442"},
                  {"Genre", "Not a table genre"}}),
        MakeTags({{"Title", "Don\u2019t Stop \u2013 \u20AC5 \u2026"}, {"Artist", "Beyonc\u00E9"}})};
    for (const auto& record : records) {
        const std::string path = dir_.File("ours.mp3");
        WriteFile(path, id3test::Mp3Audio());
        ASSERT_TRUE(WriteId3v2(path, record, 3, true, false));
        TagSet expected = record;
        expected.Genre = expected.Genre == "rock" ? "Rock" : expected.Genre;
        EXPECT_EQ(Expect(path, "{\"fields\": " + FieldsJson(expected) + "}"), "");
        const Bytes bytes = ReadFile(path);
        const size_t tagLength = bytes.size() - id3test::Mp3Audio().size();
        EXPECT_EQ((tagLength - 10) % 2048, 0u);
        EXPECT_EQ(Bytes(bytes.begin() + static_cast<long>(tagLength), bytes.end()),
                  id3test::Mp3Audio());
    }
}

TEST_F(MutagenInteropTest, CarriedPicturesSurviveARewrite) {
    std::string png = "89504e470d0a1a0a";
    for (int i = 0; i < 256; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", i);
        png += pair;
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"v23-apic", "[[\"image/png\", \"" + png + "\"]]"},
        {"v22", "[[\"image/jpeg\", \"ffd8ffe06a70656764617461\"]]"}};
    for (const auto& [scenario, wanted] : cases) {
        const std::string path = Make(scenario);
        ASSERT_TRUE(WriteId3v2(path, MakeTags({{"Title", "Rewritten"}}), 3, false, false));
        EXPECT_EQ(
            Expect(path, "{\"fields\": {\"Title\": \"Rewritten\"}, \"pictures\": " + wanted + "}"),
            "")
            << scenario;
    }
}

TEST_F(MutagenInteropTest, CopyCarriesMutagenTagsIntoABareFile) {
    for (const std::string scenario : {"v24-utf8", "v23-utf16", "v1-track-genre", "v22"}) {
        const std::string source = Make(scenario);
        const std::string target = dir_.File("target.mp3");
        WriteFile(target, id3test::Mp3Audio());
        ASSERT_EQ(RunCommand(kTool + " copy " + Quote(source) + " " + Quote(target)), 0)
            << scenario;
        TagSet sourceV2, targetV2, sourceV1, targetV1;
        const bool hasV2 = ReadId3v2(source, sourceV2);
        EXPECT_EQ(ReadId3v2(target, targetV2), hasV2) << scenario;
        EXPECT_EQ(targetV2, sourceV2) << scenario;
        EXPECT_EQ(ReadId3v1(source, sourceV1), ReadId3v1(target, targetV1)) << scenario;
        EXPECT_EQ(targetV1, sourceV1) << scenario;
        std::string problems;
        EXPECT_EQ(RunCommand(kHelper + " compare " + Quote(target) + " " + kTool, &problems), 0)
            << scenario << ":\n"
            << problems;
        if (hasV2) {
            EXPECT_EQ(Expect(target, "{\"fields\": " + FieldsJson(sourceV2) + "}"), "") << scenario;
        }
    }
}

TEST_F(MutagenInteropTest, ConversionCarriesWhatOtherTaggersWrote) {
    for (const std::string scenario : {"v23-rich", "v24-rich"}) {
        const std::string source = Make(scenario);
        const std::string target = dir_.File("converted.mp3");
        WriteFile(target, id3test::Mp3Audio());
        ASSERT_EQ(RunCommand(kTool + " copy " + Quote(source) + " " + Quote(target)), 0)
            << scenario;
        std::string problems;
        EXPECT_EQ(
            RunCommand(kHelper + " carried " + Quote(source) + " " + Quote(target), &problems), 0)
            << scenario << ":\n"
            << problems;
        EXPECT_EQ(Expect(target, "{\"fields\": {\"Comment\": \"A comment\"}}"), "") << scenario;
        const Bytes written = ReadFile(target);
        EXPECT_TRUE(std::equal(id3test::Mp3Audio().begin(), id3test::Mp3Audio().end(),
                               written.end() - static_cast<long>(id3test::Mp3Audio().size())))
            << scenario;
    }
}

// What older and richer tags hold and version 2.3 has other words for, carried through
// `tonquell-tags copy` into a bare file and read back by mutagen.
TEST_F(MutagenInteropTest, ConversionKeepsWhatOlderAndPackedTagsHold) {
    const std::string cover = "\"APIC:cover\": \"image/png 3 cover 2056 bytes, crc fa7185f3\"";
    const std::string people =
        "\"IPLS\": \"bass=Cy;mix=Bo;producer=Ann \u00E9\", \"TORY\": \"1999\", "
        "\"TSST\": \"Side \u00C4\", \"TMOO\": \"Calm\", \"TYER\": \"2005\"";
    struct Case {
        const char* scenario;
        std::string wanted;   // for mutagen_check.py frames
        std::string dropped;  // what `tonquell-tags read` lists as dropped for the source
    };
    const std::vector<Case> cases = {
        {"v22-itunes",
         "{\"present\": {\"TIT2\": \"Title\", \"TCMP\": \"1\", \"TSOT\": \"Title, The\", "
         "\"TSOA\": \"Album, The\", \"TSOP\": \"Art, \u00E4\", \"TSO2\": \"Various\", "
         "\"TSOC\": \"Bach, J. S.\", \"APIC:cover\": \"image/png 3 cover 11 bytes, crc "
         "12cfd8bc\"}}",
         "[]"},
        {"v23-compressed",
         "{\"present\": {\"TPE1\": \"Packed Artist\", \"TIT2\": \"Title\", " + cover + "}}", "[]"},
        {"v24-compressed",
         "{\"present\": {\"TPE1\": \"Packed Artist\", \"TIT2\": \"Title\", " + cover + "}}", "[]"},
        {"v23-compressed-cut",
         "{\"present\": {\"TPE1\": \"Packed Artist\", \"TIT2\": \"Title\"}, \"absent\": "
         "[\"APIC:cover\"]}",
         "[{\"id\": \"APIC\", \"reason\": \"compressed, and its data does not inflate\"}]"},
        {"v24-date-year",
         "{\"present\": {" + people + "}, \"absent\": [\"TDAT\", \"TIME\", \"TDRC\", \"TIPL\"]}",
         "[]"},
        {"v24-date-day",
         "{\"present\": {" + people + ", \"TDAT\": \"2709\"}, \"absent\": [\"TIME\", \"TDOR\"]}",
         "[]"},
        {"v24-date-time",
         "{\"present\": {" + people +
             ", \"TDAT\": \"2709\", \"TIME\": \"1830\"}, \"absent\": "
             "[\"TMCL\"]}",
         "[]"},
        {"album-cover-only",
         "{\"present\": {\"TALB\": \"Only \u00C4lbum\", \"APIC:\": \"image/png 3  2056 bytes, crc "
         "fa7185f3\"}, \"absent\": [\"TPE1\", \"TIT2\"]}",
         "[]"},
        {"v1-album-only", "{\"v1\": {\"Album\": \"Only Album\", \"Title\": \"\"}}", "[]"},
    };
    for (const auto& c : cases) {
        const std::string source = Make(c.scenario);
        const std::string target = dir_.File("converted.mp3");
        WriteFile(target, id3test::Mp3Audio());
        std::string read;
        ASSERT_EQ(RunCommand(kTool + " read " + Quote(source), &read), 0) << c.scenario;
        EXPECT_NE(read.find("\"dropped\": " + c.dropped + ", \"format\""), std::string::npos)
            << c.scenario << ": " << read;
        ASSERT_EQ(RunCommand(kTool + " copy " + Quote(source) + " " + Quote(target)), 0)
            << c.scenario;
        std::string problems;
        EXPECT_EQ(
            RunCommand(kHelper + " frames " + Quote(target) + " " + Quote(c.wanted), &problems), 0)
            << c.scenario << ":\n"
            << problems;
        // The audio is carried whole between the tags.
        const Bytes written = ReadFile(target);
        const Bytes& audio = id3test::Mp3Audio();
        EXPECT_NE(std::search(written.begin(), written.end(), audio.begin(), audio.end()),
                  written.end())
            << c.scenario;
    }

    // A source without any tag leaves the target as it was.
    const std::string bare = dir_.File("bare.mp3");
    const std::string target = dir_.File("untouched.mp3");
    WriteFile(bare, id3test::Mp3Audio());
    WriteFile(target, id3test::Mp3Audio());
    ASSERT_EQ(RunCommand(kTool + " copy " + Quote(bare) + " " + Quote(target)), 0);
    EXPECT_EQ(ReadFile(target), id3test::Mp3Audio());
}

}  // namespace
}  // namespace id3
