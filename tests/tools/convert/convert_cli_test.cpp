// The pieces of tonquell-convert without a transcoder: its command line, the run's input it
// makes from it, and the lines and the JSON it makes from a report.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "convert_input.h"
#include "convert_options.h"
#include "convert_text.h"
#include "run_input.h"
#include "source_kinds.h"

namespace {

using convert_cli::Options;
using convert_cli::ParseArguments;
using Args = std::vector<std::string>;

std::string ErrorOf(const Args& args) {
    const convert_cli::Parsed parsed = ParseArguments(args);
    EXPECT_FALSE(parsed.Value) << args.front();
    return parsed.Error;
}

Options OptionsOf(const Args& args) {
    const convert_cli::Parsed parsed = ParseArguments(args);
    EXPECT_TRUE(parsed.Value) << parsed.Error;
    return parsed.Value.value_or(Options{});
}

// Every option in its short, long and attached spellings gives the same value; words after
// "--" and a lone "-" are paths.
TEST(ConvertArguments, SpellingsOfTheOptionsAgree) {
    const Options a = OptionsOf(
        {"-f",        "mp3",      "-b",     "256",        "--rate", "44100",     "--normalize",
         "-r",        "-o",       "out",    "--existing", "skip",   "-j",        "3",
         "--dry-run", "--report", "r.json", "x.flac",     "--",     "-odd.flac", "-"});
    const Options b = OptionsOf({"--format=mp3", "--bitrate=256", "--rate=44100", "--normalize",
                                 "--recursive", "--output=out", "--existing=skip", "--jobs=3",
                                 "--dry-run", "--report=r.json", "x.flac", "--", "-odd.flac", "-"});
    const Options c = OptionsOf({"-fmp3", "-b256", "--rate", "44100", "--normalize", "-r", "-oout",
                                 "--existing", "skip", "-j3", "--dry-run", "--report", "r.json",
                                 "x.flac", "--", "-odd.flac", "-"});
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(a.Format, TargetFormat::Mp3);
    EXPECT_EQ(a.Bitrate, 256);
    EXPECT_EQ(a.Rate, SampleRate::Hz44100);
    EXPECT_TRUE(a.Normalise && a.Recursive && a.SkipExisting && a.DryRun);
    EXPECT_EQ(a.Jobs, 3);
    EXPECT_EQ(a.Output, "out");
    EXPECT_EQ(a.ReportFile, "r.json");
    EXPECT_EQ(a.Paths, (Args{"x.flac", "-odd.flac", "-"}));
    // Defaults: beside the sources, "_new" names, the window's job rule, the kept rate.
    const Options plain = OptionsOf({"-f", "wav", "x"});
    EXPECT_FALSE(plain.Bitrate || plain.SkipExisting || plain.Recursive || plain.SixWavs);
    EXPECT_EQ(plain.Jobs, 0);
    EXPECT_FALSE(plain.Rate);
    EXPECT_TRUE(OptionsOf({"--help"}).Help);
    EXPECT_TRUE(OptionsOf({"-V"}).Version);
}

// A bitrate off the format's scale is refused with the scale; rates only where the window's
// frame offers them; WAV alone has no bitrate and splits.
TEST(ConvertArguments, ValuesAreCheckedAgainstTheFormat) {
    EXPECT_EQ(convert_cli::BitrateScale(TargetFormat::Mp3),
              (std::vector<int>{80, 96, 112, 128, 160, 192, 224, 256, 320}));
    EXPECT_EQ(convert_cli::BitrateScale(TargetFormat::Ac3),
              (std::vector<int>{160, 192, 224, 256, 320, 384, 448, 512, 576, 640}));
    EXPECT_EQ(convert_cli::BitrateScale(TargetFormat::Mpa),
              convert_cli::BitrateScale(TargetFormat::Ac3));
    EXPECT_TRUE(convert_cli::BitrateScale(TargetFormat::Wav).empty());
    EXPECT_EQ(
        ErrorOf({"-f", "mp3", "-b", "300", "x"}),
        "bitrate 300 is not offered for mp3; it takes 80, 96, 112, 128, 160, 192, 224, 256, 320");
    EXPECT_EQ(
        ErrorOf({"-f", "ac3", "-b", "128", "x"}),
        "bitrate 128 is not offered for ac3; it takes 160, 192, 224, 256, 320, 384, 448, 512, "
        "576, 640");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "-b", "19x", "x"}), "bitrate '19x' is not a number of kbit/s");
    EXPECT_EQ(ErrorOf({"-f", "wav", "-b", "192", "x"}), "wav takes no bitrate");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--rate", "48000", "x"}),
              "rate 48000 is not offered for mp3; it takes keep or 44100");
    EXPECT_EQ(ErrorOf({"-f", "mpa", "--rate", "44100", "x"}),
              "rate 44100 is not offered for mpa; it takes keep or 48000");
    EXPECT_EQ(ErrorOf({"-f", "wav", "--rate", "22050", "x"}),
              "rate 22050 is not offered for wav; it takes keep, 44100 or 48000");
    EXPECT_EQ(OptionsOf({"-f", "wav", "--rate", "48000", "x"}).Rate, SampleRate::Hz48000);
    EXPECT_EQ(OptionsOf({"-f", "ac3", "--rate", "48000", "x"}).Rate, SampleRate::Hz48000);
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--six-wavs", "x"}), "--six-wavs needs -f wav");
    // The transcoder normalises only while it resamples, as the window's runs do.
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--normalize", "x"}),
              "--normalize needs --rate 44100 or 48000");
    EXPECT_EQ(ErrorOf({"-f", "ac3", "--rate", "keep", "--normalize", "x"}),
              "--normalize needs --rate 44100 or 48000");
    EXPECT_TRUE(OptionsOf({"-f", "ac3", "--normalize", "x"}).Normalise);  // 48 kHz from the start
}

