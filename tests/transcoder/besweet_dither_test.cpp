// 16-bit WAV output from sources finer than 16 bits, and from chains that change samples, is
// dithered: a very quiet tone keeps no harmonics of the rounding, only a benign noise floor.
// 16-bit samples that pass through untouched stay exactly as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <set>

#include "../support/media_cache.h"
#include "../support/temp_dir.h"
#include "cli_run.h"
#include "media_probe.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MakeMedia;
using testing_support::TempDir;

double Decibels(double power) {
    return 10.0 * std::log10(power);
}

// The power in each frequency bin of `n` samples (a power of two) from `start`, windowed with a
// 4-term Blackman-Harris window (side lobes below -92 dB) and scaled so that a sine of amplitude A
// shows A*A/2 summed over its main lobe.
std::vector<double> BinPowers(const std::vector<float>& samples, std::size_t start, std::size_t n) {
    std::vector<std::complex<double>> x(n);
    double windowSquares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w =
            0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        x[i] = samples[start + i] * w;
        windowSquares += w * w;
    }
    // Iterative radix-2 FFT.
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi / len);
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> a = x[i + k];
                const std::complex<double> b = x[i + k + len / 2] * w;
                x[i + k] = a + b;
                x[i + k + len / 2] = a - b;
                w *= turn;
            }
        }
    }
    std::vector<double> power(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        power[k] = 2.0 * std::norm(x[k]) / (windowSquares * static_cast<double>(n));
    }
    return power;
}

// What the bin powers say about a tone at `frequency` Hz: its power (summed over its main lobe),
// the power of its harmonics 2 to 9 above the median noise bin (the highest of them, in dB),
// and the noise power of all other bins together.
struct ToneAnalysis {
    double tone = 0.0;
    double worstHarmonicOverNoise = 0.0;
    double noise = 0.0;
};

ToneAnalysis Analyse(const std::vector<double>& power, int rate, double frequency) {
    const std::size_t n = power.size() * 2;
    const double binHz = static_cast<double>(rate) / static_cast<double>(n);
    const auto near = [&](std::size_t k, double f, std::size_t lobe) {
        const double centre = f / binHz;
        return std::fabs(static_cast<double>(k) - centre) <= static_cast<double>(lobe);
    };
    ToneAnalysis result;
    std::vector<double> floor;
    for (std::size_t k = 2; k < power.size(); ++k) {
        if (near(k, frequency, 5)) {
            result.tone += power[k];
            continue;
        }
        bool harmonic = false;
        for (int h = 2; h <= 9; ++h) {
            harmonic = harmonic || near(k, h * frequency, 5);
        }
        if (!harmonic) {
            floor.push_back(power[k]);
            result.noise += power[k];
        }
    }
    std::nth_element(floor.begin(), floor.begin() + static_cast<std::ptrdiff_t>(floor.size() / 2),
                     floor.end());
    const double median = floor[floor.size() / 2];
    // The noise in the bins left out, as much as in the others on average.
    result.noise *= static_cast<double>(power.size()) / static_cast<double>(floor.size());
    result.worstHarmonicOverNoise = -1000.0;
    for (int h = 2; h <= 9 && h * frequency < rate / 2.0 - 100; ++h) {
        double peak = 0.0;
        for (std::size_t k = 0; k < power.size(); ++k) {
            if (near(k, h * frequency, 3)) {
                peak = std::max(peak, power[k]);
            }
        }
        result.worstHarmonicOverNoise =
            std::max(result.worstHarmonicOverNoise, Decibels(peak / median));
    }
    return result;
}

class Dither : public ::testing::Test {
protected:
    // Runs the transcoder on `input` into `output` with `more` words after the core block.
    RunResult Convert(const std::string& input, const std::string& output,
                      const std::vector<std::string>& core = {},
                      const std::vector<std::string>& more = {}) {
        std::vector<std::string> words = {kTranscoder, "-core(",  "-input",
                                          input,       "-output", output};
        words.insert(words.end(), core.begin(), core.end());
        words.push_back(")");
        words.insert(words.end(), more.begin(), more.end());
        return Spawn(words, dir_.Path().string());
    }

