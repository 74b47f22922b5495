#include "batch_engine.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "../support/temp_dir.h"
#include "batch_test_host.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "tag_set.h"

namespace {

namespace fs = std::filesystem;
using batch::Cause;
using batch::Outcome;
using batchtest::Driver;
using testing_support::TempDir;

// A stand-in that reports half its work, then writes its output, unless its source's name
// holds "bad": then it complains on stderr and fails.
const char* const kSucceedOrFail =
    "echo 50%\n"
    "case \"$in\" in *bad*) echo \"BeSweet.exe: '$in' is broken\" >&2; exit 1;; esac\n"
    ": > \"$out\"\n";

// A stand-in that writes into a temporary file beside its output until it is stopped (it
// then removes it, as the transcoder does) or until the file "go" appears in its folder.
const char* const kUntilGoOrStopped =
    "tmp=\"$(dirname \"$out\")/.tq-$$\"\n"
    "trap 'rm -f \"$tmp\"; exit 143' TERM\n"
    "echo data > \"$tmp\"\n"
    "n=0\n"
    "while [ ! -e \"$(dirname \"$0\")/go\" ] && [ $n -lt 1000 ]; do sleep 0.01; n=$((n + 1)); "
    "done\n"
    "mv \"$tmp\" \"$out\"\n";

struct Folder {
    TempDir program;
    TempDir music;
    std::string transcoder = program.File("BeSweet.exe");
    std::string File(const std::string& name) const { return music.File(name); }
    void Touch(const std::string& name) const { testing_support::WriteFile(File(name), "x"); }
};

batch::Setup SetupFor(const std::string& transcoder, int jobs, int yields = 3) {
    return {transcoder, "T", yields, jobs, 2};
}

batch::RunInput Input(const Folder& folder, std::vector<batch::Entry> entries, int format = 0) {
    batch::RunInput input;
    input.Folder = folder.music.Path().string();
    input.Entries = std::move(entries);
    input.Format = format;
    input.ConvertAll = true;
    input.Bitrate = 192;
    return input;
}

std::vector<std::string> TempFiles(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().starts_with(".tq-")) {
            found.push_back(e.path().filename().string());
        }
    }
    return found;
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

TEST(BatchEngine, OneAtATimeMakesTheSameCallsAsTheSequentialRun) {
    Folder f;
    batchtest::WriteScript(f.transcoder, kSucceedOrFail);
    for (const char* name : {"a.wav", "b.wav", "b_new.wav", "c_bad.wav", "d.wav"}) {
        f.Touch(name);
    }
    Driver driver;
    const batch::Report report = driver.Run(
        SetupFor(f.transcoder, 1),
        Input(f, {{"a.wav", false}, {"b.wav", false}, {"c_bad.wav", false}, {"d.wav", false}}));

    const std::string dir = f.music.Path().string() + "/";
    auto launch = [&](const std::string& base) {
        return "launch " + f.transcoder + " -core( -input \"" + dir + base + ".wav\" -output \"" +
               dir + base + "_new.wav\" -2ch )";
    };
    // The calls the sequential run made, in its order: the refusal and the failure each
    // finish their file, and the report follows the closing.
    const std::vector<std::string> expected = {"busy",
                                               "bar",
                                               "progress 0",
                                               "yield x1",
                                               "title a.wav - T",
                                               launch("a"),
                                               "progress 25",
                                               "title b.wav - T",
                                               "progress 50",
                                               "title c_bad.wav - T",
                                               launch("c_bad"),
                                               "progress 75",
                                               "title d.wav - T",
                                               launch("d"),
                                               "progress 100",
                                               "yield x3",
                                               "refresh",
                                               "idle",
                                               "nobar",
                                               "report",
                                               "finished"};
    EXPECT_EQ(driver.trace, expected);
    EXPECT_EQ(report.Total, 4);
    EXPECT_EQ(report.Done, 4);
    const std::vector<batch::FileReport> files = {
        {Outcome::Converted, dir + "a.wav", dir + "a_new.wav"},
        {Outcome::Refused, dir + "b.wav", dir + "b_new.wav", Cause::TargetExists},
        {Outcome::Failed, dir + "c_bad.wav", dir + "c_bad_new.wav", Cause::TranscoderFailed,
         "BeSweet.exe: '" + dir + "c_bad.wav' is broken", 1},
        {Outcome::Converted, dir + "d.wav", dir + "d_new.wav"}};
    EXPECT_EQ(report.Files, files);
    // In between, each file's half-way line moved the bar within that file's quarter.
    EXPECT_EQ(driver.between, (std::vector<int>{12, 62, 87}));
    EXPECT_EQ(driver.mostAtOnce, 1);
}

