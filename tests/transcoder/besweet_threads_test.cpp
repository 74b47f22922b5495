// The transcoder on two threads against one: the same files, byte for byte, the same progress
// lines and warnings, and the same failures. Runs build/BeSweet.exe from outside on generated
// 20-second inputs, long enough for the queue between the threads to fill and wrap.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "../support/media_cache.h"
#include "cli_run.h"
#include "parallel.h"

namespace {

namespace fs = std::filesystem;
using transcoder::Block;
using transcoder::ChainEnd;
using transcoder::Made;
using transcoder::RunChain;

// Pink noise (fixed seeds) under a tone: every encoder and the resampler have work to do.
std::string NoiseGraph(int rate, int seed) {
    return "anoisesrc=c=pink:a=0.3:r=" + std::to_string(rate) + ":d=20:s=" + std::to_string(seed) +
           ",aformat=channel_layouts=stereo[n];sine=f=440:d=20:r=" + std::to_string(rate) +
           ",aformat=channel_layouts=stereo[s];[n][s]amix=inputs=2";
}

std::string SurroundGraph() {
    return "anoisesrc=c=pink:a=0.3:r=48000:d=20:s=3,"
           "pan=5.1(side)|c0=c0|c1=0.9*c0|c2=0.8*c0|c3=0.5*c0|c4=0.7*c0|c5=0.6*c0";
}

// ffmpeg arguments that make each generated input.
const std::map<std::string, std::string> kRecipes = {
    {"music.mp3", "-filter_complex '" + NoiseGraph(44100, 7) + "' -c:a libmp3lame -b:a 192k"},
    {"music.wav", "-filter_complex '" + NoiseGraph(44100, 5) + "' -c:a pcm_s16le"},
    {"music.ogg", "-filter_complex '" + NoiseGraph(48000, 9) + "' -c:a libvorbis -q:a 5"},
    {"surround.ac3", "-filter_complex '" + SurroundGraph() + "' -c:a ac3 -b:a 448k"},
    {"surround.vob", "-f lavfi -i color=c=black:s=64x48:r=25:d=20 -filter_complex '" +
                         SurroundGraph() + "' -c:v mpeg2video -c:a ac3 -b:a 448k -f vob"},
};

class Threads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/besweet-threads-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ + "/src");
        fs::create_directories(folder_ + "/out");
    }
    static void TearDownTestSuite() {
        unsetenv("BESWEET_THREADS");
        fs::remove_all(folder_);
    }

    // The generated input `name`, made on first use.
    static std::string Input(const std::string& name) {
        const std::string path = folder_ + "/src/" + name;
        if (!fs::exists(path)) {
            EXPECT_EQ(testing_support::MakeMedia(kRecipes.at(name), path), 0) << name;
        }
        return path;
    }

    static std::string Out(const std::string& name) { return folder_ + "/out/" + name; }

    // Runs `prefix` (a wrapper, or nothing) and the transcoder with `arguments` on
    // `threads` threads, in an empty output folder.
    static RunResult Run(const std::string& threads, const std::vector<std::string>& arguments,
                         std::vector<std::string> prefix = {}) {
        fs::remove_all(folder_ + "/out");
        fs::create_directories(folder_ + "/out");
        setenv("BESWEET_THREADS", threads.c_str(), 1);
        prefix.push_back(kTranscoder);
        prefix.insert(prefix.end(), arguments.begin(), arguments.end());
        return Spawn(prefix, folder_);
    }

    // Every file in the output folder, by name, with its bytes.
    static std::map<std::string, std::string> Outputs() {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder_ + "/out")) {
            files[entry.path().filename().string()] = ReadFile(entry.path().string());
        }
        return files;
    }

    static std::string folder_;
};

std::string Threads::folder_;

