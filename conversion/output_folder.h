#pragma once

#include <string>
#include <string_view>

#include "folders_below.h"

// The output folder of a run: checked and made once before the run starts, and the folder of
// each target below it.
namespace batch {

// Why an output folder cannot take a run.
enum class OutputProblem : int {
    None,
    Empty,        // no folder given
    NotAbsolute,  // not a full path (nor one beginning with "~/")
    NotAFolder,   // a file or something else is in the way
    NotMade,      // missing, and making it failed (Errno says why)
    NotWritable,  // there, but no file can be written into it (Errno says why)
};

struct OutputFolderCheck {
    OutputProblem Problem = OutputProblem::None;
    int Errno = 0;
    std::string Folder;  // the folder as given, "~" expanded; for None, with links resolved
    bool Ok() const { return Problem == OutputProblem::None; }
    bool operator==(const OutputFolderCheck&) const = default;
};

// Checks the output folder `text` as typed or chosen: "~" and "~/..." stand for $HOME; the
// folder and the folders above it are made when missing; a file is written into it and
// removed again to prove that it takes one (a read-only mount, a folder without the right to
// write). On success, Folder is the folder with every link resolved.
OutputFolderCheck PrepareOutputFolder(std::string_view text);

// The folder part of `relative` ("Album A/CD 1/01.flac" gives "Album A/CD 1"; a bare name "").
std::string RelativeFolderOf(std::string_view relative);

}  // namespace batch