TEST(BatchEngine, TwoRunAtOnceWithAThreadCountForTheCores) {
    Folder f;
    // Each waits until the other has started too; one at a time, it would wait in vain.
    batchtest::WriteScript(f.transcoder,
                           ": > \"$out.started\"\n"
                           "n=0\n"
                           "while [ \"$(ls \"$(dirname \"$out\")\" | grep -c started)\" -lt 2 ] && "
                           "[ $n -lt 1000 ]; do sleep 0.01; n=$((n + 1)); done\n"
                           "[ $n -lt 1000 ] && : > \"$out\"\n");
    f.Touch("a.ogg");
    f.Touch("b.ogg");
    f.Touch("c.ogg");
    Driver driver;
    const batch::Report report =
        driver.Run(SetupFor(f.transcoder, 2),
                   Input(f, {{"a.ogg", false}, {"b.ogg", false}, {"c.ogg", false}}));
    EXPECT_EQ(report.Count(Outcome::Converted), 3);
    EXPECT_EQ(report.Done, 3);
    EXPECT_EQ(driver.mostAtOnce, 2);
    for (const char* out : {"a.wav", "b.wav", "c.wav"}) {
        EXPECT_TRUE(fs::exists(f.File(out))) << out;
    }
    // Two cores, two at once: each transcoder keeps both its threads.
    ASSERT_EQ(driver.launches.size(), 3u);
    for (const batch::LaunchRequest& launch : driver.launches) {
        EXPECT_EQ(launch.Threads, 2);
    }

    // More at once than cores: one thread each, until the list's end leaves fewer running.
    for (const char* out : {"a.wav", "b.wav", "c.wav"}) {
        fs::remove(f.File(out));
    }
    Driver crowded;
    EXPECT_EQ(crowded
                  .Run(SetupFor(f.transcoder, 3),
                       Input(f, {{"a.ogg", false}, {"b.ogg", false}, {"c.ogg", false}}))
                  .Done,
              3);
    ASSERT_EQ(crowded.launches.size(), 3u);
    EXPECT_EQ(crowded.launches[0].Threads, 1);
    EXPECT_EQ(crowded.launches[2].Threads, 1);
}

TEST(BatchEngine, ReservedNamesCountAsTakenAsOneAtATimeWouldFindThem) {
    // The same lists, one at a time and two at a time: the same outputs, the same refusals.
    struct Case {
        std::vector<std::string> sources;
        std::vector<std::string> existing;
        std::vector<std::string> outputs;
        std::vector<std::string> refused;
    } const cases[] = {
        {{"a.mp3", "a.wav"}, {}, {"a_new.mp3"}, {"a_new.mp3"}},
        {{"a.wav", "a.ogg"}, {}, {"a.mp3", "a_new.mp3"}, {}},
        {{"a.mp3"}, {"a_new.mp3"}, {}, {"a_new.mp3"}},
        {{"a.wav", "a.ogg", "a.mp2"}, {}, {"a.mp3", "a_new.mp3"}, {"a_new.mp3"}},
    };
    for (const Case& c : cases) {
        for (const int jobs : {1, 2}) {
            Folder f;
            batchtest::WriteScript(f.transcoder, kUntilGoOrStopped);
            testing_support::WriteFile(f.program.File("go"), "");
            std::vector<batch::Entry> entries;
            for (const std::string& s : c.sources) {
                f.Touch(s);
                entries.push_back({s, false});
            }
            for (const std::string& e : c.existing) {
                f.Touch(e);
            }
            Driver driver;
            const batch::Report report =
                driver.Run(SetupFor(f.transcoder, jobs), Input(f, entries, 1));
            std::vector<std::string> targets;
            for (const batch::LaunchRequest& l : driver.launches) {
                const std::size_t at = l.CommandLine.find("-output \"") + 9;
                targets.push_back(
                    fs::path(l.CommandLine.substr(at, l.CommandLine.find('"', at) - at))
                        .filename()
                        .string());
            }
            EXPECT_EQ(targets, c.outputs) << c.sources[0] << " jobs " << jobs;
            EXPECT_EQ(batchtest::TargetNames(report, Outcome::Refused), c.refused)
                << c.sources[0] << " jobs " << jobs;
        }
    }
}

