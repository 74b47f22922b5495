// The WAV target: LIST/INFO and id3 chunks written through the one safe replace, every other
// chunk kept, sizes right, and files it must not touch left as they are.
#include "wav_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "../support/media_cache.h"
#include "byte_source.h"
#include "riff_chunks.h"
#include "test_support.h"

namespace tags {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::ReadFile;
using id3test::TempDir;
using id3test::ToBytes;
using id3test::WriteFile;

Bytes Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

Bytes RiffChunk(const std::string& id, const Bytes& data, bool pad = true) {
    Bytes out = Concat({ToBytes(id), Le32(static_cast<uint32_t>(data.size())), data});
    if (pad && data.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

Bytes Riff(const Bytes& chunks, const std::string& form = "RIFF") {
    return Concat(
        {ToBytes(form), Le32(static_cast<uint32_t>(chunks.size() + 4)), ToBytes("WAVE"), chunks});
}

// A format chunk for 16-bit mono at 8 kHz.
Bytes Format() {
    return RiffChunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0});
}

id3::SourceTags Tags(const std::string& title) {
    id3::SourceTags tags;
    tags.Id3v2.Title = title;
    tags.Id3v2.Artist = "Artist";
    tags.Id3v2.Year = "2004";
    tags.Id3v2.Track = "4/12";
    return tags;
}

std::vector<std::string> ChunkIds(const std::string& path) {
    const auto file = id3::FileSource::Open(path, false);
    const auto chunks = ReadChunks(*file);
    std::vector<std::string> ids;
    for (const auto& chunk : chunks->Chunks) {
        ids.push_back(chunk.Id == "LIST" ? "LIST/" + chunk.ListType : chunk.Id);
    }
    EXPECT_EQ(chunks->Damage, "") << path;
    return ids;
}

Bytes DataChunk(const std::string& path) {
    const auto file = id3::FileSource::Open(path, false);
    const Chunk* data = FindChunk(*ReadChunks(*file), {"data"});
    return data != nullptr ? ChunkData(*file, *data, data->Size).value_or(Bytes{}) : Bytes{};
}

TEST(WavTargetTest, RendersTheBasicFieldsAsAnInfoList) {
    id3::TagSet record;
    record.Title = "T\u00e9";
    record.Artist = "Ar";
    record.Year = "2004";
    record.Track = " 4/12";
    record.Comment = "c";
    const Bytes info = RenderInfoList(record, {{"TDAT", {0, '0', '6', '0', '5'}}});
    const Bytes expected = RiffChunk(
        "LIST",
        Concat({ToBytes("INFO"), RiffChunk("INAM", ToBytes("T\u00e9" + std::string(1, '\0'))),
                RiffChunk("IART", ToBytes(std::string("Ar") + '\0')),
                RiffChunk("ICRD", ToBytes(std::string("2004-05-06") + '\0')),
                RiffChunk("ICMT", ToBytes(std::string("c") + '\0')),
                RiffChunk("ITRK", ToBytes(std::string("4") + '\0'))}));
    EXPECT_EQ(info, expected);
    EXPECT_EQ(RenderInfoList({}, {}), Bytes{});
}

TEST(WavTargetTest, ChunksAreReplacedNotDuplicatedAndTheRestIsKept) {
    TempDir dir;
    const std::string path = dir.File("a.wav");
    const Bytes samples = {1, 2, 3, 4, 5, 6};
    // An odd-sized chunk of someone else's, an old INFO list and an old id3 chunk, a cue list.
    WriteFile(path, Riff(Concat({Format(), RiffChunk("LIST", ToBytes("INFOINAM\x04\0\0\0old\0")),
                                 RiffChunk("junk", {9, 9, 9}), RiffChunk("data", samples),
                                 RiffChunk("id3 ", ToBytes("ID3\3\0\0\0\0\0\0")),
                                 RiffChunk("LIST", ToBytes("adtllabl"))})));
    for (const std::string title : {"First", "Second title"}) {
        ASSERT_EQ(WriteWavTags(path, Tags(title)), id3::WriteStatus{}) << title;
        EXPECT_EQ(ChunkIds(path), (std::vector<std::string>{"fmt ", "junk", "data", "LIST/adtl",
                                                            "LIST/INFO", "id3 "}));
        EXPECT_EQ(DataChunk(path), samples);
        const Bytes bytes = ReadFile(path);
        EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 8),
                  Le32(static_cast<uint32_t>(bytes.size() - 8)));
        EXPECT_EQ(bytes.size() % 2, 0u);
    }
    const Bytes bytes = ReadFile(path);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin("Second title"),
                          std::end("Second title") - 1),
              bytes.end());
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), std::begin("old"), std::end("old") - 1),
              bytes.end());
}

