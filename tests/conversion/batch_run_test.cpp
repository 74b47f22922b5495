#include "batch_run.h"
#include "../support/media_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "../support/temp_dir.h"
#include "batch_test_host.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "tag_set.h"

namespace {

using batchtest::RecordingHost;
using batchtest::RecordingSink;
using testing_support::TempDir;

const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";

batch::Setup RealSetup() {
    return {kTranscoder, "Tonquell Audio Converter", 3};
}

// One second of a stereo tone, made by the ffmpeg tool with `codecArgs`.
void MakeAudio(const std::string& path, const std::string& codecArgs = "") {
    ASSERT_EQ(testing_support::MakeMedia(
                  "-f lavfi -i sine=frequency=440:duration=1 -ac 2 " + codecArgs, path),
              0)
        << codecArgs;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

TEST(BatchRules, ProgressIsTheWholePartOfTheQuotientTimesDone) {
    struct Case {
        int total;
        int done;
        int percent;
    } const cases[] = {
        {3, 1, 33},   {3, 2, 66},  {3, 3, 100},  // quotient first, then the product
        {97, 97, 99},                            // (100 / 97) * 97 lies just below 100
        {97, 1, 1},   {7, 7, 100}, {1, 1, 100}, {0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(batch::ProgressPercent(c.total, c.done), c.percent) << c.total << "/" << c.done;
    }
}

TEST(BatchRules, TargetNamesAndEligibility) {
    const auto none = [](const std::string&) { return false; };
    const auto all = [](const std::string&) { return true; };
    EXPECT_EQ(batch::TargetPathFor("/m/a.mp3", TargetFormat::Wav, none), "/m/a.wav");
    EXPECT_EQ(batch::TargetPathFor("/m/a.wav", TargetFormat::Wav, all), "/m/a_new.wav");
    EXPECT_EQ(batch::TargetPathFor("/m/x.flac", TargetFormat::Wav, none), "/m/x..wav");
    EXPECT_EQ(batch::TargetPathFor("/m/b.vob", TargetFormat::Mpa, none), "/m/b.mpa");
    EXPECT_EQ(batch::TargetPathFor("/m/b.vob", TargetFormat::Ac3, none), "/m/b.ac3");

    const std::vector<batch::Entry> entries = {
        {"[..]", true}, {"[sub]", true}, {"a.wav", true}, {"b.mp3", false}, {"c.ac3", true}};
    EXPECT_EQ(batch::CountEligible(entries, false), 2);
    EXPECT_EQ(batch::CountEligible(entries, true), 3);
    EXPECT_EQ(batch::CountEligible({}, true), 0);
}

TEST(BatchRun, WavToWavTakesNewNameThenRefusesWhenThatIsTakenToo) {
    TempDir dir;
    MakeAudio(dir.File("a.wav"));
    RecordingHost host;
    host.folder = dir.Path().string();
    host.entries = {{"a.wav", true}};
    RecordingSink sink;

    batch::Report first = batch::Run(host, sink, RealSetup());
    EXPECT_EQ(first.Done, 1);
    EXPECT_TRUE(first.Failures.empty());
    EXPECT_TRUE(Exists(dir.File("a_new.wav")));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(host.titles, std::vector<std::string>{"a.wav - Tonquell Audio Converter"});

    RecordingHost again;
    again.folder = host.folder;
    again.entries = host.entries;
    batch::Report second = batch::Run(again, sink, RealSetup());
    EXPECT_EQ(second.Done, 0);
    EXPECT_TRUE(again.commandLines.empty());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "Datei '" + dir.File("a_new.wav") + "' existiert bereits.  ");
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(sink.shown[0].title, "Tonquell Audio Converter");
    EXPECT_EQ(again.progress, std::vector<int>{0});  // a skipped entry makes no step
}

TEST(BatchRun, Mp3ToMp3CarriesBothTagsOtherPairingsNone) {
    TempDir dir;
    MakeAudio(dir.File("song.mp3"), "-c:a libmp3lame -b:a 128k");
    MakeAudio(dir.File("plain.wav"));
    id3::TagSet v1;
    v1.Artist = "Artist One";
    v1.Title = "Title One";
    v1.Track = "7";
    id3::TagSet v2;
    v2.Artist = "Künstler";
    v2.Title = "Überschrift";
    v2.Album = "Album Two";
    ASSERT_TRUE(id3::WriteId3v2(dir.File("song.mp3"), v2, 3, true, false));
    ASSERT_TRUE(id3::WriteId3v1(dir.File("song.mp3"), v1, false));

    RecordingHost host;
    host.folder = dir.Path().string();
    host.format = 1;
    host.entries = {{"song.mp3", true}, {"plain.wav", true}};
    RecordingSink sink;
    const batch::Report report = batch::Run(host, sink, RealSetup());
    ASSERT_EQ(report.Done, 2);
    EXPECT_TRUE(report.Failures.empty());
    EXPECT_EQ(host.bitrateCalls, 2);  // the format's handler runs before each command line
    EXPECT_NE(host.commandLines[0].find("--alt-preset cbr 192 )"), std::string::npos);

    id3::TagSet got1, got2;
    ASSERT_TRUE(id3::ReadId3v1(dir.File("song_new.mp3"), got1));
    ASSERT_TRUE(id3::ReadId3v2(dir.File("song_new.mp3"), got2));
    EXPECT_EQ(got1.Artist, "Artist One");
    EXPECT_EQ(got1.Track, "7");
    EXPECT_EQ(got2.Artist, "Künstler");
    EXPECT_EQ(got2.Title, "Überschrift");
    EXPECT_EQ(got2.Album, "Album Two");

    id3::TagSet none;
    EXPECT_FALSE(id3::ReadId3v1(dir.File("plain.mp3"), none));
    EXPECT_FALSE(id3::ReadId3v2(dir.File("plain.mp3"), none));

    RecordingHost toWav;
    toWav.folder = host.folder;
    toWav.entries = {{"song.mp3", true}};
    ASSERT_EQ(batch::Run(toWav, sink, RealSetup()).Done, 1);
    EXPECT_FALSE(id3::ReadId3v1(dir.File("song.wav"), none));
    EXPECT_FALSE(id3::ReadId3v2(dir.File("song.wav"), none));
}

TEST(BatchRun, NameThatWouldInjectAnOutputIsRefusedAndReported) {
    TempDir dir;
    // A file name cannot hold "/", so the smuggled output is relative to the working folder.
    const std::string victim = dir.File("victim.wav");
    const std::string evil = "a\" -output \"victim.wav\" \"x.wav";
    MakeAudio(dir.File("good.wav"));
    std::filesystem::copy_file(dir.File("good.wav"), dir.File(evil));

    RecordingHost host;
    host.folder = dir.Path().string();
    host.convertAll = true;
    host.entries = {{evil, false}, {"good.wav", false}};
    RecordingSink sink;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const batch::Report report = batch::Run(host, sink, RealSetup());
    std::filesystem::current_path(previous);

    EXPECT_FALSE(Exists(victim));
    EXPECT_EQ(report.Total, 2);
    EXPECT_EQ(report.Done, 1);
    ASSERT_EQ(host.commandLines.size(), 1u);  // only the good file reached the transcoder
    EXPECT_NE(host.commandLines[0].find("good.wav"), std::string::npos);
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0].SourcePath, dir.File(evil));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].text.find(dir.File(evil)), std::string::npos);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 50}));
}

