// Resampling some of the channels on their own, as the converter does when two threads share
// the work: every call must give the very samples, and as many, that one resampler of all
// the channels gives.
#include "resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

using transcoder::FrameCount;
using transcoder::Planes;
using transcoder::Resampler;

// `frames` frames of `channels` different signals (tones and noise from a fixed seed), from
// frame `start` on.
Planes Signal(std::size_t channels, std::size_t start, std::size_t frames, std::uint32_t& seed) {
    Planes planes(channels, std::vector<float>(frames));
    for (std::size_t c = 0; c < channels; ++c) {
        for (std::size_t i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double noise = static_cast<double>(seed >> 8) / (1u << 24) - 0.5;
            const double t = static_cast<double>(start + i);
            planes[c][i] = static_cast<float>(0.5 * std::sin(t * 0.01 * (c + 1)) + 0.3 * noise);
        }
    }
    return planes;
}

TEST(Resampler, ChannelsResampledApartMatchThemResampledTogether) {
    struct Case {
        int inRate;
        int outRate;
        int channels;
        int split;  // the first resampler takes the channels before this one
    };
    const std::vector<Case> cases = {
        {44100, 48000, 2, 1}, {44100, 48000, 6, 3}, {48000, 44100, 6, 3},
        {48000, 44100, 3, 1}, {22050, 48000, 2, 1}, {48000, 32000, 5, 2},
    };
    // Block sizes as decoders hand them over, with odd ones between.
    const std::vector<std::size_t> blocks = {1152, 1152, 17, 1536, 4096, 1, 0, 1152, 3000, 1152};
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.inRate) + " to " + std::to_string(c.outRate) +
                                 " Hz, " + std::to_string(c.channels) + " channels";
        auto madeWhole = Resampler::Create(c.inRate, c.outRate, c.channels);
        auto madeFront = Resampler::Create(c.inRate, c.outRate, 0, c.split);
        auto madeBack = Resampler::Create(c.inRate, c.outRate, c.split, c.channels - c.split);
        ASSERT_TRUE(madeWhole && madeFront && madeBack)
            << what << ": " << madeWhole.reason() << madeFront.reason() << madeBack.reason();
        const auto& whole = *madeWhole;
        const auto& front = *madeFront;
        const auto& back = *madeBack;
        std::uint32_t seed = 12345;
        std::size_t start = 0;
        std::size_t made = 0;
        // Three rounds of the blocks, then the flush (no input).
        for (std::size_t call = 0; call <= 3 * blocks.size(); ++call) {
            const bool flush = call == 3 * blocks.size();
            const std::size_t frames = flush ? 0 : blocks[call % blocks.size()];
            const Planes in = Signal(static_cast<std::size_t>(c.channels), start, frames, seed);
            start += frames;
            Planes all;
            Planes first;
            Planes rest;
            const transcoder::Status wholeDone = whole->Process(flush ? nullptr : &in, all);
            ASSERT_TRUE(wholeDone.ok()) << what << wholeDone.reason();
            const transcoder::Status frontDone = front->Process(flush ? nullptr : &in, first);
            ASSERT_TRUE(frontDone.ok()) << what << frontDone.reason();
            const transcoder::Status backDone = back->Process(flush ? nullptr : &in, rest);
            ASSERT_TRUE(backDone.ok()) << what << backDone.reason();
            ASSERT_EQ(all.size(), static_cast<std::size_t>(c.channels)) << what;
            ASSERT_EQ(first.size(), static_cast<std::size_t>(c.split)) << what;
            ASSERT_EQ(rest.size(), static_cast<std::size_t>(c.channels - c.split)) << what;
            ASSERT_EQ(FrameCount(first), FrameCount(all)) << what << ", call " << call;
            ASSERT_EQ(FrameCount(rest), FrameCount(all)) << what << ", call " << call;
            for (std::size_t ch = 0; ch < all.size(); ++ch) {
                const std::vector<float>& apart =
                    ch < first.size() ? first[ch] : rest[ch - first.size()];
                EXPECT_TRUE(apart == all[ch]) << what << ", call " << call << ", channel " << ch;
            }
            made += FrameCount(all);
        }
        // The whole signal came out, at the new rate (to within the filter's rounding).
        const double expected = static_cast<double>(start) * c.outRate / c.inRate;
        EXPECT_NEAR(static_cast<double>(made), expected, 2.0) << what;
    }
}

}  // namespace
