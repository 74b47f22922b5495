#pragma once

#include <string>

namespace transcoder {

// The URL under which FFmpeg opens the local file `path` and nothing else: `path` behind
// the file protocol's own prefix, so a colon in a name (a time, "http:", "concat:") is part
// of the name. Meant for opening with the protocol whitelist set to "file".
std::string LocalFileUrl(const std::string& path);

// `path` without the prefix LocalFileUrl gave it; `url` itself when it has none.
std::string LocalFilePath(const std::string& url);

}  // namespace transcoder
