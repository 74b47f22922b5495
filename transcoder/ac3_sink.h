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

// A raw AC-3 stream made by libavcodec's AC-3 encoder at `bitrate` kbit/s. Fails when the
// encoder refuses the shape or the bitrate, or the file cannot be created.
Result<std::unique_ptr<AudioSink>> CreateAc3Sink(const std::string& path, const StreamShape& shape,
                                                 int bitrate);

}  // namespace transcoder
