// Sources of every kind a music library holds, tagged by mutagen, carried into MP3, MPA and WAV
// targets made by ffmpeg: through the facade and through tonquell-tags, read back by mutagen
// and ffprobe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "../support/media_cache.h"
#include "source_tags.h"
#include "tag_transfer.h"
#include "test_support.h"

namespace tags {
namespace {

using id3test::Quote;
using id3test::ReadFile;
using id3test::RunCommand;
using id3test::TempDir;

const std::string kHelper =
    "/usr/bin/python3 " + Quote(TONQUELL_SOURCE_DIR "/tests/tags/library_sources.py");
const std::string kTool = Quote(TONQUELL_BUILD_DIR "/tonquell-tags");
constexpr const char* kTone = "-f lavfi -i sine=frequency=440:duration=1:sample_rate=44100 -ac 2 ";

struct SourceKind {
    std::string kind;       // as library_sources.py names it
    std::string arguments;  // ffmpeg's, behind the tone
    std::string extension;
    Container container;
};

// The path of the cover the Matroska source attaches (fixed, so that its file is made once). It
// is made under a name of this process's own and renamed: test processes run at once.
std::string CoverFile() {
    const auto path = testing_support::MediaCacheFolder() / "library" / "cover.png";
    std::filesystem::create_directories(path.parent_path());
    if (!std::filesystem::exists(path)) {
        const auto partial = path.parent_path() / (".partial-" + std::to_string(::getpid()));
        RunCommand(kHelper + " cover " + Quote(partial.string()));
        std::filesystem::rename(partial, path);
    }
    return path.string();
}

const std::vector<SourceKind>& Sources() {
    static const std::vector<SourceKind> sources = {
        {"flac", "-c:a flac", ".flac", Container::Flac},
        {"ogg-vorbis", "-c:a libvorbis", ".ogg", Container::OggVorbis},
        {"opus", "-c:a libopus", ".opus", Container::OggOpus},
        {"ogg-flac", "-c:a flac -f ogg", ".oga", Container::OggFlac},
        {"m4a-aac", "-c:a aac", ".m4a", Container::Mp4},
        {"m4a-alac", "-c:a alac", ".m4a", Container::Mp4},
        {"wma", "-c:a wmav2", ".wma", Container::Asf},
        {"aiff", "-c:a pcm_s16be", ".aiff", Container::Aiff},
        {"wavpack", "-c:a wavpack", ".wv", Container::WavPack},
        {"wav-id3", "-c:a pcm_s16le", ".wav", Container::Wav},
        {"wav-info", "-c:a pcm_s16le", ".wav", Container::Wav},
        {"mp3", "-c:a libmp3lame -id3v2_version 0 -write_id3v1 0", ".mp3", Container::Mpeg},
        {"mka",
         "-attach " + Quote(CoverFile()) +
             " -metadata:s:t mimetype=image/png -metadata 'title=Title \u00e9' "
             "-metadata 'artist=Artist \u00e4' -metadata album=Album "
             "-metadata 'album_artist=Album Artist' -metadata date=2004-05-06 "
             "-metadata track=4/12 -metadata disc=1/2 -metadata genre=Rock "
             "-metadata 'comment=A comment' -metadata composer=Composer "
             "-metadata 'copyright=2004 Someone' -metadata 'MY_KEY=my value' -c:a flac",
         ".mka", Container::Matroska}};
    return sources;
}

struct TargetFile {
    std::string name;
    std::string arguments;
    TargetKind kind;
};

const std::vector<TargetFile> kTargets = {
    {"target.mp3", "-c:a libmp3lame -b:a 128k -id3v2_version 0 -write_id3v1 0", TargetKind::Mp3},
    {"target.mpa", "-c:a mp2 -b:a 128k -f mp2", TargetKind::Mpa},
    {"target.wav", "-c:a pcm_s16le -fflags +bitexact", TargetKind::Wav}};

class LibrarySourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0) {
            GTEST_SKIP() << "python3-mutagen is not installed";
        }
    }

    // A tagged source of `source`'s kind.
    std::string Source(const SourceKind& source) {
        const std::string path = dir_.File(source.kind + source.extension);
        EXPECT_EQ(testing_support::MakeMedia(kTone + source.arguments, path), 0) << source.kind;
        EXPECT_EQ(RunCommand(kHelper + " tag " + source.kind + " " + Quote(path)), 0)
            << source.kind;
        return path;
    }

    // A bare target of `target`'s kind, named after `stem`.
    std::string Target(const TargetFile& target, const std::string& stem) {
        const std::string path = dir_.File(stem + "-" + target.name);
        EXPECT_EQ(testing_support::MakeMedia(kTone + target.arguments, path), 0) << target.name;
        return path;
    }

    // mutagen's complaints about `path` as a carrier of a `kind` source's tags.
    std::string Complaints(const std::string& what, const std::string& path,
                           const std::string& kind) {
        std::string out;
        RunCommand(kHelper + " " + what + " " + Quote(path) + " " + kind + " 2>&1", &out);
        return out;
    }

    TempDir dir_;
};