// The pipelines of the converter's command lines, each made on one thread and on two: the
// files, the progress lines and the warnings must be the same. The resampler runs on either
// side of the queue depending on the target (for WAV and the measuring pass, shared between
// both threads by halves of the channels), and normalisation adds the measuring pass.
TEST_F(Threads, TwoThreadsMakeTheSameFilesAsOne) {
    struct Case {
        std::string what;
        std::string input;
        std::vector<std::string> arguments;  // after -input and -output
        std::string output;
        std::size_t files;
    };
    const std::vector<Case> cases = {
        {"WAV, downmixed", "surround.ac3", {"-2ch", ")", "-azid(", "-d", "3/2", ")"}, "a.wav", 1},
        {"WAV, resampled and normalised",
         "music.mp3",
         {"-2ch", ")", "-ssrc(", "--rate", "48000", "--normalize", ")"},
         "b.wav",
         1},
        {"MP3 from 5.1",
         "surround.ac3",
         {")", "-azid(", "-d", "3/2", ")", "-lame(", "-p", "--ta", "?", "--alt-preset", "cbr",
          "192", ")"},
         "c.mp3",
         1},
        {"AC3 from a 5.1 VOB",
         "surround.vob",
         {")", "-azid(", "-d", "3/2", ")", "-ac3enc(", "-b", "448", ")"},
         "d.ac3",
         1},
        {"MPA, resampled",
         "music.wav",
         {")", "-ssrc(", "--rate", "48000", ")", "-mp2enc(", "-m", "s", "-b", "384", "-e", ")"},
         "e.mpa",
         1},
        {"six WAVs",
         "surround.vob",
         {"-6ch", ")", "-azid(", "-d", "3/2", ")", "-profile(", "AC3_to_Six_Waves_5.1", ")"},
         "f.wav",
         7},
        {"MP3 from Vorbis, resampled and normalised",
         "music.ogg",
         {")", "-ssrc(", "--rate", "44100", "--normalize", ")", "-lame(", "-p", "--ta", "?",
          "--alt-preset", "cbr", "128", ")"},
         "g.mp3",
         1},
        {"5.1 WAV, resampled and normalised",
         "surround.ac3",
         {")", "-azid(", "-d", "3/2", ")", "-ssrc(", "--rate", "44100", "--normalize", ")"},
         "h.wav",
         1},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"--progress",   "-core(",  "-input",
                                              Input(c.input), "-output", Out(c.output)};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const RunResult one = Run("1", arguments);
        const std::map<std::string, std::string> oneFiles = Outputs();
        const RunResult two = Run("2", arguments);
        const std::map<std::string, std::string> twoFiles = Outputs();

        EXPECT_EQ(one.status, 0) << c.what << ": " << one.err;
        EXPECT_EQ(two.status, 0) << c.what << ": " << two.err;
        ASSERT_EQ(oneFiles.size(), c.files) << c.what;
        EXPECT_GT(oneFiles.at(c.output).size(), 100000u) << c.what;
        // Compared whole, but reported by name: a mismatch of megabytes helps nobody.
        ASSERT_EQ(twoFiles.size(), oneFiles.size()) << c.what;
        for (const auto& [name, bytes] : oneFiles) {
            EXPECT_TRUE(twoFiles.count(name) != 0 && twoFiles.at(name) == bytes)
                << c.what << ": " << name << " differs";
        }
        EXPECT_EQ(two.out, one.out) << c.what;
        EXPECT_NE(one.out.find("100%\n"), std::string::npos) << c.what;
        EXPECT_EQ(two.err, one.err) << c.what;
    }
}

