#pragma once

#include <cstddef>
#include <vector>

namespace transcoder {

// Audio as one sample vector per channel, all of the same length; full scale is 1.0.
using Planes = std::vector<std::vector<float>>;

// The number of frames in `planes`; 0 when there are no channels.
inline std::size_t FrameCount(const Planes& planes) {
    return planes.empty() ? 0 : planes.front().size();
}

}  // namespace transcoder