    TempDir dir_;
};

// A 1 kHz sine at -90 dBFS, about one step of 16 bits: plain rounding leaves three sample
// values and harmonics 11 to 16 dB below the tone; dithered, the tone stays at -90 dBFS over
// a floor of white noise at about -96 dBFS, with no harmonic standing out of it.
TEST_F(Dither, QuietToneFromAFinerSourceKeepsNoHarmonics) {
    // 3.16e-5 is -90 dBFS.
    const std::string tone = "'aevalsrc=3.16227766e-5*sin(2*PI*1000*t):s=48000:d=2'";
    struct Row {
        std::string what;
        std::string recipe;
        std::string extension;
        std::vector<std::string> core;
        std::vector<std::string> more;
        int rate;
    };
    const std::vector<Row> rows = {
        {"24-bit WAV", "-f lavfi -i " + tone + " -c:a pcm_s24le", ".wav", {}, {}, 48000},
        {"32-bit float WAV", "-f lavfi -i " + tone + " -c:a pcm_f32le", ".wav", {}, {}, 48000},
        {"24-bit WAV resampled",
         "-f lavfi -i " + tone + " -c:a pcm_s24le",
         ".wav",
         {},
         {"-ssrc(", "--rate", "44100", ")"},
         44100},
        // Downmixed: the tone at +3 dB on the fronts and the centre of a 5.1 source adds up
        // to -90 dBFS again in each side, (1.414 + 0.707 * 1.414) / (1 + 2 * 0.707).
        {"24-bit 5.1 WAV downmixed",
         "-f lavfi -i " + tone +
             " -af 'volume=1.41421356,pan=5.1(side)|c0=c0|c1=c0|c2=c0' -c:a pcm_s24le",
         ".wav",
         {"-2ch"},
         {},
         48000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string input = dir_.File("quiet" + row.extension);
        ASSERT_EQ(MakeMedia(row.recipe, input), 0);
        const std::string output = dir_.File("quiet-16.wav");
        const RunResult run = Convert(input, output, row.core, row.more);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const auto channels = DecodeChannels(output);
        ASSERT_FALSE(channels.empty());
        const std::vector<float>& left = channels[0];
        ASSERT_GT(left.size(), 65536u + 8000u);
        std::set<float> values(left.begin(), left.end());
        EXPECT_GT(values.size(), 3u);
        const ToneAnalysis found = Analyse(BinPowers(left, 4000, 65536), row.rate, 1000.0);
        const double toneDb = Decibels(found.tone * 2.0);  // as the sine's amplitude
        EXPECT_NEAR(toneDb, -90.0, 1.0);
        EXPECT_LT(found.worstHarmonicOverNoise, 15.0);
        // Rounding after triangular dither: a quarter of a step squared, -96.3 dBFS.
        EXPECT_NEAR(Decibels(found.noise), -96.3, 1.5);
    }
}

// The dither follows from a fixed seed: the same conversion gives the same file.
TEST_F(Dither, OutputIsReproducible) {
    const std::string input = dir_.File("noise24.wav");
    ASSERT_EQ(
        MakeMedia("-f lavfi -i anoisesrc=c=pink:a=0.1:r=48000:d=1:s=3 -ac 2 -c:a pcm_s24le", input),
        0);
    ASSERT_EQ(Convert(input, dir_.File("a.wav")).status, 0);
    ASSERT_EQ(Convert(input, dir_.File("b.wav")).status, 0);
    const std::string a = ReadFile(dir_.File("a.wav"));
    EXPECT_GT(a.size(), 100000u);
    EXPECT_TRUE(a == ReadFile(dir_.File("b.wav")));
}

// Digital silence stays silent: no noise is added to exact zeros, so the silent channels of
// a six-channel output from a stereo source, and the pause between tones, stay at zero.
TEST_F(Dither, SilenceStaysSilent) {
    const std::string input = dir_.File("pause24.wav");
    ASSERT_EQ(MakeMedia("-f lavfi -i 'aevalsrc=if(lt(t\\,0.5)\\,0.25*sin(2*PI*440*t)\\,0):s=48000:"
                        "d=1' -ac 2 -c:a pcm_s24le",
                        input),
              0);
    const std::string output = dir_.File("pause-six.wav");
    const RunResult run = Convert(input, output, {"-6ch"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto channels = DecodeChannels(output);
    ASSERT_EQ(channels.size(), 6u);
    EXPECT_EQ(Peak({channels[2], channels[3], channels[4], channels[5]}), 0.0f);
    const std::vector<float> pause(channels[0].begin() + 30000, channels[0].end());
    EXPECT_EQ(Peak({pause}), 0.0f);
    EXPECT_GT(Peak({channels[0]}), 0.1f);
}

// 16-bit samples that are only copied or routed (into both sides, into the six mono files,
// into a wider layout) come out exactly as the source holds them; that includes MPEG audio
// Layer II, which FFmpeg decodes to 16-bit integers.
TEST_F(Dither, SixteenBitSamplesPassThroughExactly) {
    const std::string noise = "-f lavfi -i anoisesrc=c=pink:a=0.5:r=44100:d=1:s=";
    struct Row {
        std::string what;
        std::string recipe;
        std::string extension;
        std::vector<std::string> core;
        std::vector<std::string> more;
        // The output channel of each source channel.
        std::vector<std::vector<std::size_t>> routes;
    };
    const std::vector<Row> rows = {
        {"stereo WAV", noise + "1 -ac 2 -c:a pcm_s16le", ".wav", {}, {}, {{0}, {1}}},
        {"stereo WAV with -2ch",
         noise + "2 -ac 2 -c:a pcm_s16le",
         ".wav",
         {"-2ch"},
         {},
         {{0}, {1}}},
        {"mono WAV into both sides",
         noise + "3 -ac 1 -c:a pcm_s16le",
         ".wav",
         {"-2ch"},
         {},
         {{0, 1}}},
        {"stereo WAV into 5.1", noise + "4 -ac 2 -c:a pcm_s16le", ".wav", {"-6ch"}, {}, {{0}, {1}}},
        {"5.1 WAV",
         noise + "5 -af 'pan=5.1(side)|c0=c0|c1=0.9*c0|c2=0.5*c0|c3=0.3*c0|c4=0.6*c0|"
                 "c5=0.7*c0' -c:a pcm_s16le",
         ".wav",
         {"-6ch"},
         {},
         {{0}, {1}, {2}, {3}, {4}, {5}}},
        {"MPEG audio Layer II", noise + "6 -ac 2 -c:a mp2 -b:a 256k", ".mp2", {}, {}, {{0}, {1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string input = dir_.File("exact" + row.extension);
        ASSERT_EQ(MakeMedia(row.recipe, input), 0);
        const std::string output = dir_.File("exact-out.wav");
        const RunResult run = Convert(input, output, row.core, row.more);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto source = DecodeChannels(input);
        const auto made = DecodeChannels(output);
        ASSERT_EQ(source.size(), row.routes.size());
        for (std::size_t c = 0; c < source.size(); ++c) {
            for (const std::size_t to : row.routes[c]) {
                ASSERT_LT(to, made.size());
                EXPECT_TRUE(made[to] == source[c]) << "source channel " << c << " in " << to;
            }
        }
    }
    // The six mono files of the profile, too.
    const std::string six = dir_.File("six16.wav");
    ASSERT_EQ(MakeMedia(noise + "7 -af 'pan=5.1(side)|c0=c0|c1=0.9*c0|c2=0.5*c0|c3=0.3*c0|"
                                "c4=0.6*c0|c5=0.7*c0' -c:a pcm_s16le",
                        six),
              0);
    const RunResult run =
        Convert(six, dir_.File("split.wav"), {"-6ch"}, {"-profile(", "AC3_to_Six_Waves_5.1", ")"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto source = DecodeChannels(six);
    ASSERT_EQ(source.size(), 6u);
    for (std::size_t c = 0; c < 6; ++c) {
        const auto single = DecodeChannels(dir_.File(std::string("split") + kSuffixes[c] + ".wav"));
        ASSERT_EQ(single.size(), 1u) << kSuffixes[c];
        EXPECT_TRUE(single[0] == source[c]) << kSuffixes[c];
    }
}

}  // namespace
