// tonquell-convert as scripts run it: the real program on files made for the test, with the
// real transcoder, against what the window's own code path writes.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../conversion/batch_test_host.h"
#include "../../support/media_cache.h"
#include "../../support/temp_dir.h"
#include "id3v2_reader.h"
#include "run_input.h"
#include "source_kinds.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using Args = std::vector<std::string>;

const std::string kBuild = TONQUELL_BUILD_DIR;
const std::string kTool = kBuild + "/tonquell-convert";

struct Ran {
    int Status = -1;  // the exit status, or 128 + the signal that ended it
    std::string Out;
    std::string Err;
};

// Starts the program with `args`, its output into files of `dir`; returns its process id.
pid_t Start(const Args& args, const TempDir& dir, const std::string& program = kTool) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(dir.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(dir.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

Ran Wait(pid_t pid, const TempDir& dir) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    Ran ran;
    ran.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ran.Out = ReadFile(dir.File("stdout"));
    ran.Err = ReadFile(dir.File("stderr"));
    return ran;
}

Ran RunTool(const Args& args) {
    TempDir logs;
    return Wait(Start(args, logs), logs);
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Every file below `folder` (relative paths, sorted), hidden ones included.
std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory()) {
            files.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The process ids of running transcoders whose command line names `needle`.
std::vector<pid_t> TranscodersNaming(const std::string& needle) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string cmdline = ReadFile(entry.path().string() + "/cmdline");
        if (cmdline.find("BeSweet.exe") != std::string::npos &&
            cmdline.find(needle) != std::string::npos) {
            found.push_back(std::stoi(name));
        }
    }
    return found;
}

// A tone of `seconds` with tags, as FLAC.
void MakeTaggedFlac(const std::string& path, const std::string& title, int seconds = 1) {
    ASSERT_EQ(testing_support::MakeMedia(
                  "-f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
                      " -ac 2 -metadata title=" + title + " -metadata artist=Tonquell -c:a flac",
                  path),
              0);
}

// A music folder with two albums, one with a second CD, a cover and a hidden file that are no
// sources, and a loose file.
class ConvertToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(music_.Path() / "Album A" / "CD 2");
        fs::create_directories(music_.Path() / "Album B");
        MakeTaggedFlac(music_.File("Album A/01.flac"), "Eins");
        MakeTaggedFlac(music_.File("Album A/CD 2/01.flac"), "Zwei");
        MakeTaggedFlac(music_.File("Album B/x.flac"), "Drei");
        MakeTaggedFlac(music_.File("loose.flac"), "Vier");
        testing_support::WriteFile(music_.File("Album A/cover.jpg"), "no audio");
        testing_support::WriteFile(music_.File("Album A/.hidden.flac"), "hidden");
        out_ = (out_dir_.Path() / "out").string();
    }
    Args TreeArgs(Args extra = {}) const {
        Args args = {"-f", "mp3", "-r", "-o", out_};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(),
                    {music_.File("Album A"), music_.File("Album B"), music_.File("loose.flac")});
        return args;
    }
    std::string Title(const std::string& relative) const {
        id3::TagSet tag;
        return id3::ReadId3v2(out_ + "/" + relative, tag) ? tag.Title : "(no tag)";
    }

    TempDir music_;
    TempDir out_dir_;
    std::string out_;
};

const std::vector<std::string> kTreeTargets = {"Album A/01.mp3", "Album A/CD 2/01.mp3",
                                               "Album B/x.mp3", "loose.mp3"};

