// Runs build/BeSweet.exe from outside on generated files, with the argument texts the
// program builds, and checks the outputs with libavformat.
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "../support/media_cache.h"
#include "cli_run.h"
#include "media_probe.h"
#include "process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string CentreOnlyGraph() {
    return "anullsrc=r=48000:cl=mono:d=3[a];anullsrc=r=48000:cl=mono:d=3[b];"
           "sine=f=700:d=3:r=48000[c];anullsrc=r=48000:cl=mono:d=3[d];"
           "anullsrc=r=48000:cl=mono:d=3[e];anullsrc=r=48000:cl=mono:d=3[f];"
           "[a][b][c][d][e][f]join=inputs=6:channel_layout=5.1(side):"
           "map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-SL|5.0-SR";
}

// ffmpeg arguments that make each generated input (3 s each).
const std::map<std::string, std::string> kRecipes = {
    {"tone.wav", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a pcm_s16le"},
    {"tone22.wav", "-f lavfi -i sine=f=440:d=3:r=22050 -ac 2 -c:a pcm_s16le"},
    {"tone96.wav", "-f lavfi -i sine=f=440:d=3:r=96000 -ac 2 -c:a pcm_s16le"},
    {"tone1k48.mp2", "-f lavfi -i sine=f=1000:d=3:r=48000 -ac 2 -c:a mp2 -b:a 192k"},
    {"mono.wav", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 1 -c:a pcm_s16le"},
    {"tone48.wav", "-f lavfi -i sine=f=440:d=3:r=48000 -ac 2 -c:a pcm_s16le"},
    {"tone.mp3", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a libmp3lame -b:a 128k"},
    {"tone.mp2", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a mp2 -b:a 192k"},
    {"tone.mpa", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a mp2 -b:a 192k -f mp2"},
    {"tone.ogg", "-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 -c:a libvorbis"},
    {"tone.avi",
     "-f lavfi -i color=c=black:s=64x48:r=25:d=3 -f lavfi -i sine=f=440:d=3:r=44100 -ac 2 "
     "-c:v mpeg4 -c:a libmp3lame -b:a 128k"},
    {"surround.ac3", "-filter_complex '" + SixToneGraph(3) + "' -ar 48000 -c:a ac3 -b:a 448k"},
    {"surround.dts", "-filter_complex '" + SixToneGraph(3) + "' -ar 48000 -c:a dca -strict -2"},
    {"surround.vob", "-f lavfi -i color=c=black:s=64x48:r=25:d=3 -filter_complex '" +
                         SixToneGraph(3) + "' -ar 48000 -c:v mpeg2video -c:a ac3 -b:a 448k -f vob"},
    {"stereo.ac3", "-f lavfi -i sine=f=440:d=3:r=48000 -ac 2 -c:a ac3 -b:a 192k"},
    {"centre.ac3", "-filter_complex '" + CentreOnlyGraph() + "' -c:a ac3 -b:a 448k"},
};

class BeSweet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/besweet-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    // The generated input `name` (made on first use) in a fresh copy named `as`.
    static std::string Input(const std::string& name, const std::string& as = "") {
        const std::string source = folder_ + "/src/" + name;
        if (!fs::exists(source)) {
            fs::create_directories(folder_ + "/src");
            EXPECT_EQ(testing_support::MakeMedia(kRecipes.at(name), source), 0) << name;
        }
        if (as.empty()) {
            return source;
        }
        fs::copy_file(source, Path(as), fs::copy_options::overwrite_existing);
        return Path(as);
    }

    static std::string Path(const std::string& name) { return folder_ + "/" + name; }

    // Runs the transcoder with `argumentText` split as the program's launcher splits it.
    static RunResult Run(const std::string& argumentText) {
        std::vector<std::string> words = {kTranscoder};
        for (const platform::CommandWord& w : platform::SplitCommandLine(argumentText)) {
            words.push_back(w.text);
        }
        return Spawn(words, folder_);
    }

    // The program's own way: the transcoder path without quotes, then the argument text.
    static std::optional<int> RunLikeTheProgram(const std::string& argumentText) {
        return platform::RunAndWaitStatus(kTranscoder + argumentText, 0);
    }

    // Files in the test folder whose names contain `part`.
    static std::vector<std::string> FilesWith(const std::string& part) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name.find(part) != std::string::npos) {
                names.push_back(name);
            }
        }
        return names;
    }

    static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

    static std::string folder_;
};

std::string BeSweet::folder_;

double Decibels(float value) {
    return 20.0 * std::log10(value);
}

// Checks that each channel of `channels` carries the tone of its 5.1 role.
void ExpectOwnTones(const std::vector<std::vector<float>>& channels, int rate,
                    const std::string& what) {
    ASSERT_EQ(channels.size(), 6u) << what;
    for (int c = 0; c < 6; ++c) {
        const double own = ToneLevel(channels[c], rate, kTones[c]);
        EXPECT_GT(own, 0.02) << what << " channel " << c;
        for (int other = 0; other < 6; ++other) {
            if (other != c) {
                EXPECT_LT(ToneLevel(channels[c], rate, kTones[other]), own / 20)
                    << what << " channel " << c << " holds the tone of " << other;
            }
        }
    }
}

// The worked examples of the program's command-line builder, verbatim, run the way the
// program runs them.
TEST_F(BeSweet, WorkedExamplesMakeTheirFiles) {
    const std::string a = Input("tone.mp3", "a.mp3");
    const std::string b = Input("surround.ac3", "b.ac3");
    const std::string c = Input("surround.vob", "c.vob");
    const std::string d = Input("tone.wav", "d.wav");
    const std::string aw = Path("a.wav"), bm = Path("b.mp3"), cw = Path("c.wav"),
                      dm = Path("d.mpa");

    EXPECT_EQ(RunLikeTheProgram(" -core( -input " + Quoted(a) + " -output " + Quoted(aw) +
                                " -2ch ) -ssrc( --rate 48000 --normalize ) "),
              0);
    EXPECT_EQ(RunLikeTheProgram(" -core( -input " + Quoted(b) + " -output " + Quoted(bm) +
                                " ) -azid( -d 3/2 ) -lame( -p --ta ? --alt-preset cbr 192 )"),
              0);
    EXPECT_EQ(RunLikeTheProgram(" -core( -input " + Quoted(c) + " -output " + Quoted(cw) +
                                " -6ch ) -azid( -d 3/2 ) -profile( AC3_to_Six_Waves_5.1 )"),
              0);
    EXPECT_EQ(RunLikeTheProgram(" -core( -input " + Quoted(d) + " -output " + Quoted(dm) +
                                " ) -ssrc( --rate 48000 ) -mp2enc( -m s -b 384 -e )"),
              0);

    const auto awInfo = Probe(aw);
    ASSERT_TRUE(awInfo);
    EXPECT_EQ(*awInfo, (MediaInfo{"pcm_s16le", 2, "stereo", 48000, 1536000, awInfo->duration}));
    EXPECT_NEAR(awInfo->duration, DecodedSeconds(a), 0.001);
    EXPECT_NEAR(Decibels(Peak(DecodeChannels(aw))), 0.0, 0.1);

    const auto bmInfo = Probe(bm);
    ASSERT_TRUE(bmInfo);
    EXPECT_EQ(*bmInfo, (MediaInfo{"mp3", 2, "stereo", 48000, 192000, bmInfo->duration}));
    EXPECT_NEAR(DecodedSeconds(bm), DecodedSeconds(b), 1152.0 / 48000);

    const auto cwInfo = Probe(cw);
    ASSERT_TRUE(cwInfo);
    EXPECT_EQ(cwInfo->channels, 6);
    EXPECT_EQ(cwInfo->rate, 48000);
    ExpectOwnTones(DecodeChannels(cw), 48000, "c.wav");

    const auto dmInfo = Probe(dm);
    ASSERT_TRUE(dmInfo);
    EXPECT_EQ(*dmInfo, (MediaInfo{"mp2", 2, "stereo", 48000, 384000, dmInfo->duration}));
    EXPECT_NEAR(DecodedSeconds(dm), DecodedSeconds(d), 1152.0 / 48000);
}

// Every input type to every target, with the argument texts of the assembly table.
TEST_F(BeSweet, EveryInputTypeConvertsToEveryTarget) {
    struct Source {
        std::string name;
        int rate;
        int channels;
    };
    const std::vector<Source> sources = {
        {"tone.avi", 44100, 2}, {"surround.ac3", 48000, 6}, {"surround.dts", 48000, 6},
        {"tone.mp2", 44100, 2}, {"tone.mp3", 44100, 2},     {"tone.mpa", 44100, 2},
        {"tone.ogg", 44100, 2}, {"surround.vob", 48000, 6}, {"tone.wav", 44100, 2},
    };
    struct Target {
        std::string extension;
        std::string module;
        std::string codec;
        std::int64_t bitrate;
        double frame;  // samples per coded frame
    };
    const std::vector<Target> targets = {
        {".wav", "", "pcm_s16le", 0, 1},
        {".mp3", " -lame( -p --ta ? --alt-preset cbr 192 )", "mp3", 192000, 1152},
        {".ac3", " -ac3enc( -b 448 )", "ac3", 448000, 1536},
        {".mpa", " -mp2enc( -m s -b 256 -e )", "mp2", 256000, 1152},
    };
    for (const Source& source : sources) {
        const std::string input = Input(source.name);
        const bool multichannel = source.name.ends_with(".ac3") || source.name.ends_with(".vob");
        const double inputSeconds = DecodedSeconds(input);
        for (const Target& target : targets) {
            const std::string output = Path(source.name + target.extension);
            std::string text = " -core( -input " + Quoted(input) + " -output " + Quoted(output);
            if (target.extension == ".wav") {
                text += multichannel ? " -2ch ) -azid( -d 3/2 )" : " -2ch )";
            } else {
                text += multichannel ? " ) -azid( -d 3/2 )" : " )";
            }
            text += target.module;
            const RunResult run = Run(text);
            const std::string what = source.name + " to " + target.extension;
            ASSERT_EQ(run.status, 0) << what << "\n" << run.err;
            EXPECT_EQ(run.out, "") << what;
            const auto info = Probe(output);
            ASSERT_TRUE(info) << what;
            EXPECT_EQ(info->codec, target.codec) << what;
            EXPECT_EQ(info->rate, source.rate) << what;
            const int channels = target.extension == ".ac3" ? source.channels : 2;
            EXPECT_EQ(info->channels, channels) << what;
            EXPECT_EQ(info->layout, channels == 6 ? "5.1(side)" : "stereo") << what;
            if (target.bitrate != 0) {
                EXPECT_EQ(info->bitrate, target.bitrate) << what;
            }
            // The decoded length (encoder delay and padding skipped) within one coded frame.
            EXPECT_NEAR(DecodedSeconds(output), inputSeconds, target.frame / source.rate + 0.001)
                << what;
            fs::remove(output);
        }
    }
}

// The option blocks of the assembly table: resampling with and without normalisation.
TEST_F(BeSweet, ResamplesAndNormalisesAsTheOptionBlockAsks) {
    struct Row {
        std::string input;
        std::string output;
        std::string tail;  // what follows the core block's " -input ... -output ..."
        int rate;
        bool normalised;
    };
    const std::vector<Row> rows = {
        {"tone.mp3", "r1.wav", " -2ch ) -ssrc( --rate 44100 --normalize ) ", 44100, true},
        {"tone.ogg", "r2.wav", " -2ch ) -ssrc( --rate 48000 ) ", 48000, false},
        {"surround.ac3", "r3.wav", " -2ch ) -azid( -d 3/2 ) -ssrc( --rate 44100 --normalize ) ",
         44100, true},
        {"tone.wav", "r4.wav", " -2ch ) -ssrc( --normalize ) ", 44100, true},
        {"tone48.wav", "r5.mp3",
         " ) -ssrc( --rate 44100 --normalize ) -lame( -p --ta ? --alt-preset cbr 128 )", 44100,
         true},
        {"tone.wav", "r6.ac3", " ) -ssrc( --rate 48000 --normalize ) -ac3enc( -b 384 )", 48000,
         true},
        {"surround.vob", "r7.mpa",
         " ) -azid( -d 3/2 ) -ssrc( --rate 48000 --normalize ) -mp2enc( -m s -b 192 -e )", 48000,
         true},
    };
    for (const Row& row : rows) {
        const std::string output = Path(row.output);
        const RunResult run = Run(" -core( -input " + Quoted(Input(row.input)) + " -output " +
                                  Quoted(output) + row.tail);
        ASSERT_EQ(run.status, 0) << row.output << "\n" << run.err;
        const auto info = Probe(output);
        ASSERT_TRUE(info) << row.output;
        EXPECT_EQ(info->rate, row.rate) << row.output;
        const double peak = Decibels(Peak(DecodeChannels(output)));
        if (row.output.ends_with(".wav")) {
            if (row.normalised) {
                EXPECT_NEAR(peak, 0.0, 0.1) << row.output;
            } else {
                EXPECT_LT(peak, -6.0) << row.output;  // the generated tones stay at -18 dB
            }
        } else if (row.normalised) {
            EXPECT_GT(peak, -1.0) << row.output;  // lossy coding may shift the peak a little
        }
    }
}

TEST_F(BeSweet, MonoStaysMonoForMp3AndMpaAndGoesToBothSidesWith2ch) {
    struct Row {
        std::string output;
        std::string tail;
        int channels;
        std::int64_t bitrate;
    };
    const std::vector<Row> rows = {
        {"mono.mp3", " ) -lame( -p --ta ? --alt-preset cbr 128 )", 1, 128000},
        // Layer II codes one channel at up to 192 kbit/s: lowered, with a warning.
        {"mono.mpa", " ) -mp2enc( -m s -b 384 -e )", 1, 192000},
        {"mono.ac3", " ) -ac3enc( -b 192 )", 1, 192000},
        {"mono2.wav", " -2ch )", 2, 1411200},
    };
    for (const Row& row : rows) {
        const std::string output = Path(row.output);
        const RunResult run = Run(" -core( -input " + Quoted(Input("mono.wav")) + " -output " +
                                  Quoted(output) + row.tail);
        ASSERT_EQ(run.status, 0) << row.output << "\n" << run.err;
        const auto info = Probe(output);
        ASSERT_TRUE(info) << row.output;
        EXPECT_EQ(info->channels, row.channels) << row.output;
        EXPECT_EQ(info->bitrate, row.bitrate) << row.output;
    }
    const auto sides = DecodeChannels(Path("mono2.wav"));
    ASSERT_EQ(sides.size(), 2u);
    EXPECT_EQ(sides[0], sides[1]);
    EXPECT_NEAR(ToneLevel(sides[0], 44100, 440), 0.125, 0.002);  // the source's own level
}

TEST_F(BeSweet, CentreOnlyToneLandsEquallyInLeftAndRight) {
    const std::string output = Path("centre.wav");
    const RunResult run = Run(" -core( -input " + Quoted(Input("centre.ac3")) + " -output " +
                              Quoted(output) + " -2ch ) -azid( -d 3/2 )");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto channels = DecodeChannels(output);
    ASSERT_EQ(channels.size(), 2u);
    const double left = ToneLevel(channels[0], 48000, 700);
    const double right = ToneLevel(channels[1], 48000, 700);
    EXPECT_GT(left, 0.01);
    EXPECT_NEAR(left, right, left * 0.001);
    // C at -3 dB, scaled by 1 / (1 + 2 * 0.707): the sine source's 1/8 amplitude becomes this.
    EXPECT_NEAR(left, 0.125 * 0.70710678 / (1 + 2 * 0.70710678), 0.005);
}

TEST_F(BeSweet, SixWaveProfileWritesSevenFilesWithTheirOwnChannels) {
    for (const std::string source : {"surround.ac3", "surround.dts"}) {
        const std::string output = Path("six.wav");
        const RunResult run =
            Run(" -core( -input " + Quoted(Input(source)) + " -output " + Quoted(output) +
                " -6ch ) -azid( -d 3/2 ) -profile( AC3_to_Six_Waves_5.1 )");
        ASSERT_EQ(run.status, 0) << source << "\n" << run.err;
        ExpectOwnTones(DecodeChannels(output), 48000, source);
        std::vector<std::vector<float>> singles;
        for (const char* suffix : kSuffixes) {
            const std::string single = Path(std::string("six") + suffix + ".wav");
            const auto info = Probe(single);
            ASSERT_TRUE(info) << single;
            EXPECT_EQ(info->channels, 1);
            const auto decoded = DecodeChannels(single);
            ASSERT_EQ(decoded.size(), 1u);
            singles.push_back(decoded[0]);
            fs::remove(single);
        }
        ExpectOwnTones(singles, 48000, source + " mono files");
        // WAVE_FORMAT_EXTENSIBLE with the 5.1 channel mask FL FR FC LFE + surround pair.
        const std::string header = ReadFile(output).substr(0, 80);
        const std::size_t fmt = header.find("fmt ");
        ASSERT_NE(fmt, std::string::npos);
        EXPECT_EQ(static_cast<unsigned char>(header[fmt + 8]), 0xFE);
        EXPECT_EQ(static_cast<unsigned char>(header[fmt + 9]), 0xFF);
        EXPECT_EQ(static_cast<unsigned char>(header[fmt + 28]), 0x3F);
        fs::remove(output);
    }
}

TEST_F(BeSweet, SixWaveProfileFromAStereoSourceKeepsTheSetAndWarns) {
    const std::string output = Path("stereo6.wav");
    const RunResult run = Run(" -core( -input " + Quoted(Input("tone.mp3")) + " -output " +
                              Quoted(output) + " -6ch ) -profile( AC3_to_Six_Waves_5.1 )");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning"), std::string::npos);
    const auto channels = DecodeChannels(output);
    ASSERT_EQ(channels.size(), 6u);
    EXPECT_GT(ToneLevel(channels[0], 44100, 440), 0.05);
    EXPECT_EQ(Peak({channels[2], channels[3], channels[4], channels[5]}), 0.0f);
    EXPECT_EQ(FilesWith("stereo6").size(), 7u);
}

// Broadcast recordings switch between stereo and 5.1, joined files between sample rates;
// the output keeps the layout and rate the stream began with.
TEST_F(BeSweet, FormatChangeWithinTheStreamIsFollowed) {
    struct Row {
        std::string first;
        std::string second;
        int rate;
        double secondTone;
    };
    const std::vector<Row> rows = {
        {"stereo.ac3", "surround.ac3", 48000, kTones[2]},  // 5.1 after stereo: downmixed
        {"tone.mp2", "tone1k48.mp2", 44100, 1000},         // 48 kHz after 44.1 kHz: resampled
    };
    for (const Row& row : rows) {
        const std::string mixed = Path("mixed-" + row.second);
        std::ofstream(mixed, std::ios::binary)
            << ReadFile(Input(row.first)) << ReadFile(Input(row.second));
        const std::string output = Path("mixed.wav");
        const RunResult run = Run(" -core( -input " + Quoted(mixed) + " -output " + Quoted(output) +
                                  " -2ch ) -azid( -d 3/2 )");
        ASSERT_EQ(run.status, 0) << row.second << "\n" << run.err;
        EXPECT_EQ(Probe(output)->rate, row.rate);
        const auto channels = DecodeChannels(output);
        ASSERT_EQ(channels.size(), 2u);
        EXPECT_NEAR(static_cast<double>(channels[0].size()) / row.rate, 6.0, 0.1) << row.second;
        const std::size_t half = channels[0].size() / 2;
        const std::vector<float> first(channels[0].begin(), channels[0].begin() + half);
        const std::vector<float> second(channels[0].begin() + half, channels[0].end());
        EXPECT_GT(ToneLevel(first, row.rate, 440), 0.05) << row.second;
        EXPECT_LT(ToneLevel(second, row.rate, 440), 0.01) << row.second;
        EXPECT_GT(ToneLevel(second, row.rate, row.secondTone), 0.02) << row.second;
        fs::remove(output);
    }
}

// The MPEG frame headers: CRC as switched, the channel mode asked for, and bare audio
// without ID3 tags at either end.
TEST_F(BeSweet, FrameHeadersFollowTheSwitches) {
    struct Row {
        std::string output;
        std::string tail;
        bool crc;
        int mode;  // header bits: 0 stereo, 1 joint stereo, 2 dual channel
    };
    const std::vector<Row> rows = {
        {"crc.mp3", " ) -lame( -p --ta ? --alt-preset cbr 128 )", true, 1},
        {"plain.mp3", " ) -lame( --alt-preset cbr 128 )", false, 1},
        {"crc.mpa", " ) -mp2enc( -m s -b 192 -e )", true, 0},
        {"plain.mpa", " ) -mp2enc( -m s -b 192 )", false, 0},
        {"dual.mpa", " ) -mp2enc( -m d -b 192 )", false, 2},
    };
    for (const Row& row : rows) {
        const std::string output = Path(row.output);
        const RunResult run = Run(" -core( -input " + Quoted(Input("tone.wav")) + " -output " +
                                  Quoted(output) + row.tail);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto heads = PacketHeads(output);
        ASSERT_GT(heads.size(), 50u) << row.output;
        for (const auto& head : heads) {
            ASSERT_EQ(head[0], 0xFF) << row.output;
            // The protection bit is 0 when a CRC follows the header.
            ASSERT_EQ((head[1] & 1) == 0, row.crc) << row.output;
            ASSERT_EQ(head[3] >> 6, row.mode) << row.output;
        }
        const std::string bytes = ReadFile(output);
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF) << row.output;  // no ID3v2
        EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG") << row.output;  // no ID3v1
    }
}

