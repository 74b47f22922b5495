#pragma once

#include <soxr.h>

#include <memory>
#include <string>
#include <vector>

namespace transcoder {

struct SoxrDeleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
};

// Streams interleaved float audio through libsoxr at very high quality (28-bit
// precision, linear phase).
class Resampler {
public:
    // Null, with `error` set, when soxr refuses the rates.
    static std::unique_ptr<Resampler> Create(int inRate, int outRate, int channels,
                                             std::string& error);

    // Resamples `frames` frames of `in` into `out` (replaced); with `in` null the
    // resampler is flushed and the rest comes out. False with `error` set on failure.
    bool Process(const float* in, std::size_t frames, std::vector<float>& out, std::string& error);

private:
    Resampler() = default;
    std::unique_ptr<soxr, SoxrDeleter> soxr_;
    double ratio_ = 1.0;
    std::size_t channels_ = 0;
};

}  // namespace transcoder
