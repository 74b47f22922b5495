#pragma once

#include <memory>
#include <string>

#include "audio_sink.h"
#include "options.h"

namespace transcoder {

// Settings of the MPEG audio Layer II encoder.
struct MpaSettings {
    int bitrate = 0;  // kbit/s
    bool crc = false;
    MpaMode mode = MpaMode::Stereo;
    bool operator==(const MpaSettings&) const = default;
};

// An MPEG-1 (or, below 32 kHz, MPEG-2) Layer II stream made by twolame. A mono `shape`
// is coded as mono whatever the mode. Fails when twolame refuses the settings or the file
// cannot be created.
Result<std::unique_ptr<AudioSink>> CreateMpaSink(const std::string& path, const StreamShape& shape,
                                                 const MpaSettings& settings);

}  // namespace transcoder
