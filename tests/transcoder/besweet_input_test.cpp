// What the transcoder accepts as input and output names, and what it refuses as audio:
// random bytes with a few valid frames in them, names that look like URLs, names as long
// as the file system allows, and an output that is the input itself.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "../support/media_cache.h"
#include "cli_run.h"
#include "frame_header.h"
#include "media_probe.h"
#include "pipeline.h"

namespace {

namespace fs = std::filesystem;

const std::string kTempMark = ".tq-";

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string RandomBytes(std::mt19937& random, std::size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(byte(random));
    }
    return bytes;
}

// The MPEG audio frames of a bare MP3 or MP2 stream, in order.
std::vector<std::string> MpegFrames(const std::string& stream) {
    std::vector<std::string> frames;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        const auto* at = reinterpret_cast<const std::uint8_t*>(stream.data() + pos);
        const std::size_t size = transcoder::MpegAudioFrameSize(at, stream.size() - pos);
        if (size == 0 || pos + size > stream.size()) {
            ++pos;
            continue;
        }
        frames.push_back(stream.substr(pos, size));
        pos += size;
    }
    return frames;
}

class BeSweetInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/besweet-input-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        MakeTone("-c:a libmp3lame -b:a 128k", "tone.mp3");
        MakeTone("-c:a pcm_s16le", "tone.wav");
        MakeTone("-c:a mp2 -b:a 192k", "tone.mp2");
        // Frames from the middle: the first MP3 frame is LAME's info frame, without sound.
        const std::vector<std::string> frames = MpegFrames(ReadFile(Path("tone.mp3")));
        ASSERT_GT(frames.size(), 30u);
        mp3Frames_.assign(frames.begin() + 20, frames.begin() + 23);
        const std::vector<std::string> mp2Frames = MpegFrames(ReadFile(Path("tone.mp2")));
        ASSERT_GT(mp2Frames.size(), 30u);
        mp2Frames_.assign(mp2Frames.begin() + 20, mp2Frames.begin() + 23);
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    // A 3 s stereo 440 Hz tone at 44.1 kHz, coded with the ffmpeg options `codec`.
    static void MakeTone(const std::string& codec, const std::string& name) {
        ASSERT_EQ(testing_support::MakeMedia("-f lavfi -i sine=f=440:d=3:r=44100 -ac 2 " + codec,
                                             Path(name)),
                  0)
            << codec;
    }

    static std::string Path(const std::string& name) { return folder_ + "/" + name; }

    // Runs the transcoder with `words` after the program name, in `workDir` when given.
    static RunResult Run(const std::vector<std::string>& words, const std::string& workDir = "") {
        std::vector<std::string> all = {kTranscoder};
        all.insert(all.end(), words.begin(), words.end());
        return Spawn(all, folder_, workDir);
    }

    // -core( -input `in` -output `out` ) followed by `more`.
    static RunResult Convert(const std::string& in, const std::string& out,
                             const std::vector<std::string>& more = {},
                             const std::string& workDir = "") {
        std::vector<std::string> words = {"-core(", "-input", in, "-output", out, ")"};
        words.insert(words.end(), more.begin(), more.end());
        return Run(words, workDir);
    }

    // Names in `folder` (the test folder when empty) that contain `part`.
    static std::vector<std::string> FilesWith(const std::string& part,
                                              const std::string& folder = "") {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.empty() ? folder_ : folder)) {
            const std::string name = entry.path().filename().string();
            if (name.find(part) != std::string::npos) {
                names.push_back(name);
            }
        }
        return names;
    }

    static std::string folder_;
    static std::vector<std::string> mp3Frames_;  // three consecutive frames of tone.mp3
    static std::vector<std::string> mp2Frames_;  // three consecutive frames of tone.mp2
};

std::string BeSweetInput::folder_;
std::vector<std::string> BeSweetInput::mp3Frames_;
std::vector<std::string> BeSweetInput::mp2Frames_;

