#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "batch_run.h"
#include "run_report.h"
#include "source_walk.h"
#include "tag_rule.h"
#include "tag_transfer.h"

// The batch run as a state machine. The window feeds it events from its own event loop
// ("yielded", "transcoder N ended", "message closed", "stop") and carries out what it asks
// through EngineHost; nothing here waits or needs a window.
namespace batch {

// What the run takes from the window when the start button is pressed. The window takes no
// input during a run, so these are the values every file of the run would read.
struct RunInput {
    std::vector<Entry> Entries;   // in list order
    std::string Folder;           // current folder of the file list
    bool ConvertAll = false;      // "kompletten Ordner konvertieren"
    std::string Pattern = "*.*";  // the filter the list shows; the chosen folders' trees use it
    // Empty: each target beside its source. Else the output folder, checked and with its links
    // resolved (PrepareOutputFolder): each source's path below the list's folder is mirrored
    // below it.
    std::string OutputFolder;
    bool SkipExisting = false;  // "vorhandene Ziele überspringen"
    int Format = 0;             // target format index, -1 when none is chosen
    FormatOptions Options;      // the chosen format's options
    std::int16_t Bitrate = 0;   // as the format's bitrate handler set it (MP3, AC3, MPA)
    int HideConsole = 1;        // "BeSweet Box verstecken": 0, 1 or 2 (greyed)
    bool SubFolders = true;     // a chosen folder's sub-folders are walked too
    // Plans instead of converting: each file ends as its target would be (Converted with the
    // target's name, or skipped, refused or failed as the run would), and nothing is made,
    // written or started. A planned name counts as taken for the files after it.
    bool DryRun = false;
    bool operator==(const RunInput&) const = default;
};

// One transcoder to start.
struct LaunchRequest {
    std::string CommandLine;  // the transcoder's path followed by the argument text
    // The program and its arguments as words; empty: the command line is split into them.
    std::vector<std::string> Words;
    std::int16_t ShowMode = 0;  // 0 console hidden, -1 shown
    std::string SourceName;     // the entry's text (the console's title)
    int Threads = 0;            // threads the transcoder may use; 0 leaves it its own choice
    bool operator==(const LaunchRequest&) const = default;
};

// What the run asks of the window. A call may come back into the engine at once or later.
class EngineHost {
public:
    virtual ~EngineHost() = default;
    // Busy pointer on or off for the whole program.
    virtual void SetBusyPointer(bool busy) = 0;
    // Shows or hides the progress bar.
    virtual void ShowProgress(bool visible) = 0;
    // Sets the progress bar's value, 0 to 100.
    virtual void SetProgress(int percent) = 0;
    // Lets pending window events be processed once, then calls Engine::Yielded.
    virtual void Yield() = 0;
    // Sets the window's title.
    virtual void SetTitle(const std::string& title) = 0;
    // The refresh button's action: the folder is read again and the title reset.
    virtual void Refresh() = 0;
    // Starts transcoder `slot`; its end goes to Engine::Ended. Empty when it started, else
    // why it could not.
    virtual std::string Launch(int slot, const LaunchRequest& request) = 0;
    // Asks transcoder `slot` to end (it removes its temporary output); its end still comes.
    virtual void Terminate(int slot) = 0;
    // Shows the end-of-run report (the run has more to say than its counts), then calls
    // Engine::ReportClosed once it has been closed.
    virtual void ShowReport(const Report& report) = 0;
    // The run is over: the window is restored and the report closed.
    virtual void Finished(const Report& report) = 0;
};

class Engine {
public:
    Engine(EngineHost& host, Setup setup, RunInput input);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Preparation: busy pointer, progress bar at 0, one yield. A list without entries
    // finishes at once with nothing changed.
    void Start();
    // The yield asked for has happened. After the first, the sources are gathered a few
    // folders per yield; the first transcoder starts once all are counted.
    void Yielded();
    // The report asked for has been closed.
    void ReportClosed();
    // Transcoder `slot` has done `share` (0 to 1) of its file.
    void Progress(int slot, double share);
    // Transcoder `slot` has ended as `result` says.
    void Ended(int slot, const RunResult& result);
    // Stops the run: running transcoders are asked to end, no new file starts; the window
    // is then restored as after the last file.
    void Stop();

    // True from Start until Finished has been called.
    bool Busy() const { return phase_ != Phase::Idle && phase_ != Phase::Done; }
    // How many transcoders run now.
    int Running() const { return static_cast<int>(running_.size()); }
    // The source whose transcoder runs in `slot` (known from the host's Launch on); empty
    // when none runs there.
    std::string SourceOf(int slot) const;
    const Report& report() const { return report_; }

private:
    enum class Phase { Idle, Preparing, Gathering, Working, Closing, Restored, Done };

    // A file whose transcoder runs.
    struct Job {
        std::string Source;
        std::string Target;
        std::vector<std::string> Parts;  // the six mono files of a split, else none
        TagRoute Route = TagRoute::None;
        id3::SourceTags Tags;  // read before the transcoder started
        double Share = 0.0;
        bool Terminated = false;
    };

    void Gather();
    void Advance();
    bool StartNext();  // false when nothing more may start now
    void Launch(const Source& source);
    // The path that mirrors `source` below the output folder, its folders made; beside the
    // source without an output folder. Empty when the file ends here (reported).
    std::string MirroredPath(const Source& source);
    // False when the file ends here: skipped, too long for its folder, or refused.
    bool Admit(const std::string& sourcePath, const std::string& mirrored, std::string& targetPath);
    // Ends the file `sourcePath` without a transcoder, as `file` says; it counts as done.
    void EndWithout(FileReport file);
    ConversionJob ConversionFor(const std::string& sourcePath, const std::string& targetPath) const;
    LaunchRequest RequestFor(const ConversionJob& conversion, const std::string& sourceName) const;
    void StartTranscoder(Job job, const LaunchRequest& request);
    // Writes the tags of `job` into its finished target (and the six files of a split).
    id3::WriteStatus WriteTags(const Job& job) const;
    void FileEnded();
    void Close();
    void Restore();
    int ThreadsFor() const;
    int ProgressNow() const;
    bool Taken(const std::string& path) const;
    // Taken, for a split also when one of its six mono files is.
    bool TargetTaken(const std::string& target, bool split) const;
    bool Splits(const std::string& sourcePath) const;

    EngineHost& host_;
    const Setup setup_;
    const RunInput input_;
    TargetFormat format_ = TargetFormat::Wav;
    std::string folder_;
    Phase phase_ = Phase::Idle;
    Report report_;
    std::unique_ptr<SourceWalk> walk_;  // while the sources are gathered
    std::vector<Source> sources_;
    std::size_t next_ = 0;  // the next source to take up
    int nextSlot_ = 1;
    std::map<int, Job> running_;
    std::set<std::string> reserved_;            // targets of the running transcoders
    std::map<std::string, std::size_t> order_;  // sources in the order they came up
    int yieldsLeft_ = 0;
    bool awaitingReport_ = false;
    bool advancing_ = false;
    bool again_ = false;
    int shownProgress_ = -1;
};

}  // namespace batch