// The plan of a dry run is what the run then writes: the trees mirrored below the output
// folder, a file given straight into it, each target with its source's tags; nothing but
// the summary on stdout.
TEST_F(ConvertToolTest, DryRunPlanIsWhatTheRunWritesWithTags) {
    const Ran plan = RunTool(TreeArgs({"--dry-run"}));
    EXPECT_EQ(plan.Status, 0) << plan.Err;
    EXPECT_FALSE(fs::exists(out_)) << "a dry run makes nothing";
    std::vector<std::string> planned;
    for (const std::string& line : LinesOf(plan.Out)) {
        const std::size_t arrow = line.find(" -> " + out_ + "/");
        if (arrow != std::string::npos) {
            planned.push_back(line.substr(arrow + 5 + out_.size()));
        }
    }
    EXPECT_EQ(LinesOf(plan.Out).back(), "dry run: 4 files: 4 to convert");
    // The files given first, then each tree; a tree's own files before its sub-folders.
    EXPECT_EQ(LinesOf(plan.Out).front(), music_.File("loose.flac") + " -> " + out_ + "/loose.mp3");
    EXPECT_EQ(LinesOf(plan.Out)[1],
              music_.File("Album A/01.flac") + " -> " + out_ + "/Album A/01.mp3");

    const std::string report = out_dir_.File("report.json");
    const Ran run = RunTool(TreeArgs({"-j", "2", "--report", report}));
    EXPECT_EQ(run.Status, 0) << run.Err;
    // Each file's seconds are its own transcoder's, whatever order the two ended in.
    const std::string check =
        "python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); "
        "assert [f[\"outcome\"] for f in r[\"files\"]]==[\"converted\"]*4, r; "
        "assert all(f[\"seconds\"]>0 for f in r[\"files\"]), r' '" +
        report + "'";
    EXPECT_EQ(std::system(check.c_str()), 0) << ReadFile(report);
    fs::remove(report);
    EXPECT_EQ(run.Err, "");
    ASSERT_EQ(LinesOf(run.Out).size(), 1u) << run.Out;
    EXPECT_TRUE(run.Out.starts_with("4 files: 4 converted in ")) << run.Out;
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ(planned, kTreeTargets);
    EXPECT_EQ(FilesBelow(out_), kTreeTargets);
    EXPECT_EQ(Title("Album A/01.mp3"), "Eins");
    EXPECT_EQ(Title("Album A/CD 2/01.mp3"), "Zwei");
    EXPECT_EQ(Title("loose.mp3"), "Vier");
}

// A second run that skips existing targets writes nothing and says so in its report; one
// that does not gives "_new" names, and a third is refused with status 1, overwriting
// nothing. A folder without -r gives its own files only.
TEST_F(ConvertToolTest, RerunsSkipOrTakeNewNamesAndTheReportCountsThem) {
    ASSERT_EQ(RunTool(TreeArgs()).Status, 0);
    const auto before = fs::last_write_time(out_ + "/loose.mp3");
    const std::string report = out_dir_.File("report.json");
    const Ran skip = RunTool(TreeArgs({"--existing", "skip", "--report", report}));
    EXPECT_EQ(skip.Status, 0) << skip.Err;
    EXPECT_TRUE(skip.Out.starts_with("4 files: 4 skipped in ")) << skip.Out;
    EXPECT_EQ(FilesBelow(out_), kTreeTargets);
    EXPECT_EQ(fs::last_write_time(out_ + "/loose.mp3"), before);
    // Parsed as JSON by another program: the counts, and each file's target and outcome.
    const std::string check =
        "python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); s=r[\"summary\"]; "
        "assert s[\"skipped\"]==4 and s[\"converted\"]==0 and s[\"exit_status\"]==0, s; "
        "f=r[\"files\"][0]; assert f[\"outcome\"]==\"skipped\" and "
        "f[\"target\"].endswith(\"/out/loose.mp3\") and f[\"reason\"].endswith(\" exists\"), f; "
        "assert all(type(x[\"seconds\"]) is float for x in r[\"files\"])' '" +
        report + "'";
    EXPECT_EQ(std::system(check.c_str()), 0) << ReadFile(report);

    ASSERT_EQ(RunTool(TreeArgs()).Status, 0);
    EXPECT_TRUE(fs::exists(out_ + "/Album A/CD 2/01_new.mp3"));
    const Ran third =
        RunTool({"-f", "mp3", "-o", out_, "--report", report, music_.File("loose.flac")});
    EXPECT_EQ(third.Status, 1);
    EXPECT_EQ(third.Err, "tonquell-convert: refused: '" + music_.File("loose.flac") + "': '" +
                             out_ + "/loose_new.mp3' exists too; nothing is overwritten\n");
    EXPECT_EQ(FilesBelow(out_).size(), 8u);

    TempDir flat;
    const Ran own = RunTool({"-f", "wav", "-o", flat.Path().string(), music_.File("Album A")});
    EXPECT_EQ(own.Status, 0) << own.Err;
    EXPECT_EQ(FilesBelow(flat.Path()), std::vector<std::string>{"Album A/01.wav"});
}