TEST_F(BeSweet, RateTheEncoderCannotTakeIsResampledWithAWarning) {
    struct Row {
        std::string input;
        std::string output;
        std::string tail;
        int rate;
    };
    const std::vector<Row> rows = {
        {"tone22.wav", "r22.ac3", " ) -ac3enc( -b 192 )", 32000},
        {"tone96.wav", "r96.mp3", " ) -lame( --alt-preset cbr 192 )", 48000},
        {"tone96.wav", "r96.mpa", " ) -mp2enc( -m s -b 192 )", 48000},
        {"tone22.wav", "r22.mpa", " ) -mp2enc( -m s -b 384 -e )", 22050},  // MPEG-2 rate
    };
    for (const Row& row : rows) {
        const std::string output = Path(row.output);
        const RunResult run = Run(" -core( -input " + Quoted(Input(row.input)) + " -output " +
                                  Quoted(output) + row.tail);
        ASSERT_EQ(run.status, 0) << row.output << "\n" << run.err;
        EXPECT_EQ(Probe(output)->rate, row.rate) << row.output;
        const bool resampled = row.rate != (row.input == "tone22.wav" ? 22050 : 96000);
        EXPECT_EQ(run.err.find("Hz; resampling to") != std::string::npos, resampled)
            << row.output << "\n"
            << run.err;
    }
}

