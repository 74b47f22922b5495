#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace id3 {

// The most bytes the compressed frames of one tag may inflate to together: what a tag can hold.
inline constexpr int64_t kMaxInflatedTagBytes = 0x0FFFFFFF;

// The zlib stream of a compressed frame, inflated to at most `limit` bytes. `declaredSize` is the
// size the frame announces for its inflated data (-1 when it announces none). nullopt when the
// data is no complete zlib stream (cut, damaged), when the stream gives more than `limit` bytes,
// or when the declared size is more than `limit` or than the data could ever inflate to.
std::optional<std::vector<uint8_t>> InflateFrameData(std::span<const uint8_t> compressed,
                                                     int64_t declaredSize, int64_t limit);

}  // namespace id3
