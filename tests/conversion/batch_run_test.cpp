#include "batch_run.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "../support/media_cache.h"
#include "../support/temp_dir.h"
#include "batch_test_host.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "source_tags.h"
#include "tag_set.h"

namespace {

using batch::Cause;
using batch::Outcome;
using batchtest::Driver;
using testing_support::TempDir;

const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";

batch::Setup RealSetup(int jobs = 1) {
    return {kTranscoder, "Tonquell Audio Converter", 3, jobs, 2};
}

batch::Setup StandInSetup(const std::string& transcoder, int yields = 0) {
    return {transcoder, "T", yields, 1, 2};
}

batch::RunInput Input(const std::string& folder, std::vector<batch::Entry> entries, int format = 0,
                      bool convertAll = false) {
    batch::RunInput input;
    input.Folder = folder;
    input.Entries = std::move(entries);
    input.Format = format;
    input.ConvertAll = convertAll;
    input.Bitrate = 192;
    return input;
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
    // The base name is the path without the extension of the file's name, however long.
    struct Name {
        const char* source;
        TargetFormat format;
        bool taken;
        const char* target;
    } const names[] = {
        {"/m/a.mp3", TargetFormat::Wav, false, "/m/a.wav"},
        {"/m/a.wav", TargetFormat::Wav, true, "/m/a_new.wav"},
        {"/m/b.vob", TargetFormat::Mpa, false, "/m/b.mpa"},
        {"/m/b.vob", TargetFormat::Ac3, false, "/m/b.ac3"},
        {"/m/song.flac", TargetFormat::Mp3, false, "/m/song.mp3"},
        {"/m/voice.opus", TargetFormat::Mp3, false, "/m/voice.mp3"},
        {"/m/c_opus.OPUS", TargetFormat::Mp3, false, "/m/c_opus.mp3"},
        {"/m/noext", TargetFormat::Wav, false, "/m/noext.wav"},
        {"/m/live.2024.mp3", TargetFormat::Wav, false, "/m/live.2024.wav"},
        {"/m/Album 2.0/track", TargetFormat::Mp3, false, "/m/Album 2.0/track.mp3"},
        {"/m/Album 2.0/track.m4a", TargetFormat::Mp3, true, "/m/Album 2.0/track_new.mp3"},
        {"/m/.hidden", TargetFormat::Wav, false, "/m/.hidden.wav"},
        {"/m/trailing.", TargetFormat::Wav, false, "/m/trailing.wav"},
        {"x.ac3", TargetFormat::Mpa, false, "x.mpa"},
    };
    for (const Name& n : names) {
        EXPECT_EQ(batch::TargetPathFor(n.source, n.format, n.taken ? all : none), n.target)
            << n.source;
    }

    // The kind comes with the entry: "[2001] x.mp3" is a file, whatever its first character.
    const std::vector<batch::Entry> entries = {{"..", true, true, true}, {"sub", true, true},
                                               {"a.wav", true},          {"b.mp3", false},
                                               {"[2001] x.mp3", true},   {"c.ac3", true}};
    EXPECT_EQ(batch::CountEligible(entries, false), 3);
    EXPECT_EQ(batch::CountEligible(entries, true), 4);
    EXPECT_EQ(batch::CountEligible({}, true), 0);
}

// The refusal is no box of its own any more: the run goes on, and the report lists it.
TEST(BatchRun, WavToWavTakesNewNameThenRefusesWhenThatIsTakenToo) {
    TempDir dir;
    MakeAudio(dir.File("a.wav"));
    const batch::RunInput input = Input(dir.Path().string(), {{"a.wav", true}});

    Driver first;
    const batch::Report done = first.Run(RealSetup(), input);
    EXPECT_EQ(done.Done, 1);
    EXPECT_EQ(done.Count(Outcome::Converted), 1);
    EXPECT_TRUE(Exists(dir.File("a_new.wav")));
    EXPECT_TRUE(first.reports.empty());
    EXPECT_NE(
        std::find(first.trace.begin(), first.trace.end(), "title a.wav - Tonquell Audio Converter"),
        first.trace.end());

    Driver again;
    const batch::Report second = again.Run(RealSetup(), input);
    EXPECT_EQ(second.Done, 1);
    EXPECT_TRUE(again.launches.empty());
    ASSERT_EQ(again.reports.size(), 1u);
    ASSERT_EQ(second.Files.size(), 1u);
    EXPECT_EQ(second.Files[0].Result, Outcome::Refused);
    EXPECT_EQ(second.Files[0].Why, Cause::TargetExists);
    EXPECT_EQ(second.Files[0].Target, dir.File("a_new.wav"));
    EXPECT_EQ(again.progress, (std::vector<int>{0, 100}));  // a refused file is finished too
}

// MP3 to MP3 keeps both tags apart as they were; into WAV the one merged record goes into the
// file's chunks; a source without tags leaves its target bare.
TEST(BatchRun, Mp3ToMp3CarriesBothTagsAndWavTakesTheMergedRecord) {
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

    // Two at once: each file's tags go into its own output.
    Driver driver;
    const batch::Report report = driver.Run(
        RealSetup(2), Input(dir.Path().string(), {{"song.mp3", true}, {"plain.wav", true}}, 1));
    ASSERT_EQ(report.Done, 2);
    EXPECT_EQ(report.Count(Outcome::Converted), 2);
    EXPECT_NE(driver.launches[0].CommandLine.find("--alt-preset cbr 192 )"), std::string::npos);

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

    Driver toWav;
    ASSERT_EQ(toWav.Run(RealSetup(), Input(dir.Path().string(), {{"song.mp3", true}})).Done, 1);
    EXPECT_FALSE(id3::ReadId3v1(dir.File("song.wav"), none));  // a WAV file has no ID3v1 block
    const id3::SourceTags wav = tags::ReadSourceTags(dir.File("song.wav"));
    EXPECT_EQ(wav.Id3v2.Artist, "Künstler");
    EXPECT_EQ(wav.Id3v2.Title, "Überschrift");
    EXPECT_EQ(wav.Id3v2.Track, "7");  // the ID3v2 tag had none: the ID3v1 block's
}

// Names by the real extension meet the "_new" rule and the names reserved by the run: of
// a.flac and a.mp3 into MP3 one gets a_new.mp3 and the other is refused; a name without an
// extension and one with two dots keep all of their name.
TEST(BatchRun, RealExtensionsMeetTheNewRuleAndTheRunsReservedNames) {
    TempDir dir;
    MakeAudio(dir.File("a.flac"), "-c:a flac");
    MakeAudio(dir.File("a.mp3"), "-c:a libmp3lame");
    MakeAudio(dir.File("noext"), "-f wav");
    MakeAudio(dir.File("live.2024.flac"), "-c:a flac");
    Driver driver;
    const batch::Report report = driver.Run(
        RealSetup(2),
        Input(dir.Path().string(),
              {{"a.flac", true}, {"a.mp3", true}, {"live.2024.flac", true}, {"noext", true}}, 1));
    EXPECT_EQ(report.Count(Outcome::Converted), 3);
    ASSERT_EQ(report.Count(Outcome::Refused), 1);
    EXPECT_EQ(report.With(Outcome::Refused)[0].Target, dir.File("a_new.mp3"));
    EXPECT_EQ(testing_support::Names(dir.Path()),
              (std::vector<std::string>{"a.flac", "a.mp3", "a_new.mp3", "live.2024.flac",
                                        "live.2024.mp3", "noext", "noext.mp3"}));
}

// The transcoder gets the words the text stands for: a name that would split into a second
// -output converts into its own target, and the smuggled name is never written.
TEST(BatchRun, EveryNameReachesTheTranscoderAsOneWord) {
    TempDir dir;
    const std::string evil = "a\" -output \"victim.wav\" \"x.wav";
    const std::string lines = "line\nbreak\t.wav";
    MakeAudio(dir.File(evil));
    MakeAudio(dir.File(lines));

    Driver driver;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const batch::Report report = driver.Run(
        RealSetup(), Input(dir.Path().string(), {{evil, false}, {lines, false}}, 0, true));
    std::filesystem::current_path(previous);

    EXPECT_EQ(report.Count(Outcome::Converted), 2);
    EXPECT_EQ(report.Done, 2);
    EXPECT_FALSE(Exists(dir.File("victim.wav")));
    EXPECT_TRUE(Exists(dir.File("a\" -output \"victim.wav\" \"x_new.wav")));
    EXPECT_TRUE(Exists(dir.File("line\nbreak\t_new.wav")));
    ASSERT_EQ(driver.launches.size(), 2u);
    const batch::LaunchRequest& first = driver.launches[0];
    EXPECT_EQ(first.Words.front(), kTranscoder);
    EXPECT_EQ(first.Words[3], dir.File(evil));
    EXPECT_EQ(first.Words[5], dir.File("a\" -output \"victim.wav\" \"x_new.wav"));
    // The console's text is the one the command-line builder gives, name and all.
    EXPECT_EQ(first.CommandLine.rfind(kTranscoder + " -core( -input \"" + dir.File(evil) + "\"", 0),
              0u);
}

// A target the folder cannot hold is refused before any transcoder starts and is listed
// with its reason; a name anything stands under (here a pipe, which is no readable file)
// is taken and never replaced.
TEST(BatchRun, TooLongAndTakenTargetsAreNeverWritten) {
    TempDir dir;
    const std::string fits = std::string(246, 'f') + ".wav";     // "_new" gives 254 bytes
    const std::string tooLong = std::string(248, 'l') + ".wav";  // "_new" would give 256
    MakeAudio(dir.File(fits));
    MakeAudio(dir.File(tooLong));
    MakeAudio(dir.File("p.mp3"), "-c:a libmp3lame");
    ASSERT_EQ(::mkfifo(dir.File("p.wav").c_str(), 0600), 0);

    Driver driver;
    const batch::Report report = driver.Run(
        RealSetup(),
        Input(dir.Path().string(), {{fits, false}, {tooLong, false}, {"p.mp3", false}}, 0, true));

    EXPECT_TRUE(Exists(dir.File(std::string(246, 'f') + "_new.wav")));
    EXPECT_TRUE(Exists(dir.File("p_new.wav")));
    EXPECT_EQ(std::filesystem::status(dir.File("p.wav")).type(), std::filesystem::file_type::fifo);
    EXPECT_EQ(driver.launches.size(), 2u);
    const std::vector<batch::FileReport> failed = report.With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Source, dir.File(tooLong));
    EXPECT_EQ(failed[0].Why, Cause::NameTooLong);
    EXPECT_EQ(failed[0].Number, 256);
    EXPECT_EQ(failed[0].Limit, 255);
    EXPECT_EQ(driver.reports.size(), 1u);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 6u);  // three sources, the pipe, two targets
}