TEST_F(BeSweet, TooHighMpaBitrateIsLoweredWithAWarning) {
    const std::string output = Path("high.mpa");
    const RunResult run = Run(" -core( -input " + Quoted(Input("tone.wav")) + " -output " +
                              Quoted(output) + " ) -mp2enc( -m s -b 640 -e )");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the encoder cannot take 640 kbit/s"), std::string::npos)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    const auto info = Probe(output);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bitrate, 384000);
}

TEST_F(BeSweet, BadInputFailsWithAReasonAndLeavesNoFile) {
    const std::string garbage = Path("garbage.mp3");
    {
        std::ofstream out(garbage, std::ios::binary);
        for (int i = 0; i < 20000; ++i) {
            out.put(static_cast<char>((i * 7919 + 13) % 251));
        }
    }
    const std::string text = Path("notes.wav");
    std::ofstream(text) << "not audio at all\n";
    auto truncated = [](const std::string& source, const std::string& as) {
        const std::string whole = ReadFile(Input(source));
        std::ofstream(Path(as), std::ios::binary) << whole.substr(0, whole.size() / 2 + 7);
        return Path(as);
    };
    const std::string cutWav = truncated("tone.wav", "cut.wav");
    const std::string cutMp3 = truncated("tone.mp3", "cut.mp3");
    const std::string cutAc3 = truncated("surround.ac3", "cut.ac3");
    const std::string cutMp2 = truncated("tone.mp2", "cut.mp2");
    const std::string cutDts = truncated("surround.dts", "cut.dts");
    const std::string good = Input("tone.wav");
    fs::create_directories(Path("folder.wav"));
    const std::string pipe = Path("pipe.wav");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string out = Path("out.wav");
    struct Row {
        std::string text;
        std::string output;
        std::string expected;  // part of the stderr line
    };
    const std::vector<Row> rows = {
        {" -core( -input " + Quoted(good) + " -output " + Quoted(out) + " ) -x( )", out,
         "unknown module '-x('"},
        {" -core( -input " + Quoted(good) + " -output " + Quoted(out) + " -4ch )", out,
         "unknown option '-4ch'"},
        {" -core( -output " + Quoted(out) + " -2ch )", out, "no input file"},
        {" -core( -input " + Quoted(good) + " -2ch )", out, "no output file"},
        {" -core( -input " + Quoted(Path("missing.mp3")) + " -output " + Quoted(out) + " -2ch )",
         out, "missing.mp3': No such file or directory"},
        {" -core( -input " + Quoted(garbage) + " -output " + Quoted(out) + " -2ch )", out,
         "garbage.mp3': not an audio or video file"},
        {" -core( -input " + Quoted(text) + " -output " + Quoted(out) + " -2ch )", out,
         "notes.wav': not an audio or video file"},
        {" --strict -core( -input " + Quoted(cutWav) + " -output " + Quoted(out) + " -2ch )", out,
         "cut.wav': the file is truncated: the header promises 3.00 s, 1.50 s are present"},
        {" -core( -input " + Quoted(cutMp3) + " -output " + Quoted(out) +
             " ) -lame( -p --ta ? --alt-preset cbr 128 ) --strict",
         out, "cut.mp3': the file is truncated: the header promises"},
        {" -core( -input " + Quoted(cutAc3) + " -output " + Quoted(out) +
             " ) --strict -azid( -d 3/2 ) -ac3enc( -b 448 )",
         out, "cut.ac3': the file is cut off: "},
        {" -core( -input " + Quoted(cutMp2) + " -output " + Quoted(out) + " -2ch ) --strict", out,
         "cut.mp2': the file is cut off: "},
        {" -core( -input " + Quoted(cutDts) + " -output " + Quoted(out) + " -2ch ) --strict", out,
         "cut.dts': the file is cut off: "},
        {" -core( -input " + Quoted(good) + " -output " + Quoted(Path("nowhere/x.wav")) + " -2ch )",
         Path("nowhere/x.wav"), "x.wav': cannot write to the output folder"},
        {" -core( -input " + Quoted(pipe) + " -output " + Quoted(out) +
             " -2ch ) -ssrc( --rate 48000 --normalize ) ",
         out, "pipe.wav': --normalize reads the input twice and needs a regular file"},
        {" -core( -input " + Quoted(good) + " -output " + Quoted(Path("folder.wav")) + " -2ch )",
         "", "folder.wav': the output name is a folder"},
        {" -core( -input " + Quoted(cutAc3) + " -output " + Quoted(Path("set.wav")) +
             " -6ch ) -azid( -d 3/2 ) -profile( AC3_to_Six_Waves_5.1 ) --strict",
         Path("set.wav"), "cut.ac3': the file is cut off"},
    };
    for (const Row& row : rows) {
        const RunResult run = Run(row.text);
        EXPECT_NE(run.status, 0) << row.text;
        EXPECT_NE(run.err.find(row.expected), std::string::npos) << row.text << "\n" << run.err;
        EXPECT_TRUE(run.err.starts_with("BeSweet.exe: ")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        if (!row.output.empty()) {
            EXPECT_FALSE(fs::exists(row.output)) << row.text;
        }
        EXPECT_TRUE(FilesWith(".tq-").empty()) << row.text;
        EXPECT_TRUE(FilesWith("set_").empty()) << row.text;
    }
}

// Junk after the last frame (padding, a lyrics tag) is no cut-off: the file converts.
TEST_F(BeSweet, TrailingJunkAfterTheLastFrameIsSkipped) {
    const std::string junk = std::string(600, '\0') + "LYRICSBEGINla la laLYRICS200";
    for (const std::string source : {"tone.mp3", "tone.mp2", "surround.ac3", "surround.dts"}) {
        const std::string input = Path("junk-" + source);
        std::ofstream(input, std::ios::binary) << ReadFile(Input(source)) << junk;
        const std::string output = Path("junk.wav");
        const RunResult run =
            Run(" -core( -input " + Quoted(input) + " -output " + Quoted(output) + " -2ch )");
        EXPECT_EQ(run.status, 0) << source << "\n" << run.err;
        EXPECT_EQ(run.err, "") << source << ": junk after the last frame is no damage";
        // FFmpeg's AC-3 parser joins the junk to the last frame (and the ffmpeg tool loses
        // that frame); here it is kept, as everything else is.
        EXPECT_NEAR(DecodedSeconds(output), DecodedSeconds(Input(source)), 0.001) << source;
        fs::remove(output);
    }
}

// On a terminal (a pseudo-terminal here) the percent line appears; elsewhere stdout stays
// empty, as every other test checks.
TEST_F(BeSweet, ProgressShowsOnATerminal) {
    std::vector<std::string> words = {kTranscoder,
                                      "-core(",
                                      "-input",
                                      Input("tone.wav"),
                                      "-output",
                                      Path("progress.mp3"),
                                      ")",
                                      "-lame(",
                                      "--alt-preset",
                                      "cbr",
                                      "128",
                                      ")"};
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) {
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    }
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string seen;
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(terminal, buffer, sizeof buffer)) > 0) {
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_NE(seen.find("\r100%"), std::string::npos) << seen;
}

