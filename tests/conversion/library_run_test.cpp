// Runs over folder trees: an output folder that mirrors them, re-runs that only add, and what
// keeps a run from reading what it writes or writing where it should not.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "batch_engine.h"
#include "batch_test_host.h"
#include "output_folder.h"

namespace {

namespace fs = std::filesystem;
using batch::Cause;
using batch::Outcome;
using batchtest::Driver;
using testing_support::TempDir;
using Names = std::vector<std::string>;

// Writes its output, unless the source's name holds "bad". When the file "doomed" names a
// path beside it, that file is deleted first (a source that goes while the run is on).
const char* const kStandIn =
    "d=\"$(dirname \"$0\")/doomed\"\n"
    "[ -f \"$d\" ] && rm -f \"$(cat \"$d\")\"\n"
    "case \"$in\" in *bad*) echo \"BeSweet.exe: '$in': broken\" >&2; exit 1;; esac\n"
    ": > \"$out\"\n";

class LibraryRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        batchtest::WriteScript(transcoder_, kStandIn);
        for (const char* file : {"Album A/01.ogg", "Album A/02.ogg", "Album A/CD 2/01.ogg",
                                 "Album B/01.ogg", "loose.ogg", "other.ogg"}) {
            Touch(file);
        }
        out_ = fs::canonical(out_dir_.Path()).string();
    }
    void Touch(const std::string& relative) const {
        fs::create_directories((music_.Path() / relative).parent_path());
        testing_support::WriteFile(music_.File(relative), "x");
    }
    batch::RunInput Input(std::string output, bool skip = false) const {
        batch::RunInput input;
        input.Folder = music_.Path().string();
        input.Entries = {{"..", false, true, true},
                         {"Album A", true, true},
                         {"Album B", true, true},
                         {"loose.ogg", true},
                         {"other.ogg", false}};
        input.Format = 1;
        input.Bitrate = 192;
        input.Pattern = "*.ogg";
        input.OutputFolder = std::move(output);
        input.SkipExisting = skip;
        return input;
    }
    batch::Report Run(const batch::RunInput& input, int jobs = 2) {
        Driver driver;
        batch::Report report = driver.Run({transcoder_, "T", 1, jobs, 2}, input);
        launches_ = driver.launches;
        reports_ = driver.reports;
        progress_ = driver.progress;
        return report;
    }
    // The -output path of each launch, below `folder`.
    Names Outputs(const std::string& folder) const {
        Names names;
        for (const batch::LaunchRequest& l : launches_) {
            const std::string& target = l.Words.at(5);
            EXPECT_EQ(target.rfind(folder + "/", 0), 0u) << target;
            names.push_back(target.substr(folder.size() + 1));
        }
        return names;
    }
    Names Targets(const batch::Report& report, Outcome outcome, const std::string& folder) const {
        Names names;
        for (const batch::FileReport& f : report.With(outcome)) {
            names.push_back(f.Target.substr(folder.size() + 1));
        }
        return names;
    }

    TempDir program_;
    TempDir music_;
    TempDir out_dir_;
    std::string out_;
    std::string transcoder_ = program_.File("BeSweet.exe");
    std::vector<batch::LaunchRequest> launches_;
    std::vector<batch::Report> reports_;
    std::vector<int> progress_;
};