// Checks a refused run: its exit status, an error line holding `expected` (after warnings
// at most), no temporary file left and `keep` (an existing output or the source) unchanged to the
// byte.
void ExpectRefused(const RunResult& run, int status, const std::string& expected,
                   const std::string& keep, const std::string& keptBytes,
                   const std::vector<std::string>& leftovers, const std::string& what) {
    EXPECT_EQ(run.status, status) << what << "\n" << run.err;
    // Warnings may come first; the error is the last line.
    std::vector<std::string> lines;
    std::istringstream text(run.err);
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty()) << what;
    EXPECT_TRUE(run.err.ends_with("\n")) << what;
    EXPECT_TRUE(lines.back().starts_with("BeSweet.exe: ")) << what << "\n" << run.err;
    EXPECT_NE(lines.back().find(expected), std::string::npos) << what << "\n" << run.err;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with("BeSweet.exe: warning: ")) << what << "\n" << run.err;
    }
    EXPECT_TRUE(ReadFile(keep) == keptBytes) << what;
    EXPECT_TRUE(leftovers.empty()) << what << ": " << leftovers.front();
}

// Random bytes that hold a few valid frames are no audio file: refused, whatever the
// target, and an existing output of the same name stays as it was.
TEST_F(BeSweetInput, RandomBytesAroundAFewFramesAreNotAudio) {
    std::mt19937 random(20261208);
    std::string three;
    for (const std::string& frame : mp3Frames_) {
        three += frame;
    }
    const std::string framesInNoise =
        RandomBytes(random, 100000) + three + RandomBytes(random, 100000);
    const std::string id3v1 = "TAG" + std::string(125, ' ');
    // Short garbage with an ID3v1 block behind it; frames in it make the demuxer take it.
    const std::string garbageWithTag =
        RandomBytes(random, 2000) + three + RandomBytes(random, 1800) + id3v1;
    const std::string mp2InNoise = RandomBytes(random, 30000) + mp2Frames_[0] + mp2Frames_[1] +
                                   mp2Frames_[2] + RandomBytes(random, 30000);
    WriteFile(Path("noise.mp3"), framesInNoise);
    WriteFile(Path("tagged.mp3"), garbageWithTag);
    WriteFile(Path("noise.mp2"), mp2InNoise);
    struct Row {
        std::string input;
        std::string output;
        std::vector<std::string> coreSwitches;
        std::vector<std::string> modules;
    };
    const std::vector<Row> rows = {
        {"noise.mp3", "healthy.wav", {}, {}},
        {"noise.mp3", "healthy.mp3", {}, {"-lame(", "--alt-preset", "cbr", "128", ")"}},
        {"noise.mp3", "healthy.wav", {}, {"-ssrc(", "--rate", "48000", "--normalize", ")"}},
        {"tagged.mp3", "healthy.wav", {}, {}},
        {"tagged.mp3", "healthy.ac3", {}, {"-ac3enc(", "-b", "192", ")"}},
        {"noise.mp2", "healthy.wav", {"-2ch"}, {}},
        {"noise.mp2", "healthy.wav", {"-6ch"}, {"-profile(", "AC3_to_Six_Waves_5.1", ")"}},
    };
    for (const Row& row : rows) {
        const std::string existing = "a healthy output made before: " + row.output;
        WriteFile(Path(row.output), existing);
        std::vector<std::string> words = {"-core(", "-input", Path(row.input), "-output",
                                          Path(row.output)};
        words.insert(words.end(), row.coreSwitches.begin(), row.coreSwitches.end());
        words.push_back(")");
        words.insert(words.end(), row.modules.begin(), row.modules.end());
        const std::string what = row.input + " -> " + row.output;
        ExpectRefused(Run(words), 1, "'" + Path(row.input) + "': not an audio file",
                      Path(row.output), existing, FilesWith(kTempMark), what);
        EXPECT_TRUE(FilesWith("healthy_").empty()) << what;
    }
}