// A failure on either side of the queue ends the run the same way on two threads as on one:
// the same message, no output, no temporary file, and an older file of the output's name
// kept. The source side fails at the very end (a cut-off last frame under --strict, found
// after every block was written), in the writing pass and in the measuring pass; the output side
// fails in the middle (a file size limit), while the decoder thread is running ahead.
TEST_F(Threads, FailuresEndTheRunAlikeOnEitherSideOfTheQueue) {
    const std::string whole = ReadFile(Input("music.mp3"));
    const std::string cut = folder_ + "/src/cut.mp3";
    { std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 200); }
    // With SIGXFSZ ignored, a write past the limit fails with EFBIG instead of killing.
    const std::vector<std::string> limited = {
        "bash", "-c", "ulimit -f 1024 && trap '' XFSZ && exec \"$0\" \"$@\""};
    struct Case {
        std::string what;
        std::string input;
        std::vector<std::string> arguments;
        std::vector<std::string> prefix;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"cut-off source", cut, {"-2ch", ")", "--strict"}, {}, "cut.mp3': the file is cut off"},
        {"cut-off source, normalised",
         cut,
         {"-2ch", ")", "-ssrc(", "--rate", "48000", "--normalize", ")", "--strict"},
         {},
         "cut.mp3': the file is cut off"},
        {"output past the size limit",
         Input("music.mp3"),
         {"-2ch", ")", "-ssrc(", "--rate", "48000", ")"},
         limited,
         "out.wav': "},
        {"encoded output past the size limit",
         Input("surround.vob"),
         {")", "-azid(", "-d", "3/2", ")", "-ac3enc(", "-b", "640", ")"},
         limited,
         "out.wav': "},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-core(", "-input", c.input, "-output",
                                              Out("out.wav")};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        std::string firstError;
        for (const std::string threads : {"1", "2"}) {
            const std::string what = c.what + " on " + threads + " thread(s)";
            fs::remove_all(folder_ + "/out");
            const RunResult result = [&] {
                fs::create_directories(folder_ + "/out");
                std::ofstream(Out("out.wav")) << "older";
                setenv("BESWEET_THREADS", threads.c_str(), 1);
                std::vector<std::string> words = c.prefix;
                words.push_back(kTranscoder);
                words.insert(words.end(), arguments.begin(), arguments.end());
                return Spawn(words, folder_);
            }();
            EXPECT_EQ(result.status, 1) << what << ": " << result.err;
            EXPECT_NE(result.err.find(c.message), std::string::npos) << what << ": " << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << what;
            EXPECT_EQ(ReadFile(Out("out.wav")), "older") << what;
            EXPECT_EQ(Outputs().size(), 1u) << what << ": a temporary file is left";
            if (firstError.empty()) {
                firstError = result.err;
            } else {
                EXPECT_EQ(result.err, firstError) << what;
            }
        }
    }
}

// The chain itself, with a counting producer: blocks arrive whole and in order, a producer's
// failure comes after every block it made, and a consumer's failure stops the producer.
TEST(Chain, HandsOnEveryBlockInOrderAndStopsOnAFailure) {
    struct Case {
        int blocks;       // the producer makes this many, then ends
        bool failsAtEnd;  // and then fails instead of ending
        int refuseAt;     // the consumer refuses this block (-1: none)
        ChainEnd expected;
    };
    const std::vector<Case> cases = {
        {500, false, -1, ChainEnd::Done},
        {0, false, -1, ChainEnd::Done},
        {37, true, -1, ChainEnd::ProducerFailed},
        {0, true, -1, ChainEnd::ProducerFailed},
        {1000000, false, 5, ChainEnd::ConsumerFailed},
    };
    for (const Case& c : cases) {
        for (const int threads : {1, 2}) {
            const std::string what =
                std::to_string(c.blocks) + " blocks, " + std::to_string(threads) + " thread(s)";
            int made = 0;
            int taken = 0;
            bool inOrder = true;
            const ChainEnd end = RunChain(
                threads,
                [&](Block& block) {
                    if (made == c.blocks) {
                        return c.failsAtEnd ? Made::Failed : Made::End;
                    }
                    // Sizes vary, so a block handed on before it is complete shows.
                    const std::size_t size = 1 + static_cast<std::size_t>(made % 97) * 31;
                    block.planes.assign(2, std::vector<float>(size, static_cast<float>(made)));
                    block.progress = made;
                    ++made;
                    return Made::Block;
                },
                [&](Block& block) {
                    const std::size_t size = 1 + static_cast<std::size_t>(taken % 97) * 31;
                    inOrder =
                        inOrder && block.progress == taken && block.planes.size() == 2 &&
                        block.planes[1] == std::vector<float>(size, static_cast<float>(taken));
                    if (taken == c.refuseAt) {
                        return false;
                    }
                    ++taken;
                    return true;
                });
            EXPECT_EQ(end, c.expected) << what;
            EXPECT_TRUE(inOrder) << what;
            if (c.refuseAt < 0) {
                EXPECT_EQ(taken, c.blocks) << what;
            } else {
                EXPECT_EQ(taken, c.refuseAt) << what;
                // Stopped after a few blocks ahead, not run to its end.
                EXPECT_LT(made, c.refuseAt + 100) << what;
            }
        }
    }
}