// The first run mirrors the trees below the output folder; the second, with skipping on,
// converts nothing and has nothing to say; the third, without, takes the "_new" names; the
// fourth refuses every file, and all of that is one report.
TEST_F(LibraryRunTest, MirrorsThenSkipsThenNewNamesThenOneReportOfRefusals) {
    const Names mirrored = {"loose.mp3", "Album A/01.mp3", "Album A/02.mp3", "Album A/CD 2/01.mp3",
                            "Album B/01.mp3"};
    batch::Report first = Run(Input(out_));
    EXPECT_EQ(first.Total, 5);
    EXPECT_EQ(Targets(first, Outcome::Converted, out_), mirrored);
    for (const std::string& name : mirrored) {
        EXPECT_TRUE(fs::exists(out_ + "/" + name)) << name;
    }
    EXPECT_TRUE(reports_.empty());
    EXPECT_FALSE(fs::exists(music_.File("loose.mp3")));  // nothing beside the sources

    const batch::Report second = Run(Input(out_, true));
    EXPECT_TRUE(launches_.empty());
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(second.Count(Outcome::Skipped), 5);
    EXPECT_EQ(Targets(second, Outcome::Skipped, out_), mirrored);
    EXPECT_EQ(second.Done, 5);
    EXPECT_EQ(progress_.back(), 100);

    // A new file since: only it converts.
    Touch("Album B/02.ogg");
    const batch::Report added = Run(Input(out_, true));
    EXPECT_EQ(Outputs(out_), Names{"Album B/02.mp3"});
    EXPECT_EQ(added.Count(Outcome::Skipped), 5);

    Run(Input(out_));
    EXPECT_EQ(Outputs(out_),
              (Names{"loose_new.mp3", "Album A/01_new.mp3", "Album A/02_new.mp3",
                     "Album A/CD 2/01_new.mp3", "Album B/01_new.mp3", "Album B/02_new.mp3"}));
    const batch::Report refused = Run(Input(out_));
    EXPECT_TRUE(launches_.empty());
    EXPECT_EQ(refused.Count(Outcome::Refused), 6);
    EXPECT_EQ(reports_.size(), 1u);
    EXPECT_EQ(progress_.back(), 100);
}

// Skipping beside the sources: a WAV source is not its own target, so its "_new" name is
// the one looked for.
TEST_F(LibraryRunTest, SkippingBesideTheSourcesLooksForTheNameTheRuleGives) {
    Touch("song.wav");
    batch::RunInput input = Input("", true);
    input.Format = 0;
    input.Pattern = "*.wav";
    input.Entries = {{"song.wav", true}};
    Run(input);
    EXPECT_EQ(Outputs(music_.Path().string()), Names{"song_new.wav"});
    const batch::Report again = Run(input);
    EXPECT_TRUE(launches_.empty());
    EXPECT_EQ(again.Count(Outcome::Skipped), 1);
}

// An output folder inside the tree it converts: its old files are no sources, and neither
// is anything the run writes.
TEST_F(LibraryRunTest, AnOutputFolderInsideTheTreeIsNeverASource) {
    Touch("Album A/mp3/Album A/01.ogg");  // as an earlier run might have left it
    const std::string inside = music_.File("Album A/mp3");
    const batch::OutputFolderCheck check = batch::PrepareOutputFolder(inside);
    ASSERT_TRUE(check.Ok());
    batch::RunInput input = Input(check.Folder);
    input.Entries = {{"Album A", true, true}};
    const batch::Report report = Run(input);
    EXPECT_EQ(report.Total, 3);
    EXPECT_EQ(Outputs(check.Folder),
              (Names{"Album A/01.mp3", "Album A/02.mp3", "Album A/CD 2/01.mp3"}));
}

// A folder inside the output folder that is a link to elsewhere is never written through;
// the files that would go there are refused with the reason, and the others convert.
TEST_F(LibraryRunTest, ALinkInsideTheOutputFolderIsNeverFollowed) {
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.Path(), out_ + "/Album A");
    testing_support::WriteFile(out_ + "/Album B", "a file where a folder should be");
    const batch::Report report = Run(Input(out_));
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
    EXPECT_EQ(Outputs(out_), Names{"loose.mp3"});
    const std::vector<batch::FileReport> failed = report.With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 4u);
    EXPECT_EQ(failed[0].Why, Cause::LinkInOutput);
    EXPECT_EQ(failed[0].Detail, out_ + "/Album A");
    EXPECT_EQ(failed[3].Why, Cause::NotAFolderInOutput);
    EXPECT_EQ(failed[3].Detail, out_ + "/Album B");
    EXPECT_EQ(report.Done, 5);
}

// A source deleted while the run is on is named, and the others go on.
TEST_F(LibraryRunTest, ASourceDeletedMidRunIsReportedAndTheOthersGoOn) {
    testing_support::WriteFile(program_.File("doomed"), music_.File("Album A/02.ogg"));
    const batch::Report report = Run(Input(out_), 1);
    const std::vector<batch::FileReport> failed = report.With(Outcome::Failed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Source, music_.File("Album A/02.ogg"));
    EXPECT_EQ(failed[0].Why, Cause::SourceGone);
    EXPECT_EQ(report.Count(Outcome::Converted), 4);
    EXPECT_EQ(reports_.size(), 1u);
}