TEST(WavTargetTest, AnOddLastChunkWithoutItsPadIsPaddedAndTheAudioStaysWhereItWas) {
    TempDir dir;
    const std::string path = dir.File("odd.wav");
    WriteFile(path, Riff(Concat({Format(), RiffChunk("data", {7, 7, 7}, false)})));
    ASSERT_EQ(WriteWavTags(path, Tags("T")), id3::WriteStatus{});
    EXPECT_EQ(ChunkIds(path), (std::vector<std::string>{"fmt ", "data", "LIST/INFO", "id3 "}));
    EXPECT_EQ(DataChunk(path), (Bytes{7, 7, 7}));
    const Bytes bytes = ReadFile(path);
    EXPECT_EQ(Bytes(bytes.begin() + 36, bytes.begin() + 47),
              (Bytes{'d', 'a', 't', 'a', 3, 0, 0, 0, 7, 7, 7}));
}

TEST(WavTargetTest, FilesItMustNotRewriteAreLeftAsTheyAre) {
    TempDir dir;
    struct Case {
        std::string name;
        Bytes bytes;
        bool ok;
        std::string reason;  // behind "WAV: '<path>' "
    };
    const std::vector<Case> cases = {
        {"rf64.wav", Riff(Concat({Format(), RiffChunk("data", {1, 2})}), "RF64"), true,
         "is an RF64 file, whose sizes this writer does not rewrite; it keeps no tags"},
        {"cut.wav", Riff(Concat({Format(), ToBytes("data"), Le32(1000), Bytes{1, 2}})), false,
         "is damaged: the chunk 'data' at 36 runs past the end of the file"},
        {"text.wav", ToBytes("just some text, no RIFF"), false, "is no RIFF WAVE file"},
        {"avi.wav", Concat({ToBytes("RIFF"), Le32(4), ToBytes("AVI ")}), false,
         "is no RIFF WAVE file"},
        {"aiff.wav", Concat({ToBytes("FORM"), Bytes{0, 0, 0, 4}, ToBytes("AIFF")}), false,
         "is no RIFF WAVE file"}};
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        WriteFile(path, c.bytes);
        const id3::WriteStatus status = WriteWavTags(path, Tags("T"));
        EXPECT_EQ(status.Ok, c.ok) << c.name;
        EXPECT_EQ(status.Reason, "WAV: '" + path + "' " + c.reason) << c.name;
        EXPECT_EQ(ReadFile(path), c.bytes) << c.name;
    }
    // No temporary file is left behind.
    const auto entries = std::filesystem::directory_iterator(dir.File(""));
    EXPECT_EQ(static_cast<size_t>(std::distance(begin(entries), end(entries))), cases.size());
}

TEST(WavTargetTest, TagsWithoutAnyFieldLeaveTheFileUntouched) {
    TempDir dir;
    const std::string path = dir.File("bare.wav");
    const Bytes bytes = Riff(Concat({Format(), RiffChunk("data", {1, 2})}));
    WriteFile(path, bytes);
    const struct stat before = [&] {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st;
    }();
    EXPECT_EQ(WriteWavTags(path, {}), id3::WriteStatus{});
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(WavTargetTest, AReadOnlyTargetIsMadeWritableAndAFolderThatRefusesLeavesItAsItWas) {
    TempDir dir;
    const std::string path = dir.File("ro.wav");
    const Bytes bytes = Riff(Concat({Format(), RiffChunk("data", {1, 2})}));
    WriteFile(path, bytes);
    ::chmod(path.c_str(), 0444);
    ASSERT_EQ(WriteWavTags(path, Tags("T")), id3::WriteStatus{});
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    const std::string inside = locked + "/a.wav";
    WriteFile(inside, bytes);
    ::chmod(locked.c_str(), 0555);
    const id3::WriteStatus status = WriteWavTags(inside, Tags("T"));
    ::chmod(locked.c_str(), 0755);
    EXPECT_FALSE(status.Ok);
    EXPECT_EQ(status.Reason.rfind("WAV: could not replace '" + inside + "': ", 0), 0u)
        << status.Reason;
    EXPECT_EQ(ReadFile(inside), bytes);
}

TEST(WavTargetTest, AnFfmpegRf64FileIsKnownAndKeptBare) {
    TempDir dir;
    const std::string path = dir.File("rf64.wav");
    ASSERT_EQ(testing_support::MakeMedia(
                  "-f lavfi -i sine=frequency=440:duration=0.2 -c:a pcm_s16le -rf64 always", path),
              0);
    const Bytes before = ReadFile(path);
    const id3::WriteStatus status = WriteWavTags(path, Tags("T"));
    EXPECT_TRUE(status.Ok);
    EXPECT_NE(status.Reason.find("RF64"), std::string::npos) << status.Reason;
    EXPECT_EQ(ReadFile(path), before);
}

}  // namespace
}  // namespace tags
