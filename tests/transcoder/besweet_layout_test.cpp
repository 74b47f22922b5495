// Runs build/BeSweet.exe on generated AC-3 streams that switch between stereo and 5.1, as
// broadcast recordings do, and checks that every part keeps its channels in the output.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "../support/media_cache.h"
#include "cli_run.h"
#include "media_probe.h"
#include "process.h"

namespace {

namespace fs = std::filesystem;

// ffmpeg arguments that make each part (2 s each, 48 kHz, AC-3 and E-AC-3). The stereo part has the
// front tones of the 5.1 part: 300 Hz left, 500 Hz right.
const std::map<std::string, std::string> kParts = {
    {"stereo.ac3",
     "-filter_complex 'sine=f=300:d=2:r=48000[l];sine=f=500:d=2:r=48000[r];"
     "[l][r]join=inputs=2:channel_layout=stereo:map=0.0-FL|1.0-FR' -c:a ac3 -b:a 192k"},
    {"surround.ac3", "-filter_complex '" + SixToneGraph(2) + "' -ar 48000 -c:a ac3 -b:a 448k"},
    {"stereo.eac3",
     "-filter_complex 'sine=f=300:d=2:r=48000[l];sine=f=500:d=2:r=48000[r];"
     "[l][r]join=inputs=2:channel_layout=stereo:map=0.0-FL|1.0-FR' -c:a eac3 -b:a 192k"},
    {"surround.eac3", "-filter_complex '" + SixToneGraph(2) + "' -ar 48000 -c:a eac3 -b:a 448k"},
};

class BeSweetLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/besweet-layout-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        for (const auto& [name, recipe] : kParts) {
            ASSERT_EQ(testing_support::MakeMedia(recipe, Path(name)), 0) << name;
        }
        // Raw AC-3 frames joined byte for byte, as a recording that switches layout.
        const std::string stereo = ReadFile(Path("stereo.ac3"));
        const std::string surround = ReadFile(Path("surround.ac3"));
        std::ofstream(Path("stereo-then-5.1.ac3"), std::ios::binary) << stereo << surround;
        std::ofstream(Path("5.1-then-stereo.ac3"), std::ios::binary) << surround << stereo;
        std::ofstream(Path("stereo-then-5.1.eac3"), std::ios::binary)
            << ReadFile(Path("stereo.eac3")) << ReadFile(Path("surround.eac3"));
        const std::string vob = "ffmpeg -v fatal -nostdin -y -i " + Path("stereo-then-5.1.ac3") +
                                " -c:a copy -f vob " + Path("stereo-then-5.1.vob");
        ASSERT_EQ(std::system(vob.c_str()), 0) << vob;
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    static std::string Path(const std::string& name) { return folder_ + "/" + name; }

    // Runs the transcoder on `input` into `output` with the rest of the argument text.
    static RunResult Convert(const std::string& input, const std::string& output,
                             const std::string& coreSwitches, const std::string& modules) {
        std::vector<std::string> words = {kTranscoder};
        const std::string text = " -core( -input \"" + input + "\" -output \"" + output + "\" " +
                                 coreSwitches + " ) -azid( -d 3/2 ) " + modules;
        for (const platform::CommandWord& w : platform::SplitCommandLine(text)) {
            words.push_back(w.text);
        }
        return Spawn(words, folder_);
    }

    static std::string folder_;
};

std::string BeSweetLayout::folder_;

// Checks a 5.1 output of a stereo part and a 5.1 part (the stereo one first or second):
// both halves carry 300 Hz in FL and 500 Hz in FR, the 5.1 half carries every channel's own
// tone, and the stereo half leaves the other four channels silent.
void ExpectBothParts(const std::vector<std::vector<float>>& channels, bool stereoFirst,
                     const std::string& what) {
    ASSERT_EQ(channels.size(), 6u) << what;
    const std::size_t frames = channels[0].size();
    EXPECT_NEAR(static_cast<double>(frames) / 48000, 4.0, 0.1) << what;
    for (int c = 0; c < 6; ++c) {
        const auto middle = channels[c].begin() + static_cast<std::ptrdiff_t>(frames / 2);
        const std::vector<float> first(channels[c].begin(), middle);
        const std::vector<float> second(middle, channels[c].end());
        const std::vector<float>& stereoPart = stereoFirst ? first : second;
        const std::vector<float>& surroundPart = stereoFirst ? second : first;
        const std::string label = what + " channel " + std::string(kSuffixes[c]);
        EXPECT_GT(ToneLevel(surroundPart, 48000, kTones[c]), 0.02) << label;
        if (c < 2) {
            EXPECT_GT(ToneLevel(stereoPart, 48000, kTones[c]), 0.05) << label;
        } else {
            // Away from the switch, which encoder delay and block overlap smear a little.
            const std::size_t edge = stereoPart.size() / 10;
            EXPECT_LT(Peak({{stereoPart.begin() + static_cast<std::ptrdiff_t>(edge),
                             stereoPart.end() - static_cast<std::ptrdiff_t>(edge)}}),
                      0.002f)
                << label;
        }
    }
}