TEST(BatchRun, FailuresAreListedAndGetNoTags) {
    TempDir dir;
    MakeAudio(dir.File("good.mp3"), "-c:a libmp3lame");
    testing_support::WriteFile(dir.File("bad.mp3"), std::string(5000, 'x'));

    RecordingHost host;
    host.folder = dir.Path().string();
    host.format = 1;
    host.entries = {{"bad.mp3", true}, {"good.mp3", true}};
    RecordingSink sink;
    const batch::Report report = batch::Run(host, sink, RealSetup());

    EXPECT_EQ(report.Done, 2);  // the transcoder ran for both
    EXPECT_TRUE(Exists(dir.File("good_new.mp3")));
    EXPECT_FALSE(Exists(dir.File("bad_new.mp3")));  // no tag writer created it
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0].SourcePath, dir.File("bad.mp3"));
    EXPECT_NE(report.Failures[0].Reason.find("Status 1"), std::string::npos);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 50, 100}));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].title, "Tonquell Audio Converter");
    EXPECT_EQ(sink.shown[0].text, batch::FailureMessage(report.Failures));
}

TEST(BatchRun, TranscoderThatCannotStartOrWritesNothingIsAFailure) {
    TempDir dir;
    testing_support::WriteFile(dir.File("a.wav"), "RIFF");
    testing_support::WriteFile(dir.File("b.wav"), "RIFF");
    const std::string quiet = dir.File("quiet.sh");
    batchtest::WriteStandIn(quiet, /*writeOutput=*/false, 0);

    RecordingHost host;
    host.folder = dir.Path().string();
    host.convertAll = true;
    host.entries = {{"a.wav", false}};
    RecordingSink sink;
    batch::Report report = batch::Run(host, sink, {dir.File("missing"), "T", 0});
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_NE(report.Failures[0].Reason.find("nicht gestartet"), std::string::npos);

    report = batch::Run(host, sink, {quiet, "T", 0});
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_NE(report.Failures[0].Reason.find("keine Ausgabedatei"), std::string::npos);

    // A transcoder that leaves a file but fails: the file gets no tags.
    const std::string failing = dir.File("failing.sh");
    batchtest::WriteStandIn(failing, /*writeOutput=*/true, 1);
    testing_support::WriteFile(dir.File("c.mp3"), std::string(256, 'x'));
    id3::TagSet v1;
    v1.Artist = "Somebody";
    ASSERT_TRUE(id3::WriteId3v1(dir.File("c.mp3"), v1, false));
    host.format = 1;
    host.convertAll = false;
    host.entries = {{"c.mp3", true}};
    report = batch::Run(host, sink, {failing, "T", 0});
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_NE(report.Failures[0].Reason.find("Status 1"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(dir.File("c_new.mp3")), 0u);
}

TEST(BatchRun, NinetySevenFilesEndAtNinetyNineWithTheClosingStepsInOrder) {
    TempDir dir;
    const std::string standIn = dir.File("BeSweet.exe");
    batchtest::WriteStandIn(standIn);
    std::filesystem::create_directory(dir.Path() / "music");
    RecordingHost host;
    host.folder = (dir.Path() / "music").string();
    host.convertAll = true;
    host.entries.push_back({"[..]", true});
    host.entries.push_back({"[sub]", true});
    for (int i = 0; i < 97; ++i) {
        const std::string name = "t" + std::to_string(100 + i) + ".mp3";
        testing_support::WriteFile(host.folder + "/" + name, "x");
        host.entries.push_back({name, false});
    }
    RecordingSink sink;
    const batch::Report report = batch::Run(host, sink, {standIn, "T", 20001});

    EXPECT_EQ(report.Total, 97);
    EXPECT_EQ(report.Done, 97);
    ASSERT_EQ(host.progress.size(), 98u);
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_EQ(host.progress.back(), 99);
    EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()));
    EXPECT_EQ(host.yields, 1 + 20001);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_TRUE(sink.shown.empty());
    // Focus, preparation, the runs, then refresh and the restore.
    std::vector<std::string> expected = {"focus", "busy", "bar", "tall", "yield"};
    expected.insert(expected.end(), 97, "run");
    expected.insert(expected.end(), {"refresh", "idle", "nobar", "short"});
    EXPECT_EQ(host.log, expected);
}

