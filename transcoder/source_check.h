#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <string>

#include "status.h"

namespace transcoder {

// What the bytes of a source say about it once it was decoded to its end.

// Fails when the file `path`, read with the demuxer `formatName`, is a bare audio stream (mp3,
// ac3, dts ...) in which the frames that decoded, `audioBytes` bytes, are less than half of
// the bytes (tags aside): random data with a few valid frames in it. Containers and pipes
// pass.
Status CheckBareAudio(const char* formatName, const std::string& path, std::int64_t audioBytes);

// The seconds the header of `stream` in `format` (the file `path`) promises when the source
// holds less: a WAV data chunk not filled, or a declared duration not reached by the
// `decoded` and `lost` seconds (allowing for encoder delay and padding). 0 when the source
// keeps its promise or makes none.
double PromisedSeconds(const AVFormatContext& format, const AVStream& stream,
                       const std::string& path, double decoded, double lost);

}  // namespace transcoder