// Refusals no longer hold the run up: the others run on, and one report lists every file in
// list order, whatever order they ended in.
TEST(BatchEngine, RefusalsJoinTheReportInListOrder) {
    Folder f;
    batchtest::WriteScript(f.transcoder, kSucceedOrFail);
    for (const char* name : {"x.wav", "y.wav", "y_new.wav", "z.wav", "z_new.wav", "w.wav"}) {
        f.Touch(name);
    }
    Driver driver;
    const batch::Report report = driver.Run(
        SetupFor(f.transcoder, 2),
        Input(f, {{"x.wav", false}, {"y.wav", false}, {"z.wav", false}, {"w.wav", false}}));
    EXPECT_EQ(driver.launches.size(), 2u);
    EXPECT_EQ(driver.reports.size(), 1u);
    std::vector<std::pair<std::string, Outcome>> order;
    for (const batch::FileReport& file : report.Files) {
        order.emplace_back(fs::path(file.Target).filename().string(), file.Result);
    }
    EXPECT_EQ(order,
              (std::vector<std::pair<std::string, Outcome>>{{"x_new.wav", Outcome::Converted},
                                                            {"y_new.wav", Outcome::Refused},
                                                            {"z_new.wav", Outcome::Refused},
                                                            {"w_new.wav", Outcome::Converted}}));
    EXPECT_EQ(driver.progress.back(), 100);
}

TEST(BatchEngine, ProgressAtEachFinishAndInBetween) {
    Folder f;
    batchtest::WriteScript(f.transcoder, kSucceedOrFail);
    f.Touch("a.ogg");
    f.Touch("b.ogg");
    f.Touch("c.ogg");
    const batch::RunInput input = Input(f, {{"a.ogg", false}, {"b.ogg", false}, {"c.ogg", false}});

    Driver one;
    one.Run(SetupFor(f.transcoder, 1), input);
    std::vector<int> atFinish;
    for (const std::string& t : one.trace) {
        if (t.starts_with("progress ")) {
            atFinish.push_back(std::stoi(t.substr(9)));
        }
    }
    EXPECT_EQ(atFinish, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(one.between, (std::vector<int>{16, 50, 83}));

    for (const char* out : {"a.wav", "b.wav", "c.wav"}) {
        fs::remove(f.File(out));
    }
    Driver two;
    two.Run(SetupFor(f.transcoder, 2), input);
    EXPECT_TRUE(std::is_sorted(two.progress.begin(), two.progress.end()));
    EXPECT_EQ(two.progress.back(), 100);
}

TEST(BatchEngine, FailureAmongSuccessesIsNamedAndTheOthersConvert) {
    Folder f;
    batchtest::WriteScript(f.transcoder, kSucceedOrFail);
    for (const char* name : {"a.ogg", "b_bad.ogg", "c.ogg", "d.ogg"}) {
        f.Touch(name);
    }
    Driver driver;
    const batch::Report report = driver.Run(
        SetupFor(f.transcoder, 2),
        Input(f, {{"a.ogg", false}, {"b_bad.ogg", false}, {"c.ogg", false}, {"d.ogg", false}}));
    EXPECT_EQ(report.Done, 4);
    const std::vector<batch::FileReport> failed = report.With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Source, f.File("b_bad.ogg"));
    EXPECT_EQ(failed[0].Detail, "BeSweet.exe: '" + f.File("b_bad.ogg") + "' is broken");
    for (const char* out : {"a.wav", "c.wav", "d.wav"}) {
        EXPECT_TRUE(fs::exists(f.File(out))) << out;
    }
    EXPECT_FALSE(fs::exists(f.File("b_bad.wav")));
    ASSERT_EQ(driver.reports.size(), 1u);
    EXPECT_EQ(driver.reports[0], report);
}

