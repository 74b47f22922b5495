// The kinds of file a music library holds, made with ffmpeg: each converts to WAV and MP3 (the
// multichannel ones to every target) with its length and its channels, and without a warning.
// Files of other kinds under these names are refused with the reason: a playlist or script,
// a file without audio, a format the transcoder does not read.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../support/media_cache.h"
#include "../support/temp_dir.h"
#include "cli_run.h"
#include "media_probe.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MakeMedia;
using testing_support::TempDir;
using testing_support::WriteFile;

const std::string kStereo = "-f lavfi -i sine=f=440:d=1.5:r=44100 -ac 2 ";
const std::string kVideo = "-f lavfi -i color=c=black:s=64x48:r=25:d=1.5 ";

// 2 s of 5.1(side) at 48 kHz, each channel the tone of its role (kTones).
std::string SixChannels() {
    return "-filter_complex '" + SixToneGraph(2) + "' -ar 48000 ";
}

struct Source {
    std::string name;
    std::string recipe;
    int channels;
    int rate;
};

const std::vector<Source> kSources = {
    {"flac.flac", kStereo + "-c:a flac", 2, 44100},
    {"flac24.flac", kStereo + "-c:a flac -sample_fmt s32", 2, 44100},
    {"flac-in-ogg.oga", kStereo + "-c:a flac -f ogg", 2, 44100},
    {"vorbis.ogg", kStereo + "-c:a libvorbis", 2, 44100},
    {"vorbis.oga", kStereo + "-c:a libvorbis -f ogg", 2, 44100},
    {"opus.opus", kStereo + "-c:a libopus", 2, 48000},
    {"opus.ogg", kStereo + "-c:a libopus -f ogg", 2, 48000},
    {"aac.m4a", kStereo + "-c:a aac -b:a 128k", 2, 44100},
    {"alac.m4a", kStereo + "-c:a alac", 2, 44100},
    {"book.m4b", kStereo + "-c:a aac -f mp4", 2, 44100},
    {"film.mp4", kVideo + kStereo + "-c:v mpeg4 -c:a aac", 2, 44100},
    {"vorbis.mka", kStereo + "-c:a libvorbis", 2, 44100},
    {"film.mkv", kVideo + kStereo + "-c:v mpeg4 -c:a aac", 2, 44100},
    {"opus.webm", kStereo + "-c:a libopus", 2, 48000},
    {"wma.wma", kStereo + "-c:a wmav2", 2, 44100},
    {"film.wmv", kVideo + kStereo + "-c:v wmv2 -c:a wmav2", 2, 44100},
    {"aiff.aiff", kStereo + "-c:a pcm_s16be", 2, 44100},
    {"aifc.aifc", kStereo + "-c:a pcm_f32be -f aiff", 2, 44100},
    {"wavpack.wv", kStereo + "-c:a wavpack", 2, 44100},
    {"tta.tta", kStereo + "-c:a tta", 2, 44100},
    {"mp2.ts", kStereo + "-c:a mp2", 2, 44100},
    {"ac3.m2ts", kStereo + "-c:a ac3 -f mpegts -mpegts_m2ts_mode 1", 2, 44100},
    {"adts.aac", kStereo + "-c:a aac", 2, 44100},
    {"flac51.flac", SixChannels() + "-c:a flac", 6, 48000},
    {"eac3-51.mkv", SixChannels() + "-c:a eac3", 6, 48000},
    {"truehd-51.mkv", SixChannels() + "-c:a truehd -strict -2", 6, 48000},
    {"dts-51.mkv", SixChannels() + "-c:a dca -strict -2", 6, 48000},
    {"eac3-51.ts", SixChannels() + "-c:a eac3 -f mpegts", 6, 48000},
};

struct Target {
    std::string extension;
    std::vector<std::string> module;
    int frame;  // samples of one coded frame: the padding an encoder may add
};

const Target kWav = {".wav", {}, 1};
const Target kMp3 = {
    ".mp3", {"-lame(", "-p", "--ta", "?", "--alt-preset", "cbr", "192", ")"}, 1152};