TEST(BatchRun, ListsWithoutEligibleEntriesStillCloseButRunNothing) {
    RecordingHost host;
    host.folder = "/nonexistent";
    host.entries = {{"[..]", true}, {"a.wav", false}};
    RecordingSink sink;
    const batch::Report report = batch::Run(host, sink, {kTranscoder, "T", 20001});
    EXPECT_EQ(report.Total, 0);
    EXPECT_TRUE(host.commandLines.empty());
    EXPECT_EQ(host.progress, std::vector<int>{0});
    EXPECT_EQ(host.yields, 20002);
    EXPECT_EQ(host.log, (std::vector<std::string>{"focus", "busy", "bar", "tall", "yield",
                                                  "refresh", "idle", "nobar", "short"}));

    RecordingHost empty;
    const batch::Report nothing = batch::Run(empty, sink, {kTranscoder, "T", 20001});
    EXPECT_EQ(nothing, batch::Report{});
    EXPECT_EQ(empty.log, std::vector<std::string>{"focus"});
    EXPECT_TRUE(sink.shown.empty());
}

TEST(BatchRun, ConsoleShownForZeroAndTwoHiddenForOne) {
    TempDir dir;
    const std::string standIn = dir.File("BeSweet.exe");
    batchtest::WriteStandIn(standIn);
    testing_support::WriteFile(dir.File("a.ogg"), "x");
    for (const auto& [check1, mode] : {std::pair{0, -1}, std::pair{1, 0}, std::pair{2, -1}}) {
        RecordingHost host;
        host.folder = dir.Path().string();
        host.entries = {{"a.ogg", true}};
        host.hideConsole = check1;
        RecordingSink sink;
        batch::Run(host, sink, {standIn, "T", 0});
        ASSERT_EQ(host.showModes.size(), 1u);
        EXPECT_EQ(host.showModes[0], mode) << check1;
        std::filesystem::remove(dir.File("a.wav"));
    }
}

TEST(BatchRun, StopAfterARunWritesNoTagsAndEndsWithoutRefresh) {
    TempDir dir;
    MakeAudio(dir.File("one.mp3"), "-c:a libmp3lame");
    std::filesystem::copy_file(dir.File("one.mp3"), dir.File("two.mp3"));
    id3::TagSet v1;
    v1.Title = "Kept out";
    ASSERT_TRUE(id3::WriteId3v1(dir.File("one.mp3"), v1, false));

    RecordingHost host;
    host.folder = dir.Path().string();
    host.format = 1;
    host.convertAll = true;
    host.entries = {{"one.mp3", false}, {"two.mp3", false}};
    host.stopAfterRuns = 1;
    RecordingSink sink;
    const batch::Report report = batch::Run(host, sink, RealSetup());

    EXPECT_TRUE(report.Stopped);
    EXPECT_EQ(host.commandLines.size(), 1u);
    EXPECT_EQ(host.refreshes, 0);
    EXPECT_TRUE(sink.shown.empty());
    id3::TagSet got;
    EXPECT_FALSE(id3::ReadId3v1(dir.File("one_new.mp3"), got));
    EXPECT_FALSE(Exists(dir.File("two_new.mp3")));
    EXPECT_EQ(host.log.back(), "short");  // the window is restored all the same
}

}  // namespace