// Every way an entry ends without a transcoder of its own: a target too long for its folder,
// a transcoder that cannot start and the refusal of a taken name each finish their file, so
// the bar still reaches its end.
TEST(BatchRun, EntriesEndedWithoutATranscoderStillMoveTheBar) {
    const std::string tooLong = std::string(251, 'l') + ".wav";  // "_new" would give 259 bytes
    struct Case {
        const char* what;
        std::vector<std::string> names;
        bool transcoderThere;
        int done;
        std::vector<int> progress;
        int failures;
    } const cases[] = {
        {"a name too long among others", {"a.ogg", tooLong, "c.ogg"}, true, 3, {0, 33, 66, 100}, 1},
        {"only names too long", {tooLong}, true, 1, {0, 100}, 1},
        {"no transcoder", {"a.ogg", "c.ogg"}, false, 2, {0, 50, 100}, 2},
        {"a taken name", {"a.ogg", "taken.ogg"}, true, 2, {0, 50, 100}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string standIn = dir.File("BeSweet.exe");
        batchtest::WriteStandIn(standIn);
        std::filesystem::create_directory(dir.Path() / "music");
        const std::string folder = (dir.Path() / "music").string();
        for (const char* file : {"a.ogg", "c.ogg", "taken.ogg", "taken.wav", "taken_new.wav"}) {
            testing_support::WriteFile(folder + "/" + file, "x");
        }
        testing_support::WriteFile(folder + "/" + tooLong, "x");
        std::vector<batch::Entry> entries;
        for (const std::string& name : c.names) {
            entries.push_back({name, true});
        }
        Driver driver;
        const batch::Report report =
            driver.Run(StandInSetup(c.transcoderThere ? standIn : dir.File("missing")),
                       Input(folder, entries));
        EXPECT_EQ(report.Done, c.done);
        EXPECT_EQ(driver.progress, c.progress);
        EXPECT_EQ(report.Count(Outcome::Failed), c.failures);
        EXPECT_EQ(driver.trace.back(), "finished");
    }
}

TEST(BatchRun, RealFailureIsListedAndGetsNoTags) {
    TempDir dir;
    MakeAudio(dir.File("good.mp3"), "-c:a libmp3lame");
    testing_support::WriteFile(dir.File("bad.mp3"), std::string(5000, 'x'));

    Driver driver;
    const batch::Report report = driver.Run(
        RealSetup(2), Input(dir.Path().string(), {{"bad.mp3", true}, {"good.mp3", true}}, 1));

    EXPECT_EQ(report.Done, 2);  // the transcoder ran for both
    EXPECT_TRUE(Exists(dir.File("good_new.mp3")));
    EXPECT_FALSE(Exists(dir.File("bad_new.mp3")));  // no tag writer created it
    const std::vector<batch::FileReport> failed = report.With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Source, dir.File("bad.mp3"));
    EXPECT_EQ(failed[0].Why, Cause::TranscoderFailed);
    EXPECT_NE(failed[0].Detail.find("not an audio or video file"), std::string::npos)
        << failed[0].Detail;
    EXPECT_EQ(driver.progress.back(), 100);
    ASSERT_EQ(driver.reports.size(), 1u);
    EXPECT_EQ(driver.reports[0], report);
}

