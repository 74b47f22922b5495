#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "status.h"

namespace transcoder {

// The URL under which FFmpeg opens the local file `path` and nothing else: `path` behind
// the file protocol's own prefix, so a colon in a name (a time, "http:", "concat:") is part
// of the name. Meant for opening with the protocol whitelist set to "file".
std::string LocalFileUrl(const std::string& path);

// `path` without the prefix LocalFileUrl gave it; `url` itself when it has none.
std::string LocalFilePath(const std::string& url);

// True when `a` and `b` are the same existing file: the same device and inode after
// following links (so the same path, a symbolic link and a hard link all count). False
// when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// Every file a run of `options` writes: the output and, for the six-channel profile, the
// mono files beside it.
std::vector<std::string> OutputNames(const Options& options);

// Fails as a bad call, naming the file, when a file the run would write is its input.
Status CheckOutputsSpareInput(const Options& options);

}  // namespace transcoder