// Real audio with junk around it is still audio: padding after the last frame, a run of
// junk before the first, and tags (a large ID3v2 picture before, ID3v1 and APEv2 after).
TEST_F(BeSweetInput, JunkAndTagsAroundRealAudioStillConvert) {
    std::mt19937 random(7);
    const std::string mp3 = ReadFile(Path("tone.mp3"));
    // An ID3v2.3 tag of 100,000 bytes (a cover picture, say): syncsafe size in its header.
    const std::uint32_t tagSize = 100000;
    std::string id3v2 = "ID3\x03";
    id3v2 += '\0';
    id3v2 += '\0';
    for (const int shift : {21, 14, 7, 0}) {
        id3v2 += static_cast<char>((tagSize >> shift) & 0x7F);
    }
    id3v2 += std::string(tagSize, '\0');
    std::string apeFooter = "APETAGEX";
    const unsigned char apeFields[24] = {0xD0, 0x07, 0, 0, 0x20, 0x4E, 0, 0, 0, 0, 0, 0,
                                         0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0};
    apeFooter.append(reinterpret_cast<const char*>(apeFields), sizeof apeFields);
    // Version 2000, tag size 20,000 (items and footer), no header.
    const std::string apeTag = std::string(20000 - 32, 'x') + apeFooter;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"zeros-after.mp3", mp3 + std::string(20000, '\0')},
        {"junk-before.mp3", RandomBytes(random, 4096) + mp3},
        {"picture.mp3", id3v2 + mp3},
        {"id3v1.mp3", mp3 + "TAG" + std::string(125, 'a')},
        {"ape.mp3", mp3 + std::string(30000, '\0') + apeTag},
    };
    const double expected = DecodedSeconds(Path("tone.mp3"));
    for (const auto& [name, bytes] : rows) {
        WriteFile(Path(name), bytes);
        const std::string output = Path(name + ".wav");
        const RunResult run = Convert(Path(name), output);
        EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
        EXPECT_EQ(run.err, "") << name;
        // Junk may hold a false frame header that decodes as a frame of noise: at most a
        // few frames more.
        const double seconds = DecodedSeconds(output);
        EXPECT_GE(seconds, expected - 0.001) << name;
        EXPECT_LE(seconds, expected + 0.1) << name;
    }
}

// A thousand files of random bytes (fixed seed), some holding one to three real MPEG audio
// frames: not one of them converts, and none leaves a file behind.
TEST_F(BeSweetInput, ThousandRandomFilesNeverConvert) {
    std::mt19937 random(1000);
    std::uniform_int_distribution<std::size_t> size(1024, 65536);
    std::uniform_int_distribution<int> frameCount(0, 3);
    const std::vector<std::string> extensions = {".mp3", ".mp2", ".ac3", ".dts", ".aac", ".wav"};
    const std::string output = Path("random-out.wav");
    int converted = 0;
    for (int i = 0; i < 1000; ++i) {
        std::string bytes = RandomBytes(random, size(random));
        // Frames go only into files of 4 kB or more, where they are a small share.
        const int frames = bytes.size() >= 4096 ? frameCount(random) : 0;
        // The frames go in as one run, as a real stream's frames would follow each other.
        const std::vector<std::string>& source = i % 2 == 0 ? mp3Frames_ : mp2Frames_;
        std::string run;
        for (int f = 0; f < frames; ++f) {
            run += source[static_cast<std::size_t>(f)];
        }
        bytes.insert(std::uniform_int_distribution<std::size_t>(0, bytes.size())(random), run);
        const std::string input = Path("random" + extensions[i % extensions.size()]);
        WriteFile(input, bytes);
        transcoder::Options options;
        options.input = input;
        options.output = output;
        const transcoder::Status status = transcoder::Convert(
            options, [](double) {}, [](const std::string&) {});
        if (status.ok()) {
            ++converted;
            ADD_FAILURE() << "file " << i << " (" << bytes.size() << " bytes, " << frames
                          << " frames) converted";
            fs::remove(output);
        }
        EXPECT_FALSE(status.reason().empty()) << i;
    }
    EXPECT_EQ(converted, 0);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(FilesWith(kTempMark).empty());
}

