// The 16-bit quantiser: plain rounding of 16-bit values, TPDF dither for finer ones, and a
// noise sequence that does not depend on how the blocks are cut.
#include "pcm16.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using transcoder::Depth;
using transcoder::Planes;
using transcoder::Quantiser;
using transcoder::ToPcm16;
using transcoder::TpdfNoise;

constexpr float kStep = 1.0f / 32768.0f;

TEST(TpdfNoise, IsTriangularBetweenMinusOneAndOneStep) {
    TpdfNoise noise(7);
    std::vector<float> values(1 << 18);
    noise.Fill(values.data(), values.size());
    double sum = 0.0;
    double squares = 0.0;
    std::size_t inner = 0;
    for (const float v : values) {
        ASSERT_GT(v, -1.0f);
        ASSERT_LT(v, 1.0f);
        sum += v;
        squares += static_cast<double>(v) * v;
        inner += std::fabs(v) < 0.5f ? 1 : 0;
    }
    const double n = static_cast<double>(values.size());
    EXPECT_NEAR(sum / n, 0.0, 0.005);
    // A triangle on (-1, 1): variance 1/6, three quarters of it within half a step.
    EXPECT_NEAR(squares / n, 1.0 / 6.0, 0.003);
    EXPECT_NEAR(static_cast<double>(inner) / n, 0.75, 0.005);
}

// Blocks arrive in whatever sizes the decoder and the resampler give; the noise must come
// out the same, so that the output does not depend on them.
TEST(TpdfNoise, SequenceDoesNotDependOnHowItIsCut) {
    const std::size_t total = 5000;
    TpdfNoise whole(42);
    std::vector<float> once(total);
    whole.Fill(once.data(), total);
    for (const std::vector<std::size_t>& cuts :
         {std::vector<std::size_t>{1}, {3}, {4}, {5, 1, 7, 0, 1152, 2}, {4095, 1}}) {
        TpdfNoise pieces(42);
        std::vector<float> joined;
        std::size_t at = 0;
        for (std::size_t k = 0; at < total; ++k) {
            const std::size_t n = std::min(cuts[k % cuts.size()], total - at);
            std::vector<float> part(n);
            pieces.Fill(part.data(), n);
            joined.insert(joined.end(), part.begin(), part.end());
            at += n;
        }
        EXPECT_EQ(joined, once) << "first cut " << cuts.front();
    }
    TpdfNoise other(43);
    std::vector<float> differs(total);
    other.Fill(differs.data(), total);
    EXPECT_NE(differs, once);
}

// Each value in a run long enough for the vector path and in the scalar tail after it.
TEST(ToPcm16, RoundsClipsAndAddsNoiseExceptToSilence) {
    struct Row {
        float in;
        float noise;  // in 16-bit steps; NAN for none
        std::int16_t expected;
    };
    const std::vector<Row> rows = {
        {0.0f, NAN, 0},
        {1234 * kStep, NAN, 1234},
        {-1.0f, NAN, -32768},
        {1.0f, NAN, 32767},      // full scale clips to the largest step
        {2.5f, NAN, 32767},      // beyond it too
        {-3.0f, NAN, -32768},    // and below
        {0.5f * kStep, NAN, 0},  // ties go to even
        {1.5f * kStep, NAN, 2},
        {-1.5f * kStep, NAN, -2},
        {0.0f, 0.9f, 0},  // digital silence stays silent
        {0.25f * kStep, 0.3f, 1},
        {0.25f * kStep, -0.3f, 0},
        {-10 * kStep, -0.6f, -11},
        {1.0f, 0.9f, 32767},
        {-1.0f, -0.9f, -32768},
    };
    for (const Row& row : rows) {
        const std::size_t count = 11;  // eight for the vector path, three for the tail
        const std::vector<float> in(count, row.in);
        const std::vector<float> noise(count, std::isnan(row.noise) ? 0.0f : row.noise);
        std::vector<std::int16_t> out(count);
        ToPcm16(in.data(), std::isnan(row.noise) ? nullptr : noise.data(), count, out.data());
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(out[i], row.expected) << row.in / kStep << " + " << row.noise << " at " << i;
        }
    }
}

TEST(Quantiser, KeepsSixteenBitValuesAndDithersFinerOnes) {
    const std::size_t frames = 4096;
    Planes planes(2, std::vector<float>(frames));
    for (std::size_t i = 0; i < frames; ++i) {
        planes[0][i] = static_cast<float>(static_cast<int>(i % 200) - 100) * kStep;
        planes[1][i] = planes[0][i];
    }
    Quantiser exact(2);
    const auto& kept = exact.Quantise(planes, Depth::Sixteen);
    for (std::size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(kept[0][i], static_cast<int>(i % 200) - 100) << i;
    }
    Quantiser dithered(2);
    const std::vector<std::vector<std::int16_t>> noisy = dithered.Quantise(planes, Depth::Finer);
    std::size_t moved = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const int wanted = static_cast<int>(i % 200) - 100;
        ASSERT_LE(std::abs(noisy[0][i] - wanted), 1) << i;  // never more than one step
        moved += noisy[0][i] != wanted ? 1 : 0;
    }
    // A triangle on (-1, 1) moves a value on a step in a quarter of the cases; silence stays.
    EXPECT_NEAR(static_cast<double>(moved) / frames, 0.25 * 199 / 200, 0.03);
    EXPECT_EQ(noisy[0][100], 0);
    // Every channel has noise of its own.
    EXPECT_NE(noisy[0], noisy[1]);
    // And the same channel gets the same noise in a second quantiser: reproducible.
    Quantiser again(2);
    EXPECT_EQ(again.Quantise(planes, Depth::Finer), noisy);
}

}  // namespace