const Target kAc3 = {".ac3", {"-ac3enc(", "-b", "448", ")"}, 1536};
const Target kMpa = {".mpa", {"-mp2enc(", "-m", "s", "-b", "384", "-e", ")"}, 1152};

class Library : public ::testing::Test {
protected:
    RunResult Convert(const std::string& input, const std::string& output,
                      const std::vector<std::string>& core, const std::vector<std::string>& more) {
        std::vector<std::string> words = {kTranscoder, "-core(",  "-input",
                                          input,       "-output", output};
        words.insert(words.end(), core.begin(), core.end());
        words.push_back(")");
        words.insert(words.end(), more.begin(), more.end());
        return Spawn(words, dir_.Path().string());
    }

    TempDir dir_;
};

// Every kind converts to WAV and MP3 with its channels (downmixed to stereo for MP3), its
// rate and its decoded length, and says nothing: an intact file has no damage to report.
TEST_F(Library, EveryKindConvertsToWavAndMp3) {
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.name);
        const std::string input = dir_.File(source.name);
        ASSERT_EQ(MakeMedia(source.recipe, input), 0);
        const double seconds = DecodedSeconds(input);
        ASSERT_GT(seconds, 1.4);
        for (const Target& target : {kWav, kMp3}) {
            SCOPED_TRACE(target.extension);
            const std::string output = dir_.File("out" + target.extension);
            const RunResult run = Convert(input, output, {}, target.module);
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, "");
            const auto info = Probe(output);
            ASSERT_TRUE(info);
            EXPECT_EQ(info->channels, target.extension == ".wav" ? source.channels : 2);
            EXPECT_EQ(info->rate, source.rate);
            EXPECT_NEAR(DecodedSeconds(output), seconds,
                        static_cast<double>(target.frame) / source.rate + 0.002);
            fs::remove(output);
        }
    }
}

// Multichannel sources in the new containers go to every target as the converter's own 5.1
// sources do: kept for WAV and AC3 (and split into six files), downmixed into stereo for MP3,
// MPA and a WAV with -2ch, each channel keeping its tone.
TEST_F(Library, MultichannelSourcesGoToEveryTarget) {
    struct Row {
        Target target;
        std::vector<std::string> core;
        std::vector<std::string> more;
        int channels;
        std::size_t files;
    };
    const std::vector<Row> rows = {
        {kWav, {}, {}, 6, 1},
        {kWav, {"-2ch"}, {"-azid(", "-d", "3/2", ")"}, 2, 1},
        {kWav,
         {"-6ch"},
         {"-azid(", "-d", "3/2", ")", "-profile(", "AC3_to_Six_Waves_5.1", ")"},
         6,
         7},
        {kMp3, {}, {"-azid(", "-d", "3/2", ")"}, 2, 1},
        {kAc3, {}, {"-azid(", "-d", "3/2", ")"}, 6, 1},
        {kMpa, {}, {"-azid(", "-d", "3/2", ")"}, 2, 1},
    };
    for (const Source& source : kSources) {
        if (source.channels != 6) {
            continue;
        }
        SCOPED_TRACE(source.name);
        const std::string input = dir_.File(source.name);
        ASSERT_EQ(MakeMedia(source.recipe, input), 0);
        const double seconds = DecodedSeconds(input);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.target.extension + " " + std::to_string(row.files));
            const fs::path folder = dir_.Path() / "out";
            fs::create_directories(folder);
            const std::string output = (folder / ("out" + row.target.extension)).string();
            std::vector<std::string> more = row.more;
            more.insert(more.end(), row.target.module.begin(), row.target.module.end());
            const RunResult run = Convert(input, output, row.core, more);
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(testing_support::Names(folder).size(), row.files);
            const auto channels = DecodeChannels(output);
            ASSERT_EQ(static_cast<int>(channels.size()), row.channels);
            EXPECT_NEAR(static_cast<double>(channels[0].size()) / source.rate, seconds,
                        static_cast<double>(row.target.frame) / source.rate + 0.002);
            if (row.channels == 6) {
                for (int c = 0; c < 6; ++c) {
                    EXPECT_GT(ToneLevel(channels[c], source.rate, kTones[c]), 0.02) << c;
                }
            } else {
                // The front tones in their sides, the centre in both.
                EXPECT_GT(ToneLevel(channels[0], source.rate, kTones[0]), 0.02);
                EXPECT_GT(ToneLevel(channels[1], source.rate, kTones[1]), 0.02);
                EXPECT_LT(ToneLevel(channels[0], source.rate, kTones[1]), 0.002);
                EXPECT_GT(ToneLevel(channels[1], source.rate, kTones[2]), 0.01);
            }
            fs::remove_all(folder);
        }
    }
}