// A file name of `bytes` bytes ending in `extension`: three-byte UTF-8 characters as far as
// they go, then ASCII letters.
std::string LongName(std::size_t bytes, const std::string& extension) {
    const std::string wide = "\xE6\x9B\xB2";
    std::string name;
    while (name.size() + wide.size() + extension.size() <= bytes) {
        name += wide;
    }
    while (name.size() + extension.size() < bytes) {
        name += 'a';
    }
    return name + extension;
}

// Every name the file system accepts can be written: the temporary name does not grow from
// the output's name. A name one byte too long fails at once with a clear reason.
TEST_F(BeSweetInput, OutputNamesUpToTheFileSystemsLimitAreWritten) {
    const long limit = pathconf(folder_.c_str(), _PC_NAME_MAX);
    ASSERT_GT(limit, 16);
    const std::size_t longest = static_cast<std::size_t>(limit);
    const std::string input = Path("tone.wav");

    for (const std::string extension : {".wav", ".mp3"}) {
        const std::string output = Path(LongName(longest, extension));
        const std::vector<std::string> encoder =
            extension == ".mp3"
                ? std::vector<std::string>{"-lame(", "--alt-preset", "cbr", "128", ")"}
                : std::vector<std::string>{};
        const RunResult run = Convert(input, output, encoder);
        ASSERT_EQ(run.status, 0) << extension << "\n" << run.err;
        const auto info = Probe(output);
        ASSERT_TRUE(info) << extension;
        EXPECT_NEAR(info->duration, 3.0, 0.1) << extension;
        fs::remove(output);
    }

    // The six-channel profile: its longest side name ("_LFE.wav") at the limit.
    const std::string base = LongName(longest - 8, "");
    const std::vector<std::string> profile = {"-profile(", "AC3_to_Six_Waves_5.1", ")"};
    const RunResult six = Convert(input, Path(base + ".wav"), profile);
    ASSERT_EQ(six.status, 0) << six.err;
    for (const char* suffix :
         {".wav", "_FL.wav", "_FR.wav", "_C.wav", "_LFE.wav", "_SL.wav", "_SR.wav"}) {
        EXPECT_TRUE(Probe(Path(base + suffix))) << suffix;
        fs::remove(Path(base + suffix));
    }

    // One byte more: refused before any work, with nothing left behind.
    const std::string tooLong = Path(LongName(longest + 1, ".wav"));
    ExpectRefused(Convert(input, tooLong), 1, "longer than the file system allows", input,
                  ReadFile(input), FilesWith(kTempMark), "name over the limit");
    const std::string sideTooLong = LongName(longest - 7, "");
    const RunResult set = Convert(input, Path(sideTooLong + ".wav"), profile);
    ExpectRefused(set, 1, sideTooLong + "_LFE.wav': the output name is longer", input,
                  ReadFile(input), FilesWith(kTempMark), "side name over the limit");
    // All the long names share their start; the successful runs' files are removed above.
    EXPECT_TRUE(FilesWith(LongName(60, "")).empty());
}

