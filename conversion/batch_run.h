#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "source_kinds.h"

// The rules of the batch run behind the start button: which entries are converted, the output
// names and the progress value. The run itself is batch::Engine.
namespace batch {

// One entry of the file list: for a file or a folder its name as the folder holds it, its
// selection, and whether the browser listed it as a folder or as the parent. A selected
// folder's files are converted (SourceWalk); the parent never counts.
struct Entry {
    std::string Text;
    bool Selected = false;
    bool Folder = false;  // a folder entry or the parent
    bool Parent = false;  // the parent entry "[..]"
    // The folder that holds it when that is not the list's folder (a front end given paths
    // from several folders); empty: the list's folder.
    std::string Within{};
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
    std::vector<std::string> Warnings;  // what it warned of while converting (exit status 0)
    bool operator==(const RunResult&) const = default;
};

// Fixed values of the program the run needs.
struct Setup {
    std::string TranscoderPath;  // the program's folder followed by "BeSweet.exe"
    std::string AppTitle;        // window title and message-box title
    int ClosingYields = 20001;   // event rounds after the last file
    int Jobs = 1;                // transcoders that may run at once
    int Cores = 1;               // cores this process may use
    bool operator==(const Setup&) const = default;
};

// The eligible file entries: every file entry when `convertAll`, else the selected ones.
int CountEligible(const std::vector<Entry>& entries, bool convertAll);

// The output extension of `format`: ".wav", ".mp3", ".ac3" or ".mpa".
std::string TargetExtension(TargetFormat format);

// The output path for `sourcePath`: its base name (the path without the extension of its file
// name, source_kinds::WithoutExtension) with the format's extension, or with "_new" before it
// when `exists` says that name is taken. The caller still has to refuse a result that exists
// too.
template <class Exists>
std::string TargetPathFor(const std::string& sourcePath, TargetFormat format, Exists exists) {
    const std::string base = source_kinds::WithoutExtension(sourcePath);
    const std::string ext = TargetExtension(format);
    return exists(base + ext) ? base + "_new" + ext : base + ext;
}

// The progress value after `done` of `total` files: the whole part of (100 / total) * done,
// computed in double precision in that order. 0 when `total` is 0.
int ProgressPercent(int total, int done);

// How many transcoders may run at once: `setting` (the "Jobs" key) when it is 1 or more (at
// most 64), else `cores`, at most 8.
int JobCount(int setting, int cores);

}  // namespace batch