TEST(BatchEngine, StopWithTwoRunningLeavesNoTemporaryNoOutputAndNoChild) {
    Folder f;
    batchtest::WriteScript(f.transcoder, kUntilGoOrStopped);
    for (const char* name : {"a.ogg", "b.ogg", "c.ogg"}) {
        f.Touch(name);
    }
    Driver driver;
    bool bothWriting = false;
    driver.onLaunch = [&](int launched) {
        if (launched == 2) {
            bothWriting = WaitFor([&] { return TempFiles(f.music.Path()).size() == 2; });
            driver.engine->Stop();
        }
    };
    const batch::Report report =
        driver.Run(SetupFor(f.transcoder, 2),
                   Input(f, {{"a.ogg", false}, {"b.ogg", false}, {"c.ogg", false}}));
    EXPECT_TRUE(bothWriting);
    EXPECT_TRUE(report.Stopped);
    EXPECT_EQ(driver.launches.size(), 2u);  // c.ogg never started
    EXPECT_EQ(batchtest::SourceNames(report, Outcome::Stopped),
              (std::vector<std::string>{"a.ogg", "b.ogg"}));
    EXPECT_EQ(report.Done, 0);
    EXPECT_TRUE(TempFiles(f.music.Path()).empty());
    for (const char* out : {"a.wav", "b.wav", "c.wav"}) {
        EXPECT_FALSE(fs::exists(f.File(out))) << out;
    }
    for (const pid_t pid : driver.pids) {
        EXPECT_EQ(::kill(pid, 0), -1);
        EXPECT_EQ(errno, ESRCH);
    }
    // The window is restored as after the last file; the report names the stopped files.
    const std::vector<std::string> tail(driver.trace.end() - 5, driver.trace.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"refresh", "idle", "nobar", "report", "finished"}));
    ASSERT_EQ(driver.reports.size(), 1u);
    EXPECT_EQ(driver.reports[0].Count(Outcome::Stopped), 2);
}

TEST(BatchEngine, StopKeepsWhatHadFinishedWithItsTags) {
    Folder f;
    // a.mp3 finishes at once; b.mp3 runs until stopped.
    batchtest::WriteScript(f.transcoder, "case \"$in\" in *a.mp3) : > \"$out\"; exit 0;; esac\n" +
                                             std::string(kUntilGoOrStopped));
    f.Touch("a.mp3");
    f.Touch("b.mp3");
    id3::TagSet v1;
    v1.Title = "Kept";
    ASSERT_TRUE(id3::WriteId3v1(f.File("a.mp3"), v1, false));
    Driver driver;
    driver.onLaunch = [&](int launched) {
        if (launched == 2) {
            WaitFor([&] { return fs::exists(f.File("a_new.mp3")); });
            WaitFor([&] { return !TempFiles(f.music.Path()).empty(); });
        }
    };
    bool stopped = false;
    // Stop once a.mp3 has been taken in (its progress step made).
    const batch::Report report = [&] {
        batch::Engine run(driver, SetupFor(f.transcoder, 2),
                          Input(f, {{"a.mp3", false}, {"b.mp3", false}}, 1));
        driver.engine = &run;
        run.Start();
        while (!driver.finished) {
            if (!stopped && run.report().Done == 1) {
                stopped = true;
                run.Stop();
            }
            driver.RunOneStep();
        }
        return driver.report;
    }();
    EXPECT_TRUE(report.Stopped);
    EXPECT_EQ(report.Done, 1);
    EXPECT_EQ(batchtest::SourceNames(report, Outcome::Stopped), std::vector<std::string>{"b.mp3"});
    EXPECT_EQ(batchtest::SourceNames(report, Outcome::Converted),
              std::vector<std::string>{"a.mp3"});
    id3::TagSet got;
    ASSERT_TRUE(id3::ReadId3v1(f.File("a_new.mp3"), got));
    EXPECT_EQ(got.Title, "Kept");
    EXPECT_FALSE(fs::exists(f.File("b_new.mp3")));
}

