#include "format_options.h"

#include <gtest/gtest.h>

using format_options::BitrateAt;
using format_options::BitrateBar;

// Every position of every bar, one step past each end, and the bars' ends and starts.
TEST(FormatOptions, BitrateTablesCoverExactlyTheirRanges) {
    struct Case {
        BitrateBar bar;
        int min;
        int max;
        int start;
        std::vector<int> kbps;  // from min to max
    };
    const Case cases[] = {
        {BitrateBar::Mp3, 6, 14, 11, {80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {BitrateBar::Ac3, 10, 19, 14, {160, 192, 224, 256, 320, 384, 448, 512, 576, 640}},
        {BitrateBar::Mpa, 10, 19, 14, {160, 192, 224, 256, 320, 384, 448, 512, 576, 640}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.min);
        EXPECT_EQ(format_options::MinPosition(c.bar), c.min);
        EXPECT_EQ(format_options::MaxPosition(c.bar), c.max);
        EXPECT_EQ(format_options::StartPosition(c.bar), c.start);
        for (int p = c.min; p <= c.max; ++p) {
            const int kbps = c.kbps[static_cast<std::size_t>(p - c.min)];
            EXPECT_EQ(BitrateAt(c.bar, p), kbps) << p;
            EXPECT_EQ(format_options::PositionOf(c.bar, kbps), p) << kbps;
        }
        EXPECT_EQ(BitrateAt(c.bar, c.min - 1), std::nullopt);
        EXPECT_EQ(BitrateAt(c.bar, c.max + 1), std::nullopt);
        EXPECT_EQ(format_options::PositionOf(c.bar, 100), std::nullopt);
    }
    EXPECT_EQ(format_options::PositionOf(BitrateBar::Mp3, 640), std::nullopt);
    EXPECT_EQ(format_options::BarOfFormat(0), std::nullopt);
    EXPECT_EQ(format_options::BarOfFormat(3), BitrateBar::Mpa);
    // The bars start at the rates their labels show before any handler has run.
    EXPECT_EQ(BitrateAt(BitrateBar::Mp3, 11), 192);
    EXPECT_EQ(BitrateAt(BitrateBar::Mpa, 14), 320);
}

TEST(FormatOptions, CaptionSpellsTheRate) {
    EXPECT_EQ(format_options::BitrateCaption(80), "Bitrate: 80 KB/s");
    EXPECT_EQ(format_options::BitrateCaption(640), "Bitrate: 640 KB/s");
}