// Asked with --progress, a pipe gets one line per percent, rising to 100; errors stay on
// stderr, so a reader can show the one and report the other.
TEST_F(BeSweet, ProgressLinesOnAPipeWhenAsked) {
    const RunResult run =
        Run(" -core( -input " + Quoted(Input("tone.wav")) + " -output " +
            Quoted(Path("piped.mp3")) + " ) -lame( --alt-preset cbr 128 ) --progress");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with("100%\n")) << run.out;
    int last = -1;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(line.ends_with("%")) << line;
        const int percent = std::stoi(line);
        EXPECT_GT(percent, last) << run.out;
        last = percent;
    }
    EXPECT_EQ(run.err, "");
    const RunResult failed = Run(" -core( -input " + Quoted(Path("missing.wav")) + " -output " +
                                 Quoted(Path("never.wav")) + " ) --progress");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("missing.wav"), std::string::npos) << failed.err;
}

TEST_F(BeSweet, NoArgumentsPrintTheUsage) {
    const RunResult run = Run("");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with("usage: BeSweet.exe -core(")) << run.err;
    EXPECT_EQ(run.out, "");
}

// The usage text on request goes to stdout with status 0; an unknown word still fails with
// one line.
TEST_F(BeSweet, HelpAndVersionOnRequestUnknownWordsStillFail) {
    for (const std::string word : {"--help", "-h", "--version"}) {
        const RunResult run = Spawn({kTranscoder, word}, folder_);
        EXPECT_EQ(run.status, 0) << word;
        EXPECT_EQ(run.err, "") << word;
        EXPECT_TRUE(run.out.starts_with(word == "--version" ? "BeSweet.exe " : "usage: "))
            << run.out;
    }
    for (const std::string word : {"--helpful", "-v", "--strictly"}) {
        const RunResult run = Spawn({kTranscoder, word}, folder_);
        EXPECT_EQ(run.status, 2) << word;
        EXPECT_EQ(run.out, "") << word;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("'" + word + "'"), std::string::npos) << run.err;
    }
}

