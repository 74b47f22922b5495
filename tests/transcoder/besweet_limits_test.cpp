// What the outputs say of themselves: the bitrate and sample rate a warning names are the ones
// the encoder really writes, the rate warnings name the file, and every WAV declares the
// channels it holds in its channel mask.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>

#include "../support/media_cache.h"
#include "../support/temp_dir.h"
#include "cli_run.h"
#include "media_probe.h"

namespace {

using testing_support::MakeMedia;
using testing_support::TempDir;

// The dwChannelMask of a WAVE_FORMAT_EXTENSIBLE file; empty for any other file.
std::optional<std::uint32_t> ChannelMask(const std::string& path) {
    const std::string bytes = ReadFile(path);
    auto le = [&](std::size_t at, int size) {
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i) {
            v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        }
        return v;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) {
        return std::nullopt;
    }
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = le(at + 4, 4);
        if (bytes.compare(at, 4, "fmt ") == 0 && size >= 24 && at + 8 + 24 <= bytes.size()) {
            if (le(at + 8, 2) != 0xFFFE) {
                return std::nullopt;
            }
            return le(at + 8 + 20, 4);
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

class Limits : public ::testing::Test {
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

    // A second of a stereo tone at `rate` Hz as a 16-bit WAV.
    std::string Tone(int rate) {
        const std::string path = dir_.File("tone" + std::to_string(rate) + ".wav");
        EXPECT_EQ(MakeMedia("-f lavfi -i sine=f=440:d=1:r=" + std::to_string(rate) +
                                " -ac 2 -c:a pcm_s16le",
                            path),
                  0);
        return path;
    }

    TempDir dir_;
};

// LAME codes MPEG-2.5 (8, 11.025 and 12 kHz) at up to 64 kbit/s: the warning names that rate,
// the one the file has; from 16 kHz on MPEG-2 goes up to 160.
TEST_F(Limits, Mp3BitrateWarningNamesTheRateLameWrites) {
    struct Row {
        int rate;
        int written;
    };
    for (const Row row : {Row{8000, 64}, Row{11025, 64}, Row{12000, 64}, Row{16000, 160}}) {
        SCOPED_TRACE(row.rate);
        const std::string output = dir_.File("low.mp3");
        const RunResult run =
            Convert(Tone(row.rate), output, {}, {"-lame(", "--alt-preset", "cbr", "192", ")"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "BeSweet.exe: warning: the encoder cannot take 192 kbit/s here; using " +
                               std::to_string(row.written) + " kbit/s\n");
        const auto info = Probe(output);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->rate, row.rate);
        EXPECT_EQ(info->bitrate, row.written * 1000);
    }
}

// A rate the encoder cannot take goes to the highest it takes below, or, with none below, up
// to the lowest it takes (AC3 starts at 32 kHz, MPA at 16 kHz); the warning names the file.
TEST_F(Limits, RateWarningsNameTheFileAndTheRateChosen) {
    struct Row {
        int source;
        std::vector<std::string> more;
        int chosen;
    };
    const std::vector<Row> rows = {
        {22050, {"-ac3enc(", "-b", "192", ")"}, 32000},
        {8000, {"-ac3enc(", "-b", "192", ")"}, 32000},
        {8000, {"-mp2enc(", "-m", "s", "-b", "128", ")"}, 16000},
        {96000, {"-lame(", "--alt-preset", "cbr", "192", ")"}, 48000},
        {88200, {"-ac3enc(", "-b", "192", ")"}, 48000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.source) + " " + row.more.front());
        const std::string input = Tone(row.source);
        const std::string output = dir_.File(row.more.front() == "-lame("     ? "rate.mp3"
                                             : row.more.front() == "-ac3enc(" ? "rate.ac3"
                                                                              : "rate.mpa");
        const RunResult run = Convert(input, output, {}, row.more);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string line = "BeSweet.exe: warning: '" + input + "': the encoder cannot take " +
                                 std::to_string(row.source) + " Hz; resampling to " +
                                 std::to_string(row.chosen) + " Hz\n";
        EXPECT_TRUE(run.err.starts_with(line)) << run.err;
        EXPECT_EQ(Probe(output)->rate, row.chosen);
    }
}

// Each of the six mono WAVs declares the channel it holds, as the 5.1 file beside it names
// it: FL 0x1, FR 0x2, C 0x4, LFE 0x8 and the surround pair as the back pair, 0x10 and 0x20
// (5.1 as 0x3F, whether the decoder calls the surrounds side or back). A WAV of 7.1 keeps both
// surround pairs (0x63F).
TEST_F(Limits, WavFilesDeclareTheirChannelsInTheMask) {
    const std::string six =
        "sine=f=300:d=1[a];sine=f=400:d=1[b];sine=f=500:d=1[c];"
        "sine=f=60:d=1[d];sine=f=700:d=1[e];sine=f=800:d=1[f];"
        "[a][b][c][d][e][f]join=inputs=6:channel_layout=";
    const std::vector<std::pair<std::string, std::string>> sources = {
        {"side.ac3", "-filter_complex '" + six + "5.1(side)' -ar 48000 -c:a ac3 -b:a 448k"},
        {"back.wav", "-filter_complex '" + six + "5.1' -ar 48000 -c:a pcm_s16le"},
    };
    const std::uint32_t masks[6] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20};
    const char* const layouts[6] = {"1 channels (FL)",  "1 channels (FR)", "mono",
                                    "1 channels (LFE)", "1 channels (BL)", "1 channels (BR)"};
    for (const auto& [name, recipe] : sources) {
        SCOPED_TRACE(name);
        const std::string input = dir_.File(name);
        ASSERT_EQ(MakeMedia(recipe, input), 0);
        const std::string output = dir_.File("split.wav");
        const RunResult run =
            Convert(input, output, {"-6ch"},
                    {"-azid(", "-d", "3/2", ")", "-profile(", "AC3_to_Six_Waves_5.1", ")"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ChannelMask(output), 0x3Fu);
        for (int c = 0; c < 6; ++c) {
            const std::string single = dir_.File(std::string("split") + kSuffixes[c] + ".wav");
            EXPECT_EQ(ChannelMask(single), masks[c]) << kSuffixes[c];
            const auto info = Probe(single);
            ASSERT_TRUE(info) << kSuffixes[c];
            EXPECT_EQ(info->layout, layouts[c]) << kSuffixes[c];
        }
    }
    const std::string wide = dir_.File("seven.wav");
    ASSERT_EQ(MakeMedia("-f lavfi -i sine=d=1 -af 'pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|"
                        "c6=c0|c7=c0' -c:a pcm_s16le",
                        wide),
              0);
    const std::string kept = dir_.File("seven-kept.wav");
    ASSERT_EQ(Convert(wide, kept, {}, {}).status, 0);
    EXPECT_EQ(ChannelMask(kept), 0x63Fu);
    EXPECT_EQ(Probe(kept)->layout, "7.1");
}

}  // namespace
