#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cstddef>
#include <string>
#include <vector>

#include "planes.h"
#include "status.h"

namespace transcoder {

// What an encoder is given: the sample rate and the roles of the channels, in order.
struct StreamShape {
    int rate = 0;
    std::vector<AVChannel> roles;
    int Channels() const { return static_cast<int>(roles.size()); }
    bool operator==(const StreamShape&) const = default;
};

// The end of the pipeline: encodes float planes (full scale is 1.0) into the output
// file(s), which are written under temporary names until Commit.
class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Encodes `planes`, one per channel of the shape. `depth` tells an output of 16-bit
    // integers whether the samples need dither; encoders that take float ignore it.
    virtual Status Write(const Planes& planes, Depth depth) = 0;

    // Flushes the encoder and completes the file(s).
    virtual Status Finish() = 0;

    // Gives every finished file its final name; on failure no file of the set is left under
    // its final name.
    virtual Status Commit() = 0;
};

}  // namespace transcoder