TEST_F(BeSweet, ExistingOutputIsReplacedOnlyBySuccess) {
    const std::string output = Path("existing.wav");
    std::ofstream(output) << "old";
    const std::string garbage = Path("empty.mp3");
    std::ofstream(garbage) << "";
    const RunResult failed =
        Run(" -core( -input " + Quoted(garbage) + " -output " + Quoted(output) + " -2ch )");
    EXPECT_NE(failed.status, 0);
    EXPECT_EQ(ReadFile(output), "old");
    const RunResult ok = Run(" -core( -input " + Quoted(Input("tone.wav")) + " -output " +
                             Quoted(output) + " -2ch )");
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(Probe(output)->codec, "pcm_s16le");
    EXPECT_TRUE(FilesWith(".tq-").empty());
}

TEST_F(BeSweet, ShellWordsWithSeparateParenthesesWork) {
    const std::string output = Path("shell.mp3");
    const RunResult run = Spawn({kTranscoder, "-core", "(", "-input", Input("tone.ogg"), "-output",
                                 output, ")", "-lame", "(", "--alt-preset", "cbr", "160", ")"},
                                Path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(output)->bitrate, 160000);
}

// A conversion killed while it writes leaves nothing under the output name. The input is
// a pipe that the test holds open, so the transcoder is certainly still at work.
TEST_F(BeSweet, KilledConversionLeavesNoFile) {
    const std::string pipe = Path("feed.wav");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string output = Path("killed.wav");
    std::vector<std::string> words = {kTranscoder, "-core(", "-input", pipe,
                                      "-output",   output,   "-2ch",   ")"};
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, kTranscoder.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    const std::string wav = ReadFile(Input("tone.wav"));
    {
        const int fd = open(pipe.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        // All but the end of the file: the transcoder starts its output and waits for more.
        const std::size_t part = wav.size() - 4096;
        ASSERT_EQ(write(fd, wav.data(), part), static_cast<ssize_t>(part));
        // Wait (without a time limit) until the temporary output exists.
        int status = 0;
        while (FilesWith(".tq-").empty()) {
            ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the transcoder ended early";
            usleep(10000);
        }
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        close(fd);
    }
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(FilesWith(".tq-").empty());
    fs::remove(pipe);
}

}  // namespace
