// From the job to the file on disk: ConversionJob -> TranscoderCommandLine -> the
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

    // The program's way: the transcoder path without quotes, the argument text after it,
    // resolved by the launcher and run as a child whose stderr is kept.
    static Outcome Run(const ConversionJob& job) {
        Outcome outcome;
        const std::string commandLine = transcoder_ + TranscoderCommandLine(job);
        const auto resolved = platform::ResolveCommandLine(commandLine);
        if (!resolved || resolved->program != transcoder_) {
            ADD_FAILURE() << "not resolved to the transcoder: " << commandLine;
            return outcome;
        }
        platform::ChildProcess child(*resolved);
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
        ASSERT_TRUE(IsSafeForCommandLine(job.SourcePath));
        ASSERT_TRUE(IsSafeForCommandLine(job.TargetPath));
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

// A source whose name holds double quotes splits into extra words. The run refuses such a
// name (IsSafeForCommandLine); should one get through all the same, the transcoder refuses
// the command line and writes nothing: no victim file is replaced or created.
TEST_F(Contract, AQuotedNameCannotRedirectTheOutput) {
    const fs::path victim = music_ / "victim_new.wav";
    WriteFile(victim.string(), "precious");
    WriteFile((music_ / "a").string(), ReadFile((music_ / "-Käse & Brot.wav").string()));
    const std::string literal =
        "a\" -output \"" + (root_->Path() / "bashrc").string() + "\" \"x.wav";
    const std::string pairsUp = "a\" -output \"victim.wav";
    struct Row {
        std::string source;  // as the folder and the list entry give it
        std::string target;  // as the run's naming gives it
    };
    const Row rows[] = {
        {literal, literal.substr(0, literal.size() - 4) + "_new.wav"},
        // Splits into words the transcoder would otherwise all accept, the last -output
        // naming victim_new.wav in the working folder.
        {pairsUp, pairsUp.substr(0, pairsUp.size() - 4) + "_new.wav"},
    };
    const fs::path saved = fs::current_path();
    fs::current_path(music_);
    for (const Row& row : rows) {
        WriteFile((music_ / row.source).string(), "");  // a name a folder can hold
        ConversionJob job = Job(row.source, row.target, TargetFormat::Wav, 0, false, false, 0);
        SCOPED_TRACE(TranscoderCommandLine(job));
        EXPECT_FALSE(IsSafeForCommandLine(job.SourcePath));
        EXPECT_FALSE(IsSafeForCommandLine(job.TargetPath));
        const std::set<std::string> before = MusicFiles();
        const Outcome outcome = Run(job);
        EXPECT_EQ(outcome.status, 2) << outcome.lastErrorLine;
        EXPECT_TRUE(outcome.lastErrorLine.starts_with("BeSweet.exe: ")) << outcome.lastErrorLine;
        EXPECT_EQ(MusicFiles(), before);
        EXPECT_TRUE(ReadFile(victim.string()) == "precious") << "the victim was overwritten";
        EXPECT_FALSE(fs::exists(root_->Path() / "bashrc"));
        fs::remove(music_ / row.source);
    }
    fs::current_path(saved);
}

}  // namespace
