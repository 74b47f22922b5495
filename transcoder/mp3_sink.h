#pragma once

#include <memory>
#include <string>

#include "audio_sink.h"

namespace transcoder {

// Settings of the MP3 encoder.
struct Mp3Settings {
    int bitrate = 0;  // kbit/s, constant
    bool crc = false;
    bool operator==(const Mp3Settings&) const = default;
};

// An MP3 file made by LAME at a constant bitrate, with LAME's info frame first and no
// ID3 tag. `shape` holds one or two channels. Fails when LAME refuses the settings or the
// file cannot be created.
Result<std::unique_ptr<AudioSink>> CreateMp3Sink(const std::string& path, const StreamShape& shape,
                                                 const Mp3Settings& settings);

}  // namespace transcoder