// The MD5 of the audio ffmpeg decodes from `path`.
std::string DecodedAudio(const std::string& path) {
    std::string out;
    RunCommand("ffmpeg -v error -nostdin -i " + Quote(path) + " -map 0:a -f md5 - 2>/dev/null",
               &out);
    return out;
}

TEST_F(LibrarySourcesTest, EveryKindCarriesEveryMappedFieldIntoEveryTarget) {
    for (const auto& source : Sources()) {
        const std::string path = Source(source);
        EXPECT_EQ(SourceContainer(path), source.container) << source.kind;
        const id3::SourceTags tags = ReadSourceTags(path);
        for (const auto& target : kTargets) {
            const std::string out = Target(target, source.kind);
            const std::string bare = DecodedAudio(out);
            ASSERT_EQ(bare.rfind("MD5=", 0), 0u) << bare;
            const id3::WriteStatus status = WriteTargetTags(out, target.kind, tags);
            EXPECT_EQ(status, id3::WriteStatus{}) << source.kind << " -> " << target.name;
            EXPECT_EQ(Complaints("expect", out, source.kind), "")
                << source.kind << " -> " << target.name;
            // The audio is the same, and ffmpeg finds the tags too.
            EXPECT_EQ(DecodedAudio(out), bare) << source.kind << " -> " << target.name;
            std::string title;
            RunCommand("ffprobe -v error -show_entries format_tags=title -of csv=p=0 " + Quote(out),
                       &title);
            EXPECT_EQ(title, "Title \u00e9\n") << source.kind << " -> " << target.name;
            if (target.kind == TargetKind::Wav) {
                EXPECT_EQ(Complaints("info", out, source.kind), "") << source.kind;
            }
        }
    }
}

TEST_F(LibrarySourcesTest, TheToolCopiesEveryKindAsAConversionDoes) {
    for (const auto& source : Sources()) {
        const std::string path = Source(source);
        for (const auto& target : kTargets) {
            const std::string out = Target(target, "tool-" + source.kind);
            EXPECT_EQ(RunCommand(kTool + " copy " + Quote(path) + " " + Quote(out)), 0)
                << source.kind << " -> " << target.name;
            EXPECT_EQ(Complaints("expect", out, source.kind), "")
                << source.kind << " -> " << target.name;
        }
        std::string json;
        ASSERT_EQ(RunCommand(kTool + " read " + Quote(path), &json), 0) << source.kind;
        EXPECT_NE(json.find("\"format\": \"" + ContainerName(source.container) + "\"}"),
                  std::string::npos)
            << json;
        EXPECT_NE(json.find("\"Title\": \"Title \u00e9\""), std::string::npos) << json;
    }
}

TEST_F(LibrarySourcesTest, AnMp3SourceTakesTheByteLevelTransferOfOldIntoAnMp3Target) {
    const std::string source = Source(Sources()[11]);
    ASSERT_EQ(SourceContainer(source), Container::Mpeg);
    const id3::SourceTags tags = ReadSourceTags(source);
    EXPECT_EQ(tags, id3::ReadSourceTags(source));
    const std::string ours = Target(kTargets[0], "ours");
    const std::string theirs = Target(kTargets[0], "theirs");
    EXPECT_EQ(WriteTargetTags(ours, TargetKind::Mp3, tags), id3::WriteStatus{});
    EXPECT_EQ(id3::WriteTargetTags(theirs, tags), id3::WriteStatus{});
    EXPECT_EQ(ReadFile(ours), ReadFile(theirs));
}

