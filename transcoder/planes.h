#pragma once

#include <cstddef>
#include <vector>

namespace transcoder {

// Audio as one sample vector per channel, all of the same length; full scale is 1.0.
using Planes = std::vector<std::vector<float>>;

// What the samples of a block are: 16-bit values as the source held them (integer samples of
// 16 bits or fewer, only copied or routed since), which 16 bits keep exactly, or values finer
// than that (from a finer source, or changed by mixing, resampling or gain), which need dither.
enum class Depth { Sixteen, Finer };

// The number of frames in `planes`; 0 when there are no channels.
inline std::size_t FrameCount(const Planes& planes) {
    return planes.empty() ? 0 : planes.front().size();
}

}  // namespace transcoder