// Input names are local file names, whatever they look like: a colon makes no protocol,
// so no name opens a network address or joins files.
TEST_F(BeSweetInput, NamesWithColonsAreFileNames) {
    const std::string work = Path("names");
    fs::create_directories(work);
    const std::string tone = Path("tone.wav");
    for (const char* name : {"12:30 live.wav", "http:x.wav", "file:x.wav", "a.wav", "b.wav"}) {
        fs::copy_file(tone, work + "/" + name);
    }
    struct Row {
        std::string input;   // relative to `work`
        std::string output;  // relative to `work`
        std::string error;   // part of the error line; empty when the file converts
    };
    const std::vector<Row> rows = {
        {"12:30 live.wav", "12:30 live.mp3", ""},
        {"http:x.wav", "http:y.wav", ""},
        {"file:x.wav", "file out.wav", ""},
        {"concat:a.wav|b.wav", "joined.wav", "No such file or directory"},
        {"http://127.0.0.1:9/x.wav", "net.wav", "No such file or directory"},
        {"subfile:,,start,0,end,0,,:a.wav", "part.wav", "No such file or directory"},
        {"pipe:0", "pipe.wav", "No such file or directory"},
    };
    const std::vector<std::string> lame = {"-lame(", "--alt-preset", "cbr", "128", ")"};
    for (const Row& row : rows) {
        const RunResult run =
            Convert(row.input, row.output,
                    row.output.ends_with(".mp3") ? lame : std::vector<std::string>{}, work);
        const std::string output = work + "/" + row.output;
        if (row.error.empty()) {
            EXPECT_EQ(run.status, 0) << row.input << "\n" << run.err;
            const auto info = Probe(output);
            ASSERT_TRUE(info) << row.input;
            EXPECT_NEAR(info->duration, 3.0, 0.1) << row.input;
        } else {
            ExpectRefused(run, 1, "'" + row.input + "': " + row.error, work + "/a.wav",
                          ReadFile(tone), FilesWith(kTempMark, work), row.input);
            EXPECT_FALSE(fs::exists(output)) << row.input;
        }
    }
    // A file that is really called so is read, once: not two files joined.
    fs::copy_file(tone, work + "/concat:a.wav|b.wav");
    const RunResult joined = Convert("concat:a.wav|b.wav", "joined.wav", {}, work);
    ASSERT_EQ(joined.status, 0) << joined.err;
    EXPECT_NEAR(Probe(work + "/joined.wav")->duration, 3.0, 0.1);
}

// An output that is the input (by any name) is refused before anything is written: the
// source stays as it was, byte for byte.
TEST_F(BeSweetInput, InputAsOutputIsRefused) {
    const std::string work = Path("same");
    fs::create_directories(work);
    const std::string source = work + "/a.wav";
    fs::copy_file(Path("tone.wav"), source);
    fs::copy_file(Path("tone.wav"), work + "/set_FL.wav");
    fs::create_symlink("a.wav", work + "/link.wav");
    fs::create_hard_link(source, work + "/hard.wav");
    const std::string bytes = ReadFile(source);
    const std::string sameFile = "-input and -output name the same file";
    const std::vector<std::string> profile = {"-profile(", "AC3_to_Six_Waves_5.1", ")"};
    struct Row {
        std::string input;
        std::string output;
        std::vector<std::string> more;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"a.wav", "a.wav", {}, "'a.wav': " + sameFile},
        {"./a.wav", "a.wav", {}, "'a.wav': " + sameFile},
        {"a.wav", source, {}, sameFile},
        {"a.wav", "../same/a.wav", {"-lame(", "--alt-preset", "cbr", "128", ")"}, sameFile},
        {"link.wav", "a.wav", {}, sameFile},
        {"a.wav", "link.wav", {}, "'link.wav': " + sameFile},
        {"hard.wav", "a.wav", {}, sameFile},
        {"set_FL.wav", "set.wav", profile, "'set_FL.wav': -input names one of the files"},
    };
    for (const Row& row : rows) {
        const std::string what = row.input + " -> " + row.output;
        const RunResult run = Convert(row.input, row.output, row.more, work);
        ExpectRefused(run, 2, row.expected, source, bytes, FilesWith(kTempMark, work), what);
        EXPECT_TRUE(ReadFile(work + "/set_FL.wav") == bytes) << what;
        EXPECT_FALSE(fs::exists(work + "/set.wav")) << what;
    }
    // A different file of the same content is no clash.
    fs::copy_file(source, work + "/copy.wav");
    EXPECT_EQ(Convert("copy.wav", "a.wav", {}, work).status, 0);
}

}  // namespace