// Each mistake is one line that names it; nothing is guessed.
TEST(ConvertArguments, MistakesGiveOneLineEach) {
    EXPECT_EQ(ErrorOf({"x.flac"}), "no target format: give -f wav, mp3, ac3 or mpa");
    EXPECT_EQ(ErrorOf({"-f", "mp3"}), "no file or folder to convert");
    EXPECT_EQ(ErrorOf({"-f", "ogg", "x"}), "unknown format 'ogg' (wav, mp3, ac3 or mpa)");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--frobnicate", "x"}), "unknown option --frobnicate");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "-rx", "x"}), "unknown option -rx");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--normalize=yes", "x"}), "option --normalize takes no value");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "x", "-o"}), "option -o needs a value");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "-j", "0", "x"}),
              "--jobs takes a number from 1 to 64, not '0'");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "-j", "65", "x"}),
              "--jobs takes a number from 1 to 64, not '65'");
    EXPECT_EQ(ErrorOf({"-f", "mp3", "--existing", "overwrite", "x"}),
              "--existing takes new or skip, not 'overwrite'");
}

// The run's input is the window's: the form these options stand for through RunInputFrom,
// with each path an entry of its own folder.
TEST(ConvertInput, PathsBecomeEntriesOfTheirOwnFoldersAndTheFormIsTheWindows) {
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "Album" / "CD 1");
    testing_support::WriteFile(dir.File("one.flac"), "x");
    const std::string cwd = dir.Path().string();
    Options options =
        OptionsOf({"-f", "mp3", "-b", "128", "--rate", "44100", "--normalize", "-r", "--existing",
                   "skip", "./one.flac", "Album/", cwd + "/one.flac", "gone.flac"});
    const convert_cli::ConvertInput got = convert_cli::ConvertInputFor(options, cwd, "/out");
    batch::Entry file{"one.flac", true, false, false, cwd};
    batch::Entry folder{"Album", true, true, false, cwd};
    FormState form;
    form.Format = TargetFormat::Mp3;
    form.Formats[1] = {SampleRate::Hz44100, true, 128};
    form.OutPathIsCurrent = false;
    form.OutPath = "/out";
    form.SkipExisting = true;
    batch::RunInput expected =
        batch::RunInputFrom(form, {file, folder}, {}, source_kinds::AllowedPattern());
    expected.SubFolders = true;
    EXPECT_EQ(got.Input, expected);
    EXPECT_EQ(got.Input.Bitrate, 128);
    EXPECT_TRUE(got.Input.Options.Normalise);
    ASSERT_EQ(got.Missing.size(), 1u);
    EXPECT_EQ(got.Missing[0].Path, "gone.flac");
    EXPECT_EQ(got.Missing[0].Errno, ENOENT);
    // Beside the sources, the format's own start bitrate, no tree below a folder.
    options = OptionsOf({"-f", "ac3", "--dry-run", "Album"});
    const batch::RunInput beside = convert_cli::ConvertInputFor(options, cwd, "").Input;
    EXPECT_TRUE(beside.OutputFolder.empty());
    EXPECT_EQ(beside.Bitrate, 320);
    EXPECT_EQ(beside.Options.ResampleChoice, 1);  // the window's 48 kHz for AC3
    EXPECT_FALSE(beside.SubFolders);
    EXPECT_TRUE(beside.DryRun);
    EXPECT_EQ(convert_cli::AbsolutePath("a/./b//c/", "/w"), "/w/a/b/c");
    EXPECT_EQ(convert_cli::AbsolutePath("/x/../y", "/w"), "/x/../y");
}

