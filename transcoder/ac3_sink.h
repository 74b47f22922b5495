#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <memory>
#include <string>

#include "audio_sink.h"

namespace transcoder {

// True when the AC-3 encoder takes the channel layout `roles` as it is.
bool Ac3TakesLayout(const std::vector<AVChannel>& roles);

// A raw AC-3 stream made by libavcodec's AC-3 encoder at `bitrate` kbit/s. Null, with
// `error` set, on failure.
std::unique_ptr<AudioSink> CreateAc3Sink(const std::string& path, const StreamShape& shape,
                                         int bitrate, std::string& error);

}  // namespace transcoder
