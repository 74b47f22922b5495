#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "planes.h"

namespace transcoder {

// Triangular (TPDF) dither noise: the difference of two uniform values, between -1 and 1
// step of 16-bit audio. The sequence follows from the seed alone, so an output is the same
// on every run, however its blocks are cut.
class TpdfNoise {
public:
    explicit TpdfNoise(std::uint64_t seed);
    // The next `count` values of the sequence into `out`.
    void Fill(float* out, std::size_t count);

private:
    // The next four values of the sequence into `four`.
    void Next(float* four);

    std::array<std::uint64_t, 4> state_{};  // two generators: s1 of both, then s0 of both
    std::array<float, 4> spare_{};          // the last four values made
    std::size_t spareAt_ = 4;               // the first of them not yet given
};

// Full scale 1.0 to 16 bits: `count` samples of `in`, each with the value of `noise` (null for
// none) added in 16-bit steps unless the sample is exactly 0, clipped to the 16-bit range and
// rounded to the nearest step (ties to even).
void ToPcm16(const float* in, const float* noise, std::size_t count, std::int16_t* out);

// Float planes to 16-bit planes, with a noise sequence of its own for every channel (so
// outputs are reproducible): dithered unless the samples are 16-bit values already, which
// then come out exactly. Digital silence (exact zeros) stays silent either way.
class Quantiser {
public:
    explicit Quantiser(std::size_t channels);
    // The 16-bit planes of `planes`, which hold the samples of every channel in turn; valid
    // until the next call.
    const std::vector<std::vector<std::int16_t>>& Quantise(const Planes& planes, Depth depth);

private:
    std::vector<TpdfNoise> noise_;
    std::vector<float> values_;
    std::vector<std::vector<std::int16_t>> out_;
};

}  // namespace transcoder
