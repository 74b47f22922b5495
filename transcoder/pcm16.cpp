#include "pcm16.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>

namespace transcoder {
namespace {

// SplitMix64: spreads a small seed over the generator's state.
std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The seed of channel `index`'s noise: fixed, and different for every channel.
std::uint64_t ChannelSeed(std::size_t index) {
    return 0x5451554E45ull + index;
}

}  // namespace

TpdfNoise::TpdfNoise(std::uint64_t seed) {
    for (std::uint64_t& word : state_) {
        word = SplitMix(seed);
    }
}

void TpdfNoise::Next(float* four) {
    // Two xorshift128+ generators side by side: 128 bits a step, eight 16-bit uniform values,
    // four differences of two (as SSE2 computes it below, lane by lane).
#ifdef __SSE2__
    __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state_[0]));
    const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state_[2]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state_[0]), s0);
    s1 = _mm_xor_si128(s1, _mm_slli_epi64(s1, 23));
    const __m128i next = _mm_xor_si128(
        _mm_xor_si128(s1, s0), _mm_xor_si128(_mm_srli_epi64(s1, 17), _mm_srli_epi64(s0, 26)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state_[2]), next);
    const __m128i bits = _mm_add_epi64(next, s0);
    const __m128i low = _mm_and_si128(bits, _mm_set1_epi32(0xFFFF));
    const __m128i high = _mm_srli_epi32(bits, 16);
    const __m128 diff = _mm_cvtepi32_ps(_mm_sub_epi32(low, high));
    _mm_storeu_ps(four, _mm_mul_ps(diff, _mm_set1_ps(1.0f / 65536.0f)));
#else
    for (int lane = 0; lane < 2; ++lane) {
        std::uint64_t s1 = state_[lane];
        const std::uint64_t s0 = state_[2 + lane];
        state_[lane] = s0;
        s1 ^= s1 << 23;
        state_[2 + lane] = s1 ^ s0 ^ (s1 >> 17) ^ (s0 >> 26);
        const std::uint64_t bits = state_[2 + lane] + s0;
        for (int half = 0; half < 2; ++half) {
            const std::uint64_t word = bits >> (32 * half);
            const auto a = static_cast<std::int32_t>(word & 0xFFFF);
            const auto b = static_cast<std::int32_t>((word >> 16) & 0xFFFF);
            four[2 * lane + half] = static_cast<float>(a - b) * (1.0f / 65536.0f);
        }
    }
#endif
}

void TpdfNoise::Fill(float* out, std::size_t count) {
    std::size_t i = 0;
    for (; i < count && spareAt_ < spare_.size(); ++i) {
        out[i] = spare_[spareAt_++];
    }
    for (; i + 4 <= count; i += 4) {
        Next(out + i);
    }
    if (i < count) {
        Next(spare_.data());
        for (spareAt_ = 0; i < count; ++i) {
            out[i] = spare_[spareAt_++];
        }
    }
}

void ToPcm16(const float* in, const float* noise, std::size_t count, std::int16_t* out) {
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    const __m128 zero = _mm_setzero_ps();
    auto scaled = [&](std::size_t at) {
        const __m128 x = _mm_loadu_ps(in + at);
        __m128 v = _mm_mul_ps(x, scale);
        if (noise != nullptr) {
            v = _mm_add_ps(v, _mm_and_ps(_mm_loadu_ps(noise + at), _mm_cmpneq_ps(x, zero)));
        }
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(v, low), high));
    };
    for (; i + 8 <= count; i += 8) {
        const __m128i packed = _mm_packs_epi32(scaled(i), scaled(i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < count; ++i) {
        float v = in[i] * 32768.0f;
        if (noise != nullptr && in[i] != 0.0f) {
            v += noise[i];
        }
        v = std::min(std::max(v, -32768.0f), 32767.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(v));
    }
}

Quantiser::Quantiser(std::size_t channels) : out_(channels) {
    for (std::size_t c = 0; c < channels; ++c) {
        noise_.emplace_back(ChannelSeed(c));
    }
}

const std::vector<std::vector<std::int16_t>>& Quantiser::Quantise(const Planes& planes,
                                                                  Depth depth) {
    const std::size_t frames = FrameCount(planes);
    const std::size_t channels = std::min(planes.size(), out_.size());
    for (std::size_t c = 0; c < channels; ++c) {
        out_[c].resize(frames);
        const float* noise = nullptr;
        if (depth == Depth::Finer) {
            values_.resize(frames);
            noise_[c].Fill(values_.data(), frames);
            noise = values_.data();
        }
        ToPcm16(planes[c].data(), noise, frames, out_[c].data());
    }
    return out_;
}

}  // namespace transcoder