TEST(BatchEngine, TranscoderThatCannotStartOrWritesNothingIsAFailure) {
    Folder f;
    f.Touch("a.wav");
    f.Touch("b.wav");
    Driver missing;
    const batch::Report notStarted = missing.Run(SetupFor(f.program.File("missing"), 2),
                                                 Input(f, {{"a.wav", false}, {"b.wav", false}}));
    ASSERT_EQ(notStarted.Count(Outcome::Failed), 2);
    EXPECT_EQ(notStarted.Files[0].Why, Cause::TranscoderNotStarted);
    EXPECT_FALSE(notStarted.Files[0].Detail.empty());
    EXPECT_EQ(notStarted.Done, 2);
    EXPECT_EQ(missing.progress, (std::vector<int>{0, 50, 100}));

    batchtest::WriteStandIn(f.transcoder, /*writeOutput=*/false, 0);
    Driver quiet;
    const batch::Report nothing =
        quiet.Run(SetupFor(f.transcoder, 1), Input(f, {{"a.wav", false}}));
    ASSERT_EQ(nothing.Files.size(), 1u);
    EXPECT_EQ(nothing.Files[0].Result, Outcome::Failed);
    EXPECT_EQ(nothing.Files[0].Why, Cause::NoOutput);

    // A transcoder that leaves a file but fails: the file gets no tags.
    batchtest::WriteStandIn(f.transcoder, /*writeOutput=*/true, 1);
    testing_support::WriteFile(f.File("c.mp3"), std::string(256, 'x'));
    id3::TagSet v1;
    v1.Artist = "Somebody";
    ASSERT_TRUE(id3::WriteId3v1(f.File("c.mp3"), v1, false));
    Driver failing;
    const batch::Report failed =
        failing.Run(SetupFor(f.transcoder, 1), Input(f, {{"c.mp3", false}}, 1));
    ASSERT_EQ(failed.Files.size(), 1u);
    EXPECT_EQ(failed.Files[0].Why, Cause::TranscoderFailed);
    EXPECT_EQ(failed.Files[0].Number, 1);
    EXPECT_EQ(failed.Files[0].Detail, "");
    EXPECT_EQ(fs::file_size(f.File("c_new.mp3")), 0u);
}

TEST(BatchEngine, WarningsAreListedApartAndTheTagsAreWritten) {
    Folder f;
    batchtest::WriteScript(
        f.transcoder,
        "case \"$in\" in *warn*) echo \"BeSweet.exe: warning: '$in': 0.03 s at 59.97 s could "
        "not be decoded\" >&2;; esac\n"
        "case \"$in\" in *bad*) echo \"BeSweet.exe: broken\" >&2; exit 1;; esac\n"
        ": > \"$out\"\n");
    f.Touch("warn.mp3");
    f.Touch("bad.mp3");
    id3::TagSet v1;
    v1.Artist = "Tagged";
    ASSERT_TRUE(id3::WriteId3v1(f.File("warn.mp3"), v1, false));
    Driver driver;
    const batch::Report report = driver.Run(SetupFor(f.transcoder, 2),
                                            Input(f, {{"bad.mp3", false}, {"warn.mp3", false}}, 1));
    const std::vector<batch::FileReport> warned = report.With(Outcome::Warned);
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned[0].Source, f.File("warn.mp3"));
    EXPECT_EQ(warned[0].Target, f.File("warn_new.mp3"));
    EXPECT_EQ(warned[0].Why, Cause::Warnings);
    EXPECT_EQ(warned[0].Detail, "0.03 s at 59.97 s could not be decoded");
    ASSERT_EQ(report.Count(Outcome::Failed), 1);
    id3::TagSet got;
    ASSERT_TRUE(id3::ReadId3v1(f.File("warn_new.mp3"), got));
    EXPECT_EQ(got.Artist, "Tagged");
    // Failed before warned in run order: the report keeps the list's order.
    EXPECT_EQ(report.Files[0].Result, Outcome::Failed);
    EXPECT_EQ(report.Files[1].Result, Outcome::Warned);
    EXPECT_EQ(driver.reports.size(), 1u);
}

TEST(BatchEngine, LinesOfTheTranscoder) {
    EXPECT_EQ(batch::ProgressShare("42%"), 0.42);
    EXPECT_EQ(batch::ProgressShare("100%"), 1.0);
    EXPECT_EQ(batch::ProgressShare("0%"), 0.0);
    for (const char* other : {"%", "101%", "4 2%", "42", "-1%", "1000%"}) {
        EXPECT_FALSE(batch::ProgressShare(other)) << other;
    }
    EXPECT_EQ(batch::WarningText("BeSweet.exe: warning: '/m/a b.mp3': 2 frames lost"),
              "2 frames lost");
    EXPECT_EQ(batch::WarningText("BeSweet.exe: warning: odd"), "odd");
    EXPECT_FALSE(batch::WarningText("BeSweet.exe: '/m/a.mp3' is broken"));
    EXPECT_EQ(batch::JobCount(0, 2), 2);
    EXPECT_EQ(batch::JobCount(0, 32), 8);
    EXPECT_EQ(batch::JobCount(0, 0), 1);
    EXPECT_EQ(batch::JobCount(1, 16), 1);
    EXPECT_EQ(batch::JobCount(12, 2), 12);
}

}  // namespace
