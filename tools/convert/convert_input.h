#pragma once

#include <string>
#include <vector>

#include "batch_engine.h"
#include "convert_options.h"

// The paths of the command line as the run's input: each one an entry of its own folder, as
// the window's list would hold it.
namespace convert_cli {

// A path given that leads nowhere, with the system's errno.
struct MissingPath {
    std::string Path;
    int Errno = 0;
    bool operator==(const MissingPath&) const = default;
};

struct ConvertInput {
    batch::RunInput Input;
    std::vector<MissingPath> Missing;  // in the order given
    bool operator==(const ConvertInput&) const = default;
};

// `path` made absolute against `cwd` and without "." parts, "//" or a trailing "/"; ".."
// parts are kept, as the system follows them.
std::string AbsolutePath(const std::string& path, const std::string& cwd);

// The run's input for `options`: every path that exists becomes a selected entry of its own
// folder (a folder entry for a folder, whose files the run converts, with their sub-folders
// when Recursive), a path given twice counts once; the folders show the files of every kind
// the transcoder takes ("erlaubte Formate"). `outputFolder` is the checked output folder, or
// empty. The window's RunInputFrom makes the rest from the form the options stand for.
ConvertInput ConvertInputFor(const Options& options, const std::string& cwd,
                             const std::string& outputFolder);

}  // namespace convert_cli
