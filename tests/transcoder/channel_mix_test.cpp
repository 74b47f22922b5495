#include "channel_mix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "format_limits.h"

namespace transcoder {
namespace {

const std::vector<AVChannel> kSide51 = {AV_CHAN_FRONT_LEFT,   AV_CHAN_FRONT_RIGHT,
                                        AV_CHAN_FRONT_CENTER, AV_CHAN_LOW_FREQUENCY,
                                        AV_CHAN_SIDE_LEFT,    AV_CHAN_SIDE_RIGHT};
const std::vector<AVChannel> kBack51 = {AV_CHAN_FRONT_LEFT,   AV_CHAN_FRONT_RIGHT,
                                        AV_CHAN_FRONT_CENTER, AV_CHAN_LOW_FREQUENCY,
                                        AV_CHAN_BACK_LEFT,    AV_CHAN_BACK_RIGHT};

// Mixes one frame given as one value per channel.
std::vector<float> Mix(const MixPlan& plan, const std::vector<float>& frame) {
    Planes in;
    for (const float v : frame) {
        in.push_back({v});
    }
    Planes out;
    ApplyMix(plan, in, out);
    std::vector<float> result;
    for (const auto& plane : out) {
        result.push_back(plane.at(0));
    }
    return result;
}

TEST(StereoPlan, DownmixFollowsBs775AndCannotClip) {
    const MixPlan plan = StereoPlan(kSide51);
    ASSERT_EQ(plan.outRoles.size(), 2u);
    const float scale = 1.0f / (1.0f + 2.0f * 0.70710678f);
    struct Row {
        std::vector<float> in;
        float left;
        float right;
    };
    const std::vector<Row> rows = {
        {{1, 0, 0, 0, 0, 0}, scale, 0},                                  // L stays left
        {{0, 1, 0, 0, 0, 0}, 0, scale},                                  // R stays right
        {{0, 0, 1, 0, 0, 0}, 0.70710678f * scale, 0.70710678f * scale},  // C to both, -3 dB
        {{0, 0, 0, 1, 0, 0}, 0, 0},                                      // LFE dropped
        {{0, 0, 0, 0, 1, 0}, 0.70710678f * scale, 0},                    // Ls to left, -3 dB
        {{0, 0, 0, 0, 0, 1}, 0, 0.70710678f * scale},                    // Rs to right, -3 dB
        {{1, -1, 1, 1, 1, -1}, 1.0f, -scale},  // the worst case just reaches full scale
    };
    for (const Row& row : rows) {
        const std::vector<float> out = Mix(plan, row.in);
        EXPECT_NEAR(out[0], row.left, 1e-5f);
        EXPECT_NEAR(out[1], row.right, 1e-5f);
    }
    // Back surrounds are treated like side surrounds.
    EXPECT_EQ(StereoPlan(kBack51).matrix, plan.matrix);
}

TEST(StereoPlan, MonoAndStereoSourcesPassUnchanged) {
    EXPECT_EQ(Mix(StereoPlan({AV_CHAN_FRONT_CENTER}), {0.5f}), (std::vector<float>{0.5f, 0.5f}));
    const MixPlan stereo = StereoPlan({AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT});
    EXPECT_TRUE(stereo.identity);
    EXPECT_EQ(Mix(stereo, {0.25f, -1.0f}), (std::vector<float>{0.25f, -1.0f}));
}

TEST(SixPlan, PutsEveryChannelInItsSlot) {
    const MixPlan side = SixPlan(kSide51);
    EXPECT_TRUE(side.identity);
    EXPECT_EQ(side.outRoles, kSide51);
    const MixPlan back = SixPlan(kBack51);
    EXPECT_EQ(back.outRoles, kBack51);
    // A 5.1 source in another channel order is put into the standard order.
    const MixPlan reordered =
        SixPlan({AV_CHAN_FRONT_CENTER, AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_SIDE_LEFT,
                 AV_CHAN_SIDE_RIGHT, AV_CHAN_LOW_FREQUENCY});
    EXPECT_EQ(Mix(reordered, {3, 1, 2, 5, 6, 4}), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    // Mono becomes the centre; stereo the front pair; the rest stays silent.
    EXPECT_EQ(Mix(SixPlan({AV_CHAN_FRONT_CENTER}), {0.5f}),
              (std::vector<float>{0, 0, 0.5f, 0, 0, 0}));
    EXPECT_EQ(Mix(SixPlan({AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT}), {0.5f, -0.5f}),
              (std::vector<float>{0.5f, -0.5f, 0, 0, 0, 0}));
    // 7.1: side and back share the surround slots at -3 dB each.
    std::vector<AVChannel> seven = kSide51;
    seven.push_back(AV_CHAN_BACK_LEFT);
    seven.push_back(AV_CHAN_BACK_RIGHT);
    const std::vector<float> out = Mix(SixPlan(seven), {0, 0, 0, 0, 1, 0, 1, 0});
    EXPECT_NEAR(out[4], 2 * 0.70710678f, 1e-5f);
}

TEST(ConformPlan, MapsAChangedLayoutOntoTheFirstOne) {
    const std::vector<AVChannel> stereo = {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT};
    struct Row {
        std::vector<AVChannel> from;
        std::vector<AVChannel> to;
        std::vector<float> in;
        std::vector<float> expected;
    };
    const float s = 1.0f / (1.0f + 2.0f * 0.70710678f);
    const std::vector<Row> rows = {
        {kSide51, stereo, {1, 0, 0, 1, 0, 0}, {s, 0}},                // downmixed, LFE dropped
        {kSide51, {AV_CHAN_FRONT_CENTER}, {1, 1, 0, 0, 0, 0}, {s}},   // mean of the downmix
        {stereo, kSide51, {0.5f, -0.5f}, {0.5f, -0.5f, 0, 0, 0, 0}},  // fronts, rest silent
        {kBack51, kSide51, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},   // back counts as side
        {{AV_CHAN_FRONT_CENTER}, kSide51, {0.25f}, {0, 0, 0.25f, 0, 0, 0}},
        {{AV_CHAN_FRONT_CENTER},
         {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_BACK_LEFT},
         {0.25f},
         {0.25f, 0.25f, 0}},
    };
    for (const Row& row : rows) {
        const std::vector<float> out = Mix(ConformPlan(row.from, row.to), row.in);
        ASSERT_EQ(out.size(), row.expected.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_NEAR(out[i], row.expected[i], 1e-5f) << i;
        }
    }
}

// A part the decoder maps into 5.1 must land where a whole file in that layout would.
TEST(ConformPlan, IntoFivePointOneAgreesWithSixPlan) {
    const std::vector<std::uint64_t> masks = {
        AV_CH_LAYOUT_MONO,     AV_CH_LAYOUT_STEREO,       AV_CH_LAYOUT_2POINT1,
        AV_CH_LAYOUT_SURROUND, AV_CH_LAYOUT_2_2,          AV_CH_LAYOUT_QUAD,
        AV_CH_LAYOUT_5POINT0,  AV_CH_LAYOUT_5POINT1,      AV_CH_LAYOUT_6POINT1,
        AV_CH_LAYOUT_7POINT1,  AV_CH_LAYOUT_5POINT1_BACK,
    };
    for (const std::uint64_t mask : masks) {
        AVChannelLayout layout{};
        ASSERT_EQ(av_channel_layout_from_mask(&layout, mask), 0);
        const std::vector<AVChannel> roles = ChannelRoles(layout);
        EXPECT_EQ(ConformPlan(roles, kSide51).matrix, SixPlan(roles).matrix) << "mask " << mask;
    }
}

TEST(NativeLayout, TakesOnlyRolesInNativeOrder) {
    AVChannelLayout layout{};
    ASSERT_TRUE(NativeLayout(kSide51, layout));
    const AVChannelLayout side = AV_CHANNEL_LAYOUT_5POINT1;
    EXPECT_EQ(av_channel_layout_compare(&layout, &side), 0);
    av_channel_layout_uninit(&layout);
    EXPECT_FALSE(NativeLayout({AV_CHAN_FRONT_RIGHT, AV_CHAN_FRONT_LEFT}, layout));
    EXPECT_FALSE(NativeLayout({AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_LEFT}, layout));
}

TEST(ChannelRoles, UnknownOrderGetsTheDefaultLayout) {
    AVChannelLayout layout{};
    layout.order = AV_CHANNEL_ORDER_UNSPEC;
    layout.nb_channels = 2;
    EXPECT_EQ(ChannelRoles(layout),
              (std::vector<AVChannel>{AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT}));
    const AVChannelLayout side = AV_CHANNEL_LAYOUT_5POINT1;
    EXPECT_EQ(ChannelRoles(side), kSide51);
}

// MP3 below 16 kHz is MPEG-2.5, which LAME codes at up to 64 kbit/s.
TEST(FormatLimits, InvalidValuesAreLoweredToTheNextValidOne) {
    struct Row {
        Target target;
        int requested;
        int rate;
        int channels;
        int expected;
    };
    const std::vector<Row> bitrates = {
        {Target::Mpa, 640, 48000, 2, 384}, {Target::Mpa, 384, 48000, 2, 384},
        {Target::Mpa, 80, 48000, 2, 64},   {Target::Mpa, 384, 48000, 1, 192},
        {Target::Mpa, 384, 24000, 2, 160}, {Target::Mp3, 320, 22050, 2, 160},
        {Target::Mp3, 192, 44100, 2, 192}, {Target::Mp3, 200, 44100, 2, 192},
        {Target::Ac3, 640, 48000, 6, 640}, {Target::Ac3, 250, 48000, 6, 224},
        {Target::Ac3, 16, 48000, 2, 32},   {Target::Wav, 192, 44100, 2, 0},
        {Target::Mp3, 192, 8000, 2, 64},   {Target::Mp3, 160, 11025, 1, 64},
        {Target::Mp3, 56, 12000, 2, 56},   {Target::Mp3, 192, 16000, 2, 160},
    };
    for (const Row& row : bitrates) {
        EXPECT_EQ(EncoderBitrate(row.target, row.requested, row.rate, row.channels), row.expected)
            << static_cast<int>(row.target) << " " << row.requested;
    }
    const std::vector<Row> rates = {
        {Target::Ac3, 0, 48000, 0, 48000}, {Target::Ac3, 0, 96000, 0, 48000},
        {Target::Ac3, 0, 22050, 0, 32000}, {Target::Mp3, 0, 88200, 0, 48000},
        {Target::Mp3, 0, 11025, 0, 11025}, {Target::Mpa, 0, 8000, 0, 16000},
        {Target::Wav, 0, 96000, 0, 96000},
    };
    for (const Row& row : rates) {
        EXPECT_EQ(EncoderRate(row.target, row.rate), row.expected) << row.rate;
    }
}

}  // namespace
}  // namespace transcoder
