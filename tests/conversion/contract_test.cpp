// From the job to the file on disk: ConversionJob -> BuildTranscoderArguments -> the
// platform launcher -> the real BeSweet.exe -> the output read back with libavformat.
// The program folder is reached through a symbolic link and holds blanks; the music folder
// and the file names hold blanks, umlauts and a leading dash.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "../support/media_cache.h"
#include "../support/temp_dir.h"
#include "../transcoder/media_probe.h"
#include "child_process.h"
#include "command_line.h"
#include "process.h"

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const char* const kSixSuffixes[6] = {"_FL", "_FR", "_C", "_LFE", "_SL", "_SR"};

// What one run of the transcoder reported.
struct Outcome {
    bool started = false;
    std::optional<int> status;
    std::string lastErrorLine;
};

class Contract : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new TempDir();
        const fs::path real = root_->Path() / "Programme echt";
        fs::create_directories(real);
        fs::copy_file(fs::path(TONQUELL_BUILD_DIR) / "BeSweet.exe", real / "BeSweet.exe");
        fs::create_directory_symlink(real, root_->Path() / "Ton quell");
        transcoder_ = (root_->Path() / "Ton quell" / "BeSweet.exe").string();
        music_ = root_->Path() / "Mü sik -x";
        fs::create_directories(music_);
        // Two seconds each: a stereo WAV, an MP3, a 5.1 AC3.
        Make("-Käse & Brot.wav", "-f lavfi -i sine=f=440:d=2:r=44100 -ac 2 -c:a pcm_s16le");
        Make("Straße Nr 5.mp3",
             "-f lavfi -i sine=f=440:d=2:r=44100 -ac 2 -c:a libmp3lame -b:a 128k");
        Make("Kinö 5.1.ac3",
             "-f lavfi -i sine=f=440:d=2:r=48000 -af 'pan=5.1(side)|c0=c0|c1=c0|c2=c0|c3=c0|"
             "c4=c0|c5=c0' -c:a ac3 -b:a 448k");
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
    }

    static void Make(const std::string& name, const std::string& recipe) {
        ASSERT_EQ(testing_support::MakeMedia(recipe, (music_ / name).string()), 0) << name;
    }

    static ConversionJob Job(const std::string& source, const std::string& target,
                             TargetFormat format, int resample, bool normalise, bool six,
                             std::int16_t bitrate) {
        ConversionJob job;
        job.SourcePath = (music_ / source).string();
        job.TargetPath = (music_ / target).string();
        job.Format = format;
        job.SourceKind = SourceKindOf(job.SourcePath);
        job.ResampleChoice = resample;
        job.Normalise = normalise;
        job.SplitToSixWav = six;
        job.Bitrate = bitrate;
        return job;
    }

    // The program's way: the transcoder started with the job's words as its argv, the child's
    // stderr kept. The text, which the console shows, names the same program and words.
    static Outcome Run(const ConversionJob& job) {
        const TranscoderArguments args = BuildTranscoderArguments(job);
        const auto resolved = platform::ResolveCommandLine(transcoder_ + args.Text);
        if (!resolved || resolved->program != transcoder_) {
            ADD_FAILURE() << "the text does not name the transcoder: " << args.Text;
        }
        return Start(platform::ResolvedCommand{transcoder_, args.Words});
    }

    static Outcome Start(const platform::ResolvedCommand& command) {
        Outcome outcome;
        platform::ChildProcess child(command);
        outcome.started = child.Started();
        outcome.status = child.Wait();
        outcome.lastErrorLine = child.LastErrorLine();
        return outcome;
    }

    static std::set<std::string> MusicFiles() {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(music_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    static TempDir* root_;
    static std::string transcoder_;
    static fs::path music_;
};

TempDir* Contract::root_ = nullptr;
std::string Contract::transcoder_;
fs::path Contract::music_;

TEST_F(Contract, EveryTargetFormatAndTheSixFileProfileMakeTheirFiles) {
    using enum TargetFormat;
    struct Row {
        ConversionJob job;
        std::string codec;
        int channels;
        int rate;
        std::int64_t bitrate;  // 0: not checked
    };
    const Row rows[] = {
        {Job("Straße Nr 5.mp3", "Straße Nr 5.wav", Wav, 2, true, false, 0), "pcm_s16le", 2, 48000,
         0},
        {Job("-Käse & Brot.wav", "-Käse & Brot_new.wav", Wav, 0, false, false, 0), "pcm_s16le", 2,
         44100, 0},
        {Job("Kinö 5.1.ac3", "Kinö 5.1 stereo.wav", Wav, 1, false, false, 0), "pcm_s16le", 2, 44100,
         0},
        {Job("-Käse & Brot.wav", "-Käse & Brot.mp3", Mp3, 0, false, false, 192), "mp3", 2, 44100,
         192000},
        {Job("Kinö 5.1.ac3", "Kinö 5.1.mp3", Mp3, 1, true, false, 128), "mp3", 2, 44100, 128000},
        {Job("-Käse & Brot.wav", "-Käse & Brot.ac3", Ac3, 1, false, false, 192), "ac3", 2, 48000,
         192000},
        {Job("Kinö 5.1.ac3", "Kinö 5.1_new.ac3", Ac3, 0, false, false, 448), "ac3", 6, 48000,
         448000},
        {Job("Straße Nr 5.mp3", "Straße Nr 5.mpa", Mpa, 1, false, false, 384), "mp2", 2, 48000,
         384000},
        {Job("Kinö 5.1.ac3", "Kinö 5.1.mpa", Mpa, 0, false, false, 224), "mp2", 2, 48000, 224000},
        {Job("Kinö 5.1.ac3", "Kinö 5.1.wav", Wav, 0, false, true, 0), "pcm_s16le", 6, 48000, 0},
    };
    for (const Row& row : rows) {
        const ConversionJob& job = row.job;
        SCOPED_TRACE(TranscoderCommandLine(job));
        const Outcome outcome = Run(job);
        ASSERT_TRUE(outcome.started);
        ASSERT_EQ(outcome.status, 0) << outcome.lastErrorLine;
        const auto info = Probe(job.TargetPath);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->codec, row.codec);
        EXPECT_EQ(info->channels, row.channels);
        EXPECT_EQ(info->rate, row.rate);
        if (row.bitrate != 0) {
            EXPECT_EQ(info->bitrate, row.bitrate);
        }
        EXPECT_NEAR(info->duration, 2.0, 0.1);
        if (job.SplitToSixWav) {
            const std::string base = job.TargetPath.substr(0, job.TargetPath.size() - 4);
            for (const char* suffix : kSixSuffixes) {
                const auto mono = Probe(base + suffix + ".wav");
                ASSERT_TRUE(mono) << suffix;
                EXPECT_EQ(mono->channels, 1) << suffix;
                EXPECT_NEAR(mono->duration, 2.0, 0.1) << suffix;
            }
        }
    }
    for (const std::string& name : MusicFiles()) {
        EXPECT_FALSE(name.starts_with(".tq-")) << name;
    }
}