// Files under the names of these kinds that are something else: refused with one line that
// says what they are, nothing written, and no file they name converted in their stead.
TEST_F(Library, OtherKindsUnderTheseNamesAreRefusedWithTheirReason) {
    ASSERT_EQ(MakeMedia(kStereo + "-c:a flac", dir_.File("beside.flac")), 0);
    const std::string script = "#!/bin/sh\nrm -rf \"$HOME/nothing\"\necho converted\n";
    const std::string hls =
        "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXTINF:10.0,\nbeside.flac\n"
        "#EXT-X-ENDLIST\n";
    const std::string concat = "ffconcat version 1.0\nfile beside.flac\n";
    WriteFile(dir_.File("hls.flac"), hls);
    WriteFile(dir_.File("hls.m4a"), hls);
    WriteFile(dir_.File("concat.m4a"), concat);
    WriteFile(dir_.File("concat.opus"), concat);
    WriteFile(dir_.File("script.flac"), script);
    WriteFile(dir_.File("script.m4a"), script);
    WriteFile(dir_.File("script.aac"), script);
    WriteFile(dir_.File("script.wv"), script);
    ASSERT_EQ(MakeMedia(kVideo + "-c:v mpeg4", dir_.File("silent.mkv")), 0);
    ASSERT_EQ(MakeMedia(kVideo + "-c:v mpeg4", dir_.File("silent.mp4")), 0);
    ASSERT_EQ(MakeMedia(kStereo + "-c:a pcm_s16le -f caf", dir_.File("caf.m4a")), 0);
    ASSERT_EQ(MakeMedia(kVideo + "-frames:v 1 -f image2pipe -c:v png", dir_.File("cover.flac")), 0);
    // An MP4 cut before its index (which comes last): the kind is known, the file unreadable.
    ASSERT_EQ(MakeMedia(kStereo + "-c:a aac", dir_.File("whole.m4a")), 0);
    const std::string whole = ReadFile(dir_.File("whole.m4a"));
    const std::size_t index = whole.find("moov");
    ASSERT_NE(index, std::string::npos);
    WriteFile(dir_.File("cut.m4a"), whole.substr(0, index - 4));
    const std::string playlist = "not an audio file but a playlist naming other files (";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"hls.flac", playlist + "Apple HTTP Live Streaming)"},
        {"hls.m4a", playlist + "Apple HTTP Live Streaming)"},
        {"concat.m4a", playlist + "Virtual concatenation script)"},
        {"concat.opus", playlist + "Virtual concatenation script)"},
        {"script.flac", "not an audio or video file"},
        {"script.m4a", "not an audio or video file"},
        {"script.aac", "not an audio or video file"},
        {"script.wv", "not an audio or video file"},
        {"silent.mkv", "Matroska file without an audio stream"},
        {"silent.mp4", "MP4 file without an audio stream"},
        {"caf.m4a", "unsupported format: Apple CAF (Core Audio Format)"},
        {"cover.flac", "unsupported format: piped png sequence"},
        {"cut.m4a", "cannot be read as QuickTime / MOV: Invalid data found when processing input"},
    };
    for (const auto& [name, reason] : rows) {
        SCOPED_TRACE(name);
        const std::string output = dir_.File("refused.wav");
        const RunResult run = Convert(dir_.File(name), output, {}, {});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "BeSweet.exe: '" + dir_.File(name) + "': " + reason + "\n");
        EXPECT_FALSE(fs::exists(output));
    }
    for (const std::string& name : testing_support::Names(dir_.Path())) {
        EXPECT_EQ(name.find(".tq-"), std::string::npos) << name;
    }
}

}  // namespace