// A stop while the trees are still being counted starts nothing and ends the run at once.
TEST_F(LibraryRunTest, AStopWhileTheTreesAreCountedStartsNothing) {
    batch::RunInput input = Input(out_);
    input.Entries.clear();
    for (int i = 0; i < 40; ++i) {  // more folders than one round reads
        const std::string name = "Sammlung " + std::to_string(i);
        Touch(name + "/x.ogg");
        input.Entries.push_back({name, true, true});
    }
    Driver driver;
    driver.onYield = [&] { driver.engine->Stop(); };
    const batch::Report report = driver.Run({transcoder_, "T", 1, 2, 2}, input);
    EXPECT_TRUE(report.Stopped);
    EXPECT_TRUE(driver.launches.empty());
    EXPECT_EQ(report.Total, 0);
    EXPECT_EQ(driver.yields, 2);  // the first, then one round of counting
    EXPECT_EQ(driver.trace.back(), "finished");
    EXPECT_TRUE(fs::is_empty(out_));
}

// The six mono files of a split go beside its named output; a name that one of them would
// take counts as taken, so no earlier part is ever replaced.
TEST_F(LibraryRunTest, ASplitsMonoFilesKeepTheirNamesFree) {
    Touch("film.vob");
    testing_support::WriteFile(out_ + "/film_LFE.wav", "from an earlier run");
    batch::RunInput input = Input(out_);
    input.Format = 0;
    input.Options.SplitToSixWav = true;
    input.Pattern = "*.vob";
    input.Entries = {{"film.vob", true}};
    Run(input);
    EXPECT_EQ(Outputs(out_), Names{"film_new.wav"});
    EXPECT_EQ(testing_support::ReadFile(out_ + "/film_LFE.wav"), "from an earlier run");
    input.SkipExisting = true;
    const batch::Report skipped = Run(input);
    EXPECT_EQ(skipped.Count(Outcome::Skipped), 1);
}

}  // namespace

namespace {

// The ends of a report's files without the numbers only a run knows: outcome, source, target
// and cause, in run order.
std::vector<std::string> Ends(const batch::Report& report) {
    std::vector<std::string> ends;
    for (const batch::FileReport& f : report.Files) {
        ends.push_back(std::to_string(static_cast<int>(f.Result)) + " " + f.Source + " -> " +
                       f.Target + " " + std::to_string(static_cast<int>(f.Why)));
    }
    return ends;
}

// A dry run starts nothing and makes nothing, and its plan is what the run then does: a name
// taken on disk gets "_new", one taken by a file planned before it too, and a link in the
// output tree refuses its files in both.
TEST_F(LibraryRunTest, ADryRunPlansWhatTheRunDoes) {
    fs::create_directories(out_ + "/Album A");
    testing_support::WriteFile(out_ + "/loose.mp3", "taken");
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.Path(), out_ + "/Album B");
    batch::RunInput input = Input(out_);
    // A second source of the same name beside the loose one: both want "loose.mp3".
    Touch("loose.mp2");
    input.Entries.push_back({"loose.mp2", true});
    input.Pattern = "*.ogg;*.mp2";
    input.DryRun = true;
    const batch::Report plan = Run(input);
    EXPECT_TRUE(launches_.empty());
    EXPECT_FALSE(fs::exists(out_ + "/Album A/CD 2"));
    EXPECT_EQ(Targets(plan, Outcome::Converted, out_),
              (Names{"loose_new.mp3", "Album A/01.mp3", "Album A/02.mp3", "Album A/CD 2/01.mp3"}));
    EXPECT_EQ(plan.Count(Outcome::Refused), 1);  // the second "loose": its "_new" name is taken
    EXPECT_EQ(plan.With(Outcome::Failed).at(0).Why, Cause::LinkInOutput);

    input.DryRun = false;
    const batch::Report run = Run(input);
    EXPECT_EQ(Ends(run), Ends(plan));
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

}  // namespace