// Each bad input gets one line naming it, and the good file beside them still converts.
TEST_F(ConvertToolTest, BadFilesGetALineEachAndTheOthersConvert) {
    const std::string notAudio = music_.File("notes.mp3");
    testing_support::WriteFile(notAudio, "this is text, not MPEG audio\n");
    const std::string locked = music_.File("locked.flac");
    fs::copy_file(music_.File("loose.flac"), locked);
    ::chmod(locked.c_str(), 0);
    // 252 bytes of name and ".ts": as an MP3 the name is too long (the system cannot even say
    // whether it is taken, so it counts as taken and the "_new" name is the one named).
    const std::string longName = music_.File(std::string(252, 'n') + ".ts");
    testing_support::WriteFile(longName, "x");
    const std::string missing = music_.File("missing.flac");
    const Ran ran = RunTool(
        {"-f", "mp3", "-j", "1", notAudio, missing, locked, longName, music_.File("loose.flac")});
    EXPECT_EQ(ran.Status, 1);
    EXPECT_TRUE(fs::exists(music_.File("loose.mp3")));
    std::vector<std::string> lines = LinesOf(ran.Err);
    auto has = [&](const std::string& start, const std::string& part) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.starts_with(start) && line.find(part) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("tonquell-convert: failed: '" + missing + "': ", "No such file")) << ran.Err;
    // The file is named once, by the line around the transcoder's reason.
    EXPECT_TRUE(has("tonquell-convert: failed: '" + notAudio + "': not an audio or video file",
                    "(transcoder status 1)"))
        << ran.Err;
    EXPECT_TRUE(has("tonquell-convert: failed: '" + longName + "': ",
                    "_new.mp3' is 260 bytes long, its folder allows 255"))
        << ran.Err;
    const std::size_t expected = ::geteuid() == 0 ? 3u : 4u;  // root reads a locked file
    EXPECT_EQ(lines.size(), expected) << ran.Err;
    if (::geteuid() != 0) {
        EXPECT_TRUE(has("tonquell-convert: failed: '" + locked + "': ", "")) << ran.Err;
    }
    EXPECT_FALSE(fs::exists(music_.File("notes.mp3.mp3")));
    for (const std::string& name : testing_support::Names(music_.Path())) {
        EXPECT_FALSE(name.starts_with(".tq-")) << name;
    }
    ::chmod(locked.c_str(), 0644);
}