TEST(BatchRun, NinetySevenFilesEndAtNinetyNineWithTheClosingStepsInOrder) {
    TempDir dir;
    const std::string standIn = dir.File("BeSweet.exe");
    batchtest::WriteStandIn(standIn);
    std::filesystem::create_directory(dir.Path() / "music");
    const std::string folder = (dir.Path() / "music").string();
    std::vector<batch::Entry> entries = {{"..", true, true, true}, {"sub", false, true}};
    for (int i = 0; i < 97; ++i) {
        const std::string name = "t" + std::to_string(100 + i) + ".mp3";
        testing_support::WriteFile(folder + "/" + name, "x");
        entries.push_back({name, false});
    }
    Driver driver;
    const batch::Report report =
        driver.Run(StandInSetup(standIn, 20001), Input(folder, entries, 0, true));

    EXPECT_EQ(report.Total, 97);
    EXPECT_EQ(report.Done, 97);
    ASSERT_EQ(driver.progress.size(), 98u);
    EXPECT_EQ(driver.progress.front(), 0);
    EXPECT_EQ(driver.progress.back(), 99);
    EXPECT_TRUE(std::is_sorted(driver.progress.begin(), driver.progress.end()));
    EXPECT_EQ(driver.yields, 1 + 20001);
    EXPECT_EQ(driver.refreshes, 1);
    EXPECT_TRUE(driver.reports.empty());
    EXPECT_EQ(driver.trace.back(), "finished");
}

