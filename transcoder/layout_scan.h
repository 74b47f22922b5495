#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <string>
#include <vector>

namespace transcoder {

// The channels of every part of the first audio stream of `path` together, in native order,
// when that stream is AC-3 or E-AC-3: read from the sync frame headers of its packets
// without decoding them, so a stream that switches from stereo to 5.1 shows as 5.1 (reading
// stops once the channels include 5.1, which is as wide as any output gets). Empty
// when the file is not a regular file, cannot be read, or its first audio stream is of
// another codec. Opens the file on its own, apart from any decoder reading it.
std::vector<AVChannel> Ac3StreamRoles(const std::string& path);

}  // namespace transcoder