batch::FileReport File(batch::Outcome outcome, std::string source, std::string target = {},
                       batch::Cause why = batch::Cause::None, std::string detail = {}) {
    batch::FileReport file;
    file.Result = outcome;
    file.Source = std::move(source);
    file.Target = std::move(target);
    file.Why = why;
    file.Detail = std::move(detail);
    return file;
}

// Each file that needs a word gets one line naming it (one per warning); the dry run's line
// shows the target or what would happen instead.
TEST(ConvertText, ProblemAndPlanLinesNameTheFile) {
    using batch::Cause;
    using batch::Outcome;
    batch::FileReport tooLong = File(Outcome::Failed, "/m/a.ts", "/o/a.mp3", Cause::NameTooLong);
    tooLong.Number = 256;
    tooLong.Limit = 255;
    EXPECT_EQ(convert_cli::ProblemLines(tooLong),
              "tonquell-convert: failed: '/m/a.ts': target name '/o/a.mp3' is 256 bytes long, its "
              "folder allows 255\n");
    batch::FileReport broken =
        File(Outcome::Failed, "/m/b.mp3", "/m/b.wav", Cause::TranscoderFailed,
             "BeSweet.exe: '/m/b.mp3': not audio");  // the transcoder names the file itself
    broken.Number = 1;
    EXPECT_EQ(convert_cli::ProblemLines(broken),
              "tonquell-convert: failed: '/m/b.mp3': not audio (transcoder status 1)\n");
    EXPECT_EQ(convert_cli::ProblemLines(File(Outcome::Warned, "/m/c.ogg", "/m/c.mp3",
                                             Cause::Warnings, "clipped\ncover dropped")),
              "tonquell-convert: warning: '/m/c.ogg': clipped\n"
              "tonquell-convert: warning: '/m/c.ogg': cover dropped\n");
    const batch::FileReport refused =
        File(Outcome::Refused, "/m/d.mp3", "/m/d_new.mp3", Cause::TargetExists);
    EXPECT_EQ(convert_cli::ProblemLines(refused),
              "tonquell-convert: refused: '/m/d.mp3': '/m/d_new.mp3' exists too; nothing is "
              "overwritten\n");
    batch::FileReport gone = File(Outcome::Failed, "nope.flac", {}, Cause::SourceGone);
    gone.Number = ENOENT;
    EXPECT_EQ(convert_cli::ProblemLines(gone),
              "tonquell-convert: failed: 'nope.flac': No such file or directory\n");
    EXPECT_EQ(convert_cli::ProblemLines(File(Outcome::Converted, "/m/e", "/m/e.wav")), "");
    EXPECT_EQ(convert_cli::ProblemLines(File(Outcome::Skipped, "/m/e", "/m/e.wav")), "");

    EXPECT_EQ(convert_cli::PlanLine(File(Outcome::Converted, "/m/e", "/o/e.wav")),
              "/m/e -> /o/e.wav");
    EXPECT_EQ(
        convert_cli::PlanLine(File(Outcome::Skipped, "/m/e", "/o/e.wav", Cause::TargetExists)),
        "/m/e: skip, '/o/e.wav' exists");
    EXPECT_EQ(convert_cli::PlanLine(refused),
              "/m/d.mp3: refuse, '/m/d_new.mp3' exists too; nothing is overwritten");
}