// Usage that cannot work ends before anything starts: status 2, one line, nothing written.
TEST_F(ConvertToolTest, BadUsageEndsBeforeAnythingStarts) {
    testing_support::WriteFile(out_dir_.File("a file"), "x");
    struct Case {
        Args args;
        std::string line;
    };
    const Case cases[] = {
        {{"-f", "mp3", "-b", "100", music_.File("loose.flac")},
         "tonquell-convert: bitrate 100 is not offered for mp3; it takes 80, 96, 112, 128, 160, "
         "192, 224, 256, 320 (see tonquell-convert --help)\n"},
        {{"-f", "mp3", "-o", out_dir_.File("a file/sub"), music_.File("loose.flac")},
         "tonquell-convert: output folder '" + out_dir_.File("a file/sub") + "' is not a folder\n"},
        {{"-f", "mp3", "-o", out_dir_.File("a file"), music_.File("loose.flac")},
         "tonquell-convert: output folder '" + out_dir_.File("a file") + "' is not a folder\n"},
        {{"--bogus"}, "tonquell-convert: unknown option --bogus (see tonquell-convert --help)\n"},
    };
    for (const Case& c : cases) {
        const Ran ran = RunTool(c.args);
        EXPECT_EQ(ran.Status, 2) << c.line;
        EXPECT_EQ(ran.Err, c.line);
        EXPECT_EQ(ran.Out, "");
    }
    EXPECT_FALSE(fs::exists(music_.File("loose.mp3")));
    const Ran help = RunTool({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_TRUE(help.Out.starts_with("usage: tonquell-convert -f FORMAT")) << help.Out;
    const Ran version = RunTool({"--version"});
    EXPECT_TRUE(version.Out.starts_with("tonquell-convert (Tonquell Audio Converter) "));
}

// A stop signal mid-run ends the transcoders, leaves no temporary file and no partial target;
// the finished file keeps its output and tags. A second signal leaves nothing either; SIGTERM
// stops as SIGINT does.
TEST_F(ConvertToolTest, StopSignalsLeaveNothingHalfDone) {
    const std::pair<int, int> stops[] = {{SIGINT, 1}, {SIGINT, 2}, {SIGTERM, 1}};
    for (const auto& [sig, signals] : stops) {
        TempDir src;
        for (const char* name : {"a", "b", "c"}) {
            MakeTaggedFlac(src.File(std::string(name) + ".flac"), name, 60);
        }
        TempDir logs;
        const std::string out = src.File("out");
        const pid_t pid = Start({"-f", "mp3", "-j", "1", "-o", out, src.File("a.flac"),
                                 src.File("b.flac"), src.File("c.flac")},
                                logs);
        // Waits for a file finished and the next one under way; no limit on how long.
        bool under_way = false;
        while (!under_way && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            std::error_code ec;
            if (fs::exists(out + "/a.mp3", ec)) {
                for (const auto& entry : fs::directory_iterator(out, ec)) {
                    under_way = under_way || entry.path().filename().string().starts_with(".tq-");
                }
            }
            ::usleep(2000);
        }
        ASSERT_TRUE(under_way) << "the run ended before it could be stopped";
        for (int i = 0; i < signals; ++i) {
            ::kill(pid, sig);
        }
        const Ran ran = Wait(pid, logs);
        EXPECT_EQ(ran.Status, 128 + sig) << ran.Err;
        EXPECT_TRUE(TranscodersNaming(src.Path().string()).empty());
        EXPECT_EQ(FilesBelow(out), std::vector<std::string>{"a.mp3"}) << signals;
        id3::TagSet tag;
        EXPECT_TRUE(id3::ReadId3v2(out + "/a.mp3", tag));
        EXPECT_EQ(tag.Title, "a");
        EXPECT_NE(ran.Out.find("1 converted, 1 stopped; stopped, 1 not started"), std::string::npos)
            << ran.Out;
    }
}

// A transcoder that does not heed the stop is ended outright after a while, so a stopped run
// always ends (without that this test never ends). The program runs from a folder of its own
// beside a stand-in that ignores SIGTERM.
TEST_F(ConvertToolTest, ATranscoderDeafToTheStopIsEndedOutright) {
    TempDir program;
    fs::copy_file(kTool, program.File("tonquell-convert"));
    testing_support::WriteFile(program.File("BeSweet.exe"),
                               "#!/bin/sh\ntrap '' TERM\necho $$ > \"$(dirname \"$0\")/pid\"\n"
                               "exec sleep infinity\n");
    fs::permissions(program.File("BeSweet.exe"), fs::perms::owner_all);
    TempDir logs;
    const pid_t pid =
        Start({"-f", "wav", music_.File("loose.flac")}, logs, program.File("tonquell-convert"));
    while (!fs::exists(program.File("pid")) || ReadFile(program.File("pid")).empty()) {
        ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "ended before its transcoder ran";
        ::usleep(2000);
    }
    const std::string deaf = ReadFile(program.File("pid"));
    ::kill(pid, SIGINT);
    const Ran ran = Wait(pid, logs);
    EXPECT_EQ(ran.Status, 128 + SIGINT) << ran.Err;
    EXPECT_FALSE(fs::exists("/proc/" + deaf.substr(0, deaf.find('\n')) + "/cmdline"));
    EXPECT_FALSE(fs::exists(music_.File("loose.wav")));
}

// On a terminal the progress goes to one line, rewritten in place and cleared at the end; the
// summary stays.
TEST_F(ConvertToolTest, OnATerminalOneLineIsRewrittenInPlace) {
    TempDir logs;
    const std::string command = "script -qec \"'" + kTool + "' -f wav -j 1 '" +
                                music_.File("loose.flac") + "' '" + music_.File("Album B/x.flac") +
                                "'\" /dev/null > '" + logs.File("tty") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string tty = ReadFile(logs.File("tty"));
    EXPECT_NE(tty.find("\r\x1b[K1/2 done, "), std::string::npos) << tty;
    EXPECT_NE(tty.find("\r\x1b[K2 files: 2 converted in "), std::string::npos) << tty;
    EXPECT_EQ(tty.find('\n'), tty.size() - 1) << "one line of its own: the summary";
}

// The same file through the terminal program and through the window's own road (its form,
// RunInputFrom, the engine) gives the same bytes, tags included.
TEST_F(ConvertToolTest, SameBytesAsTheWindowsRoad) {
    struct Format {
        TargetFormat format;
        std::string name;
    };
    for (const Format& f : {Format{TargetFormat::Mp3, "mp3"}, Format{TargetFormat::Wav, "wav"},
                            Format{TargetFormat::Mpa, "mpa"}}) {
        TempDir here;
        TempDir window;
        fs::copy_file(music_.File("loose.flac"), here.File("loose.flac"));
        fs::copy_file(music_.File("loose.flac"), window.File("loose.flac"));
        const Ran ran = RunTool({"-f", f.name, "-j", "1", here.File("loose.flac")});
        ASSERT_EQ(ran.Status, 0) << ran.Err;

        FormState form;
        form.Format = f.format;
        batch::RunInput input =
            batch::RunInputFrom(form, {{"loose.flac", true}}, window.Path().string(), "*.*");
        batch::Setup setup;
        setup.TranscoderPath = kBuild + "/BeSweet.exe";
        setup.AppTitle = "Tonquell Audio Converter";
        setup.ClosingYields = 1;
        setup.Jobs = 1;
        setup.Cores = platform::UsableCores();
        batchtest::Driver driver;
        const batch::Report report = driver.Run(setup, input);
        ASSERT_EQ(report.Count(batch::Outcome::Converted), 1) << f.name;
        const std::string mine = ReadFile(here.File("loose." + f.name));
        EXPECT_GT(mine.size(), 1000u);
        EXPECT_TRUE(mine == ReadFile(window.File("loose." + f.name))) << f.name;
    }
}

}  // namespace
