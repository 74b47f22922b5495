#pragma once

#include <soxr.h>

#include <memory>
#include <string>
#include <vector>

#include "planes.h"
#include "status.h"

namespace transcoder {

struct SoxrDeleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
};

// Streams float planes through libsoxr at very high quality (28-bit precision, linear
// phase).
class Resampler {
public:
    // A resampler of `channels` planes; fails when soxr refuses the rates.
    static Result<std::unique_ptr<Resampler>> Create(int inRate, int outRate, int channels);
    // A resampler of the `channels` planes from `firstChannel` on of the planes it is given
    // (soxr treats every channel on its own, so these come out as they would among all
    // channels); fails when soxr refuses the rates.
    static Result<std::unique_ptr<Resampler>> Create(int inRate, int outRate, int firstChannel,
                                                     int channels);

    // Resamples `in` into `out` (replaced, one plane per channel resampled); with `in` null
    // the resampler is flushed and the rest comes out. Fails when soxr does.
    Status Process(const Planes* in, Planes& out);

private:
    Resampler() = default;
    std::unique_ptr<soxr, SoxrDeleter> soxr_;
    double ratio_ = 1.0;
    std::size_t first_ = 0;
    std::size_t channels_ = 0;
    std::vector<const float*> inPointers_;
    std::vector<float*> outPointers_;
};

}  // namespace transcoder
