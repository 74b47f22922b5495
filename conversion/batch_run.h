#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "messages.h"

// The batch run behind the start button: which entries are converted, the output names, the
// refusals, one transcoder run per file, the tag transfer, the progress and the closing steps.
// Everything that needs a window goes through BatchHost, so the run itself has no Qt.
namespace batch {

// One entry of the file list, as the list reports it: its text (no markup) and selection.
struct Entry {
    std::string Text;
    bool Selected = false;
    bool operator==(const Entry&) const = default;
};

// The chosen format's own options, read from the window's controls.
struct FormatOptions {
    int ResampleChoice = 0;      // chosen item of the format's sample-rate group
    bool Normalise = false;      // the format's "Normalisieren" box
    bool SplitToSixWav = false;  // "AC3 --> 6 WAV-Dateien" (WAV only)
    bool operator==(const FormatOptions&) const = default;
};

// How one transcoder run ended.
struct RunResult {
    bool Started = false;  // false: the program could not be started
    int ExitStatus = 0;    // 0 to 255, 128 + signal number when killed
    std::string Reason;    // the last line the transcoder wrote to stderr, or why it did not start
    bool operator==(const RunResult&) const = default;
};

// A file the run did not convert, and why.
struct Failure {
    std::string SourcePath;
    std::string Reason;
    bool operator==(const Failure&) const = default;
};

// What one run did.
struct Report {
    int Total = 0;  // eligible entries
    int Done = 0;   // entries the transcoder ran for
    std::vector<Failure> Failures;
    bool Stopped = false;  // the window asked the run to stop
    bool operator==(const Report&) const = default;
};

// What the run needs from the window. Calls come in the order of the run's steps.
class BatchHost {
public:
    virtual ~BatchHost() = default;
    // Moves the keyboard focus to the focus sink.
    virtual void FocusSink() = 0;
    // The list's entries, in list order (the list's entry 1 first).
    virtual std::vector<Entry> Entries() = 0;
    // The current folder of the file list.
    virtual std::string Folder() = 0;
    // True when "kompletten Ordner konvertieren" has the value 1.
    virtual bool ConvertAll() = 0;
    // The chosen target format, -1 when none is chosen.
    virtual int ChosenFormat() = 0;
    // The options of `format` as its controls show them now.
    virtual FormatOptions Options(TargetFormat format) = 0;
    // Runs the bitrate handler of `format` (MP3, AC3, MPA) and returns the bitrate it set.
    virtual std::int16_t Bitrate(TargetFormat format) = 0;
    // The value of "BeSweet Box verstecken": 0, 1 or 2 (greyed).
    virtual int HideConsole() = 0;
    // Runs `commandLine` and returns when the child has ended. `showMode` 0 hides its
    // console, -1 shows one titled `sourceName`.
    virtual RunResult Run(const std::string& commandLine, std::int16_t showMode,
                          const std::string& sourceName) = 0;
    // True once the window wants the run to stop (it is closing).
    virtual bool StopRequested() = 0;
    // Busy pointer on or off for the whole program.
    virtual void SetBusyPointer(bool busy) = 0;
    // Shows or hides the progress bar.
    virtual void ShowProgress(bool visible) = 0;
    // Sets the progress bar's value, 0 to 100.
    virtual void SetProgress(int percent) = 0;
    // The window's height: 7230 twips while busy, else 6945.
    virtual void SetBusyHeight(bool busy) = 0;
    // Processes pending window events once.
    virtual void Yield() = 0;
    // The refresh button's action: the folder is read again and the title reset.
    virtual void Refresh() = 0;
    // Sets the window's title.
    virtual void SetTitle(const std::string& title) = 0;
};

// Fixed values of the program the run needs.
struct Setup {
    std::string TranscoderPath;  // the program's folder followed by "BeSweet.exe"
    std::string AppTitle;        // window title and message-box title
    int ClosingYields = 20001;   // event rounds after the last file
    bool operator==(const Setup&) const = default;
};

// True when `text` names a folder entry ("[..]" or "[name]"); those are never converted.
bool IsFolderEntry(std::string_view text);

// The eligible entries: every file entry when `convertAll`, else the selected ones.
int CountEligible(const std::vector<Entry>& entries, bool convertAll);

// The output extension of `format`: ".wav", ".mp3", ".ac3" or ".mpa".
std::string TargetExtension(TargetFormat format);

// The output path for `sourcePath`: its base name (the path less its last four characters)
// with the format's extension, or with "_new" before it when `exists` says that name is
// taken. The caller still has to refuse a result that exists too.
template <class Exists>
std::string TargetPathFor(const std::string& sourcePath, TargetFormat format, Exists exists) {
    const std::string base =
        sourcePath.substr(0, sourcePath.size() >= 4 ? sourcePath.size() - 4 : 0);
    const std::string ext = TargetExtension(format);
    return exists(base + ext) ? base + "_new" + ext : base + ext;
}

// The progress value after `done` of `total` files: the whole part of (100 / total) * done,
// computed in double precision in that order. 0 when `total` is 0.
int ProgressPercent(int total, int done);

// The text of the end-of-run warning for `failures`; empty when there are none.
std::string FailureMessage(const std::vector<Failure>& failures);

// Runs one batch over the host's list. Messages (the overwrite refusal and the end-of-run
// warning) go to `messages`. Returns what was done; nothing is thrown.
Report Run(BatchHost& host, MessageSink& messages, const Setup& setup);

}  // namespace batch