// Names that the text cannot carry and the words can: each converts into its own target and
// nothing else in the folder appears or changes.
TEST_F(Contract, EveryNameAFolderCanHoldConvertsIntoItsOwnTarget) {
    const std::string names[] = {
        "Blue Monday (12\" Version).mp3",
        "two \"quoted\" words.mp3",
        "line\nbreak.mp3",
        "tab\there.mp3",
        "-leading dash.mp3",
        "$HOME.mp3",
        "back`quote`.mp3",
        " -output x.mp3",
        "a\" -output \"victim.mp3",
        "Gr\xfc\xdf"
        "e.mp3",                         // Latin-1 bytes, not UTF-8
        std::string(246, 'n') + ".mp3",  // 250 bytes
    };
    const fs::path folder = root_->Path() / "names";
    fs::create_directories(folder);
    WriteFile((folder / "victim.wav").string(), "precious");
    const std::string audio = ReadFile((music_ / "Straße Nr 5.mp3").string());
    const fs::path saved = fs::current_path();
    fs::current_path(folder);  // a stray relative -output would land here
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        WriteFile((folder / name).string(), audio);
        std::set<std::string> expected;
        for (const auto& entry : fs::directory_iterator(folder)) {
            expected.insert(entry.path().filename().string());
        }
        const std::string target = name.substr(0, name.size() - 4) + ".wav";
        expected.insert(target);
        ConversionJob job;
        job.SourcePath = (folder / name).string();
        job.TargetPath = (folder / target).string();
        job.SourceKind = SourceKindOf(job.SourcePath);
        job.Format = TargetFormat::Wav;
        const Outcome outcome = Run(job);
        ASSERT_TRUE(outcome.started);
        EXPECT_EQ(outcome.status, 0) << outcome.lastErrorLine;
        const auto info = Probe(job.TargetPath);
        ASSERT_TRUE(info);
        EXPECT_NEAR(info->duration, 2.0, 0.1);
        std::set<std::string> now;
        for (const auto& entry : fs::directory_iterator(folder)) {
            now.insert(entry.path().filename().string());
        }
        EXPECT_EQ(now, expected);
    }
    fs::current_path(saved);
    EXPECT_TRUE(ReadFile((folder / "victim.wav").string()) == "precious");
}

// Should a name ever be split out of the text again, its extra words cannot choose the
// file that gets written: the transcoder refuses a second -output and writes nothing.
TEST_F(Contract, ATextSplitAgainCannotRedirectTheOutput) {
    const fs::path victim = music_ / "victim_new.wav";
    WriteFile(victim.string(), "precious");
    const std::string source = "a\" -output \"victim.wav";
    WriteFile((music_ / source).string(), ReadFile((music_ / "-Käse & Brot.wav").string()));
    ConversionJob job = Job(source, source.substr(0, source.size() - 4) + "_new.wav",
                            TargetFormat::Wav, 0, false, false, 0);
    const fs::path saved = fs::current_path();
    fs::current_path(music_);
    const std::set<std::string> before = MusicFiles();
    const auto resplit = platform::ResolveCommandLine(transcoder_ + TranscoderCommandLine(job));
    ASSERT_TRUE(resplit);
    EXPECT_NE(resplit->args, BuildTranscoderArguments(job).Words);
    const Outcome outcome = Start(*resplit);
    EXPECT_EQ(outcome.status, 2) << outcome.lastErrorLine;
    EXPECT_TRUE(outcome.lastErrorLine.starts_with("BeSweet.exe: ")) << outcome.lastErrorLine;
    EXPECT_EQ(MusicFiles(), before);
    EXPECT_TRUE(ReadFile(victim.string()) == "precious") << "the victim was overwritten";
    fs::remove(music_ / source);
    fs::current_path(saved);
}

}  // namespace
