// tonquell-tags from outside: arguments, exit codes, stderr and the JSON it prints.
#include <gtest/gtest.h>

#include "id3v1.h"
#include "id3v2_writer.h"
#include "test_support.h"

namespace {

using id3test::Bytes;
using id3test::MakeTags;
using id3test::Quote;
using id3test::RunCommand;
using id3test::TempDir;
using id3test::WriteFile;

const std::string kTool = Quote(TONQUELL_BUILD_DIR "/tonquell-tags");

TEST(TagsToolTest, BadArgumentsAndMissingFilesExitWithTwo) {
    TempDir dir;
    const std::string missing = dir.File("missing.mp3");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "usage: tonquell-tags read FILE"},
        {"read", "usage: tonquell-tags read FILE"},
        {"write x", "usage: tonquell-tags read FILE"},
        {"read a b", "usage: tonquell-tags read FILE"},
        {"copy a", "usage: tonquell-tags read FILE"},
        {"read " + Quote(missing), "cannot open '" + missing + "'"},
        {"read " + Quote(dir.File("")), "not a regular file"},
        {"copy " + Quote(missing) + " " + Quote(missing), "cannot open '" + missing + "'"}};
    for (const auto& [arguments, message] : cases) {
        std::string err;
        EXPECT_EQ(RunCommand(kTool + " " + arguments + " 2>&1 >/dev/null", &err), 2) << arguments;
        EXPECT_NE(err.find(message), std::string::npos) << arguments << ": " << err;
    }
}

TEST(TagsToolTest, ReadPrintsBothRecordsAsJson) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteFile(path, Bytes(400, 0x42));
    std::string out;
    ASSERT_EQ(RunCommand(kTool + " read " + Quote(path), &out), 0);
    EXPECT_EQ(out,
              "{\"id3v1\": null, \"id3v2\": null, \"other\": [], \"dropped\": [], "
              "\"format\": \"MPEG audio\"}\n");

    ASSERT_TRUE(id3::WriteId3v1(path, MakeTags({{"Artist", "Q\"uote"}, {"Genre", "Rock"}}), false));
    ASSERT_TRUE(id3::WriteId3v2(path, MakeTags({{"Title", "Line\r\nTwo \u00E4\\"}, {"Track", "1"}}),
                                3, true, false));
    ASSERT_EQ(RunCommand(kTool + " read " + Quote(path), &out), 0);
    EXPECT_EQ(out,
              "{\"id3v1\": {\"Artist\": \"Q\\\"uote\", \"Album\": \"\", \"Title\": \"\", "
              "\"Year\": \"\", \"Genre\": \"Rock\", \"Comment\": \"\", \"Track\": \"\", "
              "\"EncodedBy\": \"\", \"Url\": \"\", \"Copyright\": \"\", \"Composer\": \"\", "
              "\"OriginalArtist\": \"\"}, \"id3v2\": {\"Artist\": \"\", \"Album\": \"\", "
              "\"Title\": \"Line\\r\\nTwo \u00E4\\\\\", \"Year\": \"\", \"Genre\": \"\", "
              "\"Comment\": \"\", \"Track\": \"1\", \"EncodedBy\": \"\", \"Url\": \"\", "
              "\"Copyright\": \"\", \"Composer\": \"\", \"OriginalArtist\": \"\"}, "
              "\"other\": [], \"dropped\": [], \"format\": \"MPEG audio\"}\n");
}

TEST(TagsToolTest, ReadListsTheTravellingFramesAndCopySaysWhyItFailed) {
    TempDir dir;
    const std::string source = dir.File("a.mp3");
    const Bytes priv = {'o', 0, 1, 2};
    WriteFile(source,
              id3test::Concat({id3test::Tag(3, 0,
                                            id3test::Concat({id3test::TextFrame("TIT2", "T"),
                                                             id3test::Frame("PRIV", priv),
                                                             id3test::TextFrame("TLEN", "9"),
                                                             id3test::TextFrame("TPOS", "1")})),
                               Bytes(300, 0x55)}));
    std::string out;
    ASSERT_EQ(RunCommand(kTool + " read " + Quote(source), &out), 0);
    EXPECT_NE(out.find("\"other\": [{\"id\": \"PRIV\", \"size\": 4}, {\"id\": \"TPOS\", "
                       "\"size\": 2}], \"dropped\": [{\"id\": \"TLEN\", \"reason\": "
                       "\"describes the old audio\"}], \"format\": \"MPEG audio\"}"),
              std::string::npos)
        << out;

    // A target whose old tag claims more than the file holds is refused and left as it was.
    const std::string target = dir.File("b.mp3");
    const Bytes damaged =
        id3test::Concat({Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0x7F, 0x7F}, Bytes(200, 0x55)});
    WriteFile(target, damaged);
    std::string err;
    EXPECT_EQ(
        RunCommand(kTool + " copy " + Quote(source) + " " + Quote(target) + " 2>&1 >/dev/null",
                   &err),
        1);
    EXPECT_EQ(err, "tonquell-tags: could not write the tags into '" + target +
                       "': ID3v2: the old tag of '" + target +
                       "' claims more bytes than the file holds\n");
    EXPECT_EQ(id3test::ReadFile(target), damaged);
}

}  // namespace

namespace {

TEST(TagsToolTest, CopyTellsTheTargetKindByItsName) {
    TempDir dir;
    const std::string source = dir.File("a.mp3");
    WriteFile(source, id3test::Concat(
                          {id3test::Tag(3, 0, id3test::TextFrame("TIT2", "T")), Bytes(300, 0x55)}));
    struct Case {
        std::string target;
        Bytes bytes;
        int status;
        std::string err;
        bool unchanged;
    };
    const Bytes rf64 = id3test::Concat(
        {id3test::ToBytes("RF64"), Bytes{0xFF, 0xFF, 0xFF, 0xFF}, id3test::ToBytes("WAVE")});
    const std::vector<Case> cases = {
        {"b.ogg", Bytes(10, 1), 2,
         "cannot tell the kind of '" + dir.File("b.ogg") + "' by its name", true},
        {"noext", Bytes(10, 1), 2, "cannot tell the kind of '" + dir.File("noext") + "'", true},
        {"b.AC3", Bytes(10, 1), 0, "'" + dir.File("b.AC3") + "' is raw AC-3, which has no place",
         true},
        {"b.wav", rf64, 0, "WAV: '" + dir.File("b.wav") + "' is an RF64 file", true},
        {"b.mpa", Bytes(300, 0x55), 0, "", false}};
    for (const auto& c : cases) {
        const std::string target = dir.File(c.target);
        WriteFile(target, c.bytes);
        std::string err;
        EXPECT_EQ(
            RunCommand(kTool + " copy " + Quote(source) + " " + Quote(target) + " 2>&1 >/dev/null",
                       &err),
            c.status)
            << c.target;
        EXPECT_NE(err.find(c.err), std::string::npos) << c.target << ": " << err;
        EXPECT_EQ(id3test::ReadFile(target) == c.bytes, c.unchanged) << c.target;
    }
}

}  // namespace