// -6ch, and an AC3 target that learns from the frame headers that the stream widens, give
// 5.1 from the start; each part goes in by channel role, whichever comes first. The source
// has every output channel somewhere, so there is no warning about missing ones.
TEST_F(BeSweetLayout, SixChannelOutputsKeepEveryPartsChannels) {
    struct Row {
        std::string input;
        std::string output;
        std::string coreSwitches;
        std::string modules;
    };
    const std::vector<Row> rows = {
        {"stereo-then-5.1.ac3", "six.wav", "-6ch", ""},
        {"5.1-then-stereo.ac3", "six.wav", "-6ch", ""},
        {"stereo-then-5.1.ac3", "six.ac3", "-6ch", "-ac3enc( -b 448 )"},
        {"5.1-then-stereo.ac3", "six.ac3", "-6ch", "-ac3enc( -b 448 )"},
        {"stereo-then-5.1.ac3", "kept.ac3", "", "-ac3enc( -b 448 )"},
        {"5.1-then-stereo.ac3", "kept.ac3", "", "-ac3enc( -b 448 )"},
        {"stereo-then-5.1.vob", "kept.ac3", "", "-ac3enc( -b 448 )"},
        {"stereo-then-5.1.eac3", "kept.ac3", "", "-ac3enc( -b 448 )"},
    };
    for (const Row& row : rows) {
        const std::string what = row.input + " to " + row.output + " " + row.coreSwitches;
        const std::string output = Path(row.output);
        const RunResult run = Convert(Path(row.input), output, row.coreSwitches, row.modules);
        ASSERT_EQ(run.status, 0) << what << "\n" << run.err;
        EXPECT_EQ(run.err.find("lacks"), std::string::npos) << what << "\n" << run.err;
        const auto info = Probe(output);
        ASSERT_TRUE(info) << what;
        EXPECT_EQ(info->channels, 6) << what;
        ExpectBothParts(DecodeChannels(output), row.input.starts_with("stereo"), what);
        fs::remove(output);
    }
}

// The six-file profile: every mono file follows its role through both parts, so the centre
// file is silent in the stereo part and carries 700 Hz in the 5.1 part.
TEST_F(BeSweetLayout, SixWaveProfileSplitsBothParts) {
    for (const std::string input : {"stereo-then-5.1.ac3", "5.1-then-stereo.ac3"}) {
        const std::string output = Path("split.wav");
        const RunResult run =
            Convert(Path(input), output, "-6ch", "-profile( AC3_to_Six_Waves_5.1 )");
        ASSERT_EQ(run.status, 0) << input << "\n" << run.err;
        std::vector<std::vector<float>> singles;
        for (const char* suffix : kSuffixes) {
            const std::string single = Path(std::string("split") + suffix + ".wav");
            const auto decoded = DecodeChannels(single);
            ASSERT_EQ(decoded.size(), 1u) << single;
            singles.push_back(decoded[0]);
            fs::remove(single);
        }
        ExpectBothParts(singles, input.starts_with("stereo"), input + " mono files");
        ExpectBothParts(DecodeChannels(output), input.starts_with("stereo"), input);
        fs::remove(output);
    }
}

// Without a switch to more channels the output is not widened: a stereo AC-3 source stays
// stereo for an AC3 target, and -6ch still warns that the source lacks channels. A pipe
// cannot be scanned ahead, so there the stream keeps the layout it begins with.
TEST_F(BeSweetLayout, StreamsThatDoNotWidenKeepTheirLayout) {
    const std::string output = Path("plain.ac3");
    RunResult run = Convert(Path("stereo.ac3"), output, "", "-ac3enc( -b 192 )");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(output)->layout, "stereo");
    EXPECT_TRUE(run.err.empty()) << run.err;
    fs::remove(output);

    run = Convert(Path("stereo.ac3"), Path("plain.wav"), "-6ch", "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("the source (FL+FR) lacks some of the output's channels"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Probe(Path("plain.wav"))->channels, 6);
    fs::remove(Path("plain.wav"));

    const std::string pipe = Path("feed.ac3");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string feed = "cat " + Path("stereo-then-5.1.ac3") + " > " + pipe + " &";
    ASSERT_EQ(std::system(feed.c_str()), 0);
    run = Convert(pipe, output, "", "-ac3enc( -b 192 )");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto channels = DecodeChannels(output);
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_NEAR(static_cast<double>(channels[0].size()) / 48000, 4.0, 0.1);
    fs::remove(output);
    fs::remove(pipe);
}

}  // namespace