// A chain with a middle step, which either thread may take: it sees every block once and in
// order between the producer and the consumer, what it adds arrives with the block, and a
// failure of any of the three ends the chain with that step named, stopping the rest.
TEST(Chain, AMiddleStepPassesEveryBlockOnAndStopsOnAFailure) {
    struct Case {
        int blocks;         // the producer makes this many, then ends
        bool failsAtEnd;    // and then fails instead of ending
        int middleRefuses;  // the middle refuses this block (-1: none)
        int refuseAt;       // the consumer refuses this block (-1: none)
        bool holdsFirst;    // the consumer holds its first block until the producer took
                            // the middle of the next ones
        ChainEnd expected;
    };
    const std::vector<Case> cases = {
        {500, false, -1, -1, false, ChainEnd::Done},
        {500, false, -1, -1, true, ChainEnd::Done},
        {0, false, -1, -1, false, ChainEnd::Done},
        {37, true, -1, -1, false, ChainEnd::ProducerFailed},
        {1000000, false, 5, -1, false, ChainEnd::MiddleFailed},
        {1000000, false, 5, -1, true, ChainEnd::MiddleFailed},  // fails on the producer
        {1000000, false, -1, 5, false, ChainEnd::ConsumerFailed},
    };
    auto sizeOf = [](int n) { return 1 + static_cast<std::size_t>(n % 97) * 31; };
    const std::thread::id caller = std::this_thread::get_id();
    for (const Case& c : cases) {
        for (const int threads : {1, 2}) {
            const std::string what = std::to_string(c.blocks) + " blocks" +
                                     (c.holdsFirst ? ", first held, " : ", ") +
                                     std::to_string(threads) + " thread(s)";
            int made = 0;
            std::atomic<int> passed = 0;
            std::atomic<bool> refused = false;
            std::atomic<bool> lent = false;  // the middle ran on the producer's thread
            int taken = 0;
            bool middleInOrder = true;
            bool inOrder = true;
            const ChainEnd end = RunChain(
                threads,
                [&](Block& block) {
                    if (made == c.blocks) {
                        return c.failsAtEnd ? Made::Failed : Made::End;
                    }
                    block.planes.assign(2,
                                        std::vector<float>(sizeOf(made), static_cast<float>(made)));
                    block.progress = made;
                    ++made;
                    return Made::Block;
                },
                [&](Block& block) {
                    const int n = passed;
                    middleInOrder = middleInOrder && block.progress == n;
                    lent = lent || std::this_thread::get_id() != caller;
                    if (n == c.middleRefuses) {
                        refused = true;
                        return false;
                    }
                    block.side.assign(1, std::vector<float>(sizeOf(n), -static_cast<float>(n)));
                    passed = n + 1;
                    return true;
                },
                [&](Block& block) {
                    // Only the producer can move the middle on meanwhile (bounded, in case it
                    // never does).
                    for (int wait = 0; c.holdsFirst && threads > 1 && taken == 0 && wait < 30000 &&
                                       passed < 3 && !refused;
                         ++wait) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                    const std::size_t size = sizeOf(taken);
                    const float value = static_cast<float>(taken);
                    inOrder = inOrder && block.progress == taken && block.planes.size() == 2 &&
                              block.planes[1] == std::vector<float>(size, value) &&
                              block.side.size() == 1 &&
                              block.side[0] == std::vector<float>(size, -value);
                    if (taken == c.refuseAt) {
                        return false;
                    }
                    ++taken;
                    return true;
                });
            EXPECT_EQ(end, c.expected) << what;
            EXPECT_TRUE(inOrder) << what;
            EXPECT_TRUE(middleInOrder) << what;
            if (threads == 1 || c.holdsFirst) {
                EXPECT_EQ(lent.load(), threads > 1) << what;
            }
            const int stop = std::max(c.middleRefuses, c.refuseAt);
            if (stop < 0) {
                EXPECT_EQ(taken, c.blocks) << what;
                EXPECT_EQ(passed.load(), c.blocks) << what;
            } else {
                EXPECT_EQ(taken, stop) << what;
                // Stopped after a few blocks ahead, not run to its end.
                EXPECT_LT(made, stop + 100) << what;
            }
        }
    }
}

}  // namespace
