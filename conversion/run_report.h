#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What one batch run did, file by file. The window and a terminal front end word it in their
// own language; nothing here is text for a user but the paths and what the transcoder said.
namespace batch {

// How a file of a run ended, in the order the report counts them.
enum class Outcome : int { Converted, Warned, Skipped, Refused, Failed, Stopped };
constexpr int kOutcomeCount = 6;

// Why a file did not simply convert.
enum class Cause : int {
    None,
    TranscoderNotStarted,  // Detail: why it could not start, as the system said
    TranscoderFailed,      // Detail: its last line on stderr (may be empty); Number: exit status
    NoOutput,              // it reported success and wrote nothing
    TagsNotWritten,        // Detail: the tag writer's reason (may be empty)
    NameTooLong,           // Number: the name's bytes, Limit: what the folder allows
    TargetExists,          // skipped or refused; Target names the existing file
    SourceGone,            // the source was no longer there when its turn came
    LinkInOutput,          // Detail: the part below the output folder that is a link
    NotAFolderInOutput,    // Detail: the part below the output folder that is no folder
    FolderNotMade,         // Detail: the part that could not be made; Number: errno
    FolderUnreadable,      // a folder of a tree (Source) could not be read; Number: errno
    Warnings,              // Detail: what the transcoder warned of, one warning a line
};

// One file of the run and how it ended.
struct FileReport {
    Outcome Result = Outcome::Converted;
    std::string Source{};  // the source's full path (for FolderUnreadable, the folder's)
    std::string Target{};  // the output written, or the existing one skipped or refused
    Cause Why = Cause::None;
    std::string Detail{};
    std::int64_t Number = 0;
    std::int64_t Limit = 0;
    bool operator==(const FileReport&) const = default;
};

struct Report {
    int Total = 0;  // the files of the run, counted before the first transcoder started
    int Done = 0;   // files finished: converted, failed, skipped or refused
    std::vector<FileReport> Files;  // in the order the run took the sources up
    bool Stopped = false;           // the run was asked to stop
    bool operator==(const Report&) const = default;

    // The number of files with `outcome`.
    int Count(Outcome outcome) const;
    // The files with `outcome`, in run order.
    std::vector<FileReport> With(Outcome outcome) const;
    // True when the run has more to say than its counts: anything warned of, refused, failed
    // or stopped. Converted and skipped files alone need no window.
    bool NeedsAWord() const;
};

}  // namespace batch