TEST(BatchRun, ListsWithoutEligibleEntriesStillCloseButRunNothing) {
    Driver driver;
    const batch::Report report =
        driver.Run(StandInSetup(kTranscoder, 20001),
                   Input("/nonexistent", {{"..", true, true, true}, {"a.wav", false}}));
    EXPECT_EQ(report.Total, 0);
    EXPECT_TRUE(driver.launches.empty());
    EXPECT_EQ(driver.yields, 20002);
    EXPECT_EQ(driver.trace, (std::vector<std::string>{"busy", "bar", "progress 0", "yield x20002",
                                                      "refresh", "idle", "nobar", "finished"}));

    Driver empty;
    const batch::Report nothing = empty.Run(StandInSetup(kTranscoder, 20001), Input("/", {}));
    EXPECT_EQ(nothing, batch::Report{});
    EXPECT_EQ(empty.trace, std::vector<std::string>{"finished"});
}

TEST(BatchRun, ConsoleShownForZeroAndTwoHiddenForOne) {
    TempDir dir;
    const std::string standIn = dir.File("BeSweet.exe");
    batchtest::WriteStandIn(standIn);
    testing_support::WriteFile(dir.File("a.ogg"), "x");
    for (const auto& [check1, mode] : {std::pair{0, -1}, std::pair{1, 0}, std::pair{2, -1}}) {
        batch::RunInput input = Input(dir.Path().string(), {{"a.ogg", true}});
        input.HideConsole = check1;
        Driver driver;
        driver.Run(StandInSetup(standIn), input);
        ASSERT_EQ(driver.launches.size(), 1u);
        EXPECT_EQ(driver.launches[0].ShowMode, mode) << check1;
        std::filesystem::remove(dir.File("a.wav"));
    }
}

}  // namespace