TEST_F(LibrarySourcesTest, SourcesWhoseTagsCannotBeReadGiveACleanEmptyResult) {
    const std::string flac = Source(Sources()[0]);
    const std::string m4a = Source(Sources()[4]);
    const auto head = [](const std::string& path, size_t n) {
        const id3test::Bytes bytes = ReadFile(path);
        return id3test::Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n));
    };
    const id3test::Bytes script = id3test::ToBytes("#!/bin/sh\necho hello\n");
    const std::vector<std::pair<std::string, id3test::Bytes>> cases = {
        {"script.flac", script},
        {"script.m4a", script},
        {"script.mka", script},
        {"script.wav", script},
        {"cut.flac", head(flac, 60)},
        {"cut.m4a", head(m4a, 40)},
        {"empty.ogg", {}},
        {"asf.wma", {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 1, 2, 3}},
        {"ebml.mka", {0x1A, 0x45, 0xDF, 0xA3, 0x9F, 0xFF}},
        {"riff.wav", id3test::ToBytes("RIFF\x04\0\0\0WAVE")},
        {"form.aiff", id3test::ToBytes("FORM\xff\xff\xff\xf0"
                                       "AIFFID3 \xff\xff\xff\xff")}};
    for (const auto& [name, bytes] : cases) {
        const std::string path = dir_.File(name);
        id3test::WriteFile(path, bytes);
        const id3::SourceTags tags = ReadSourceTags(path);
        EXPECT_EQ(tags.Id3v1, id3::TagSet{}) << name;
        EXPECT_EQ(tags.Id3v2, id3::TagSet{}) << name;
        EXPECT_TRUE(tags.Frames.empty()) << name;
        const std::string target = Target(kTargets[0], "clean");
        const id3test::Bytes before = ReadFile(target);
        EXPECT_EQ(WriteTargetTags(target, TargetKind::Mp3, tags), id3::WriteStatus{}) << name;
        EXPECT_EQ(ReadFile(target), before) << name;
        EXPECT_EQ(RunCommand(kTool + " read " + Quote(path) + " >/dev/null"), 0) << name;
    }
}

TEST_F(LibrarySourcesTest, EverySplitFileGetsTheTagsAndAFailureNamesItsFile) {
    const id3::SourceTags tags = ReadSourceTags(Source(Sources()[0]));
    std::vector<std::string> targets;
    for (const char* channel : {"", "_FL", "_FR", "_C", "_LFE", "_SL", "_SR"}) {
        targets.push_back(Target(kTargets[2], std::string("split") + channel));
    }
    EXPECT_EQ(WriteTargetTags(targets, TargetKind::Wav, tags), id3::WriteStatus{});
    for (const auto& target : targets) {
        EXPECT_EQ(Complaints("expect", target, "flac"), "") << target;
    }

    const std::string broken = dir_.File("broken.wav");
    id3test::WriteFile(broken, id3test::ToBytes("not a wav at all"));
    std::vector<std::string> withBroken = {Target(kTargets[2], "a"), broken,
                                           Target(kTargets[2], "b")};
    const id3::WriteStatus status = WriteTargetTags(withBroken, TargetKind::Wav, tags);
    EXPECT_FALSE(status.Ok);
    EXPECT_EQ(status.Reason, "WAV: '" + broken + "' is no RIFF WAVE file");
    EXPECT_EQ(Complaints("expect", withBroken[0], "flac"), "");
    EXPECT_EQ(Complaints("expect", withBroken[2], "flac"), "");
}

TEST_F(LibrarySourcesTest, Ac3TargetsStayBare) {
    const std::string ac3 = dir_.File("target.ac3");
    ASSERT_EQ(testing_support::MakeMedia(std::string(kTone) + "-c:a ac3", ac3), 0);
    const id3test::Bytes before = ReadFile(ac3);
    const id3::SourceTags tags = ReadSourceTags(Source(Sources()[0]));
    EXPECT_EQ(WriteTargetTags(ac3, TargetKind::Ac3, tags), id3::WriteStatus{});
    EXPECT_EQ(ReadFile(ac3), before);
}

}  // namespace
}  // namespace tags