// The progress line's estimate follows the share done; the summary counts what occurred.
TEST(ConvertText, ProgressSummaryAndStatus) {
    EXPECT_EQ(convert_cli::Clock(0), "0:00");
    EXPECT_EQ(convert_cli::Clock(61.4), "1:01");
    EXPECT_EQ(convert_cli::Clock(3 * 3600 + 5 * 60 + 7), "3:05:07");
    const std::vector<std::string> two = {"/m/Album/04 - Vier.flac", "/m/Album/05.flac"};
    EXPECT_EQ(convert_cli::ProgressLine(3, 12, two, 25, 60.0, 200),
              "3/12 done, 2 running, 1:00 elapsed, about 3:00 left | 04 - Vier.flac, 05.flac");
    EXPECT_EQ(convert_cli::ProgressLine(0, 12, {}, 0, 5.0, 200),
              "0/12 done, 0 running, 0:05 elapsed");
    EXPECT_EQ(convert_cli::ProgressLine(0, 0, {}, 0, 0.4, 200), "counting files, 0:00 elapsed");
    // A narrow terminal cuts the line, never inside a character: "ü" is two bytes.
    EXPECT_EQ(convert_cli::ProgressLine(1, 2, {"/m/ab\xc3\xbc.wav"}, 0, 1.0, 39),
              "1/2 done, 1 running, 0:01 elapsed | ab");

    batch::Report report;
    report.Total = 4;
    report.Done = 4;
    report.Files = {File(batch::Outcome::Converted, "a", "a.mp3"),
                    File(batch::Outcome::Converted, "b", "b.mp3"),
                    File(batch::Outcome::Skipped, "c", "c.mp3", batch::Cause::TargetExists)};
    EXPECT_EQ(convert_cli::SummaryLine(report, 75, false),
              "3 files: 2 converted, 1 skipped in 1:15");
    EXPECT_EQ(convert_cli::SummaryLine(report, 75, true),
              "dry run: 3 files: 2 to convert, 1 to skip");
    EXPECT_EQ(convert_cli::ExitStatusOf(report), 0);
    report.Files.push_back(
        File(batch::Outcome::Refused, "d", "d_new.mp3", batch::Cause::TargetExists));
    EXPECT_EQ(convert_cli::ExitStatusOf(report), 1);
    report.Stopped = true;
    report.Total = 10;
    report.Files.push_back(File(batch::Outcome::Stopped, "e", "e.mp3"));
    EXPECT_EQ(
        convert_cli::SummaryLine(report, 5, false),
        "5 files: 2 converted, 1 skipped, 1 refused, 1 stopped; stopped, 5 not started in 0:05");
}

// The JSON report escapes what a path may hold and stays valid UTF-8 whatever its bytes.
TEST(ConvertText, JsonReportEscapesAndCounts) {
    batch::Report report;
    batch::FileReport odd = File(batch::Outcome::Warned, "/m/\"q\"\\\x01\xff\xc3\xa4.ogg",
                                 "/m/a.mp3", batch::Cause::Warnings, "w1\nw2");
    report.Files = {odd, File(batch::Outcome::Failed, "/m/b", {}, batch::Cause::NoOutput)};
    const std::string json = convert_cli::JsonReport(report, {{"/m/b", 1.5}}, 2.25, false, 1);
    EXPECT_NE(json.find(R"("source": "/m/\"q\"\\\u0001)"
                        "\xef\xbf\xbd"
                        "\xc3\xa4.ogg\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("outcome": "warned", "reason": null, "warnings": ["w1", "w2"])"),
              std::string::npos);
    EXPECT_NE(
        json.find(
            R"("target": null, "outcome": "failed", "reason": "the transcoder wrote no output", "warnings": [], "seconds": 1.500)"),
        std::string::npos)
        << json;
    EXPECT_NE(
        json.find(
            R"("summary": {"files": 2, "converted": 0, "warned": 1, "skipped": 0, "refused": 0, "failed": 1, "stopped": 0, "seconds": 2.250, "dry_run": false, "interrupted": false, "exit_status": 1})"),
        std::string::npos)
        << json;
}

}  // namespace
