// Percentage, caption text, bar geometry and colour maths of the progress bar.
#include <gtest/gtest.h>

#include <QPalette>

#include "qt_app.h"
#include "xp_colors.h"
#include "xp_geometry.h"

#include <climits>
#include <optional>

using XpColors::MakeRgb;
using XpColors::Rgb;

TEST(XpMaths, PercentageRoundsHalvesToEvenAndRefusesFaults) {
    struct Case {
        int value;
        int max;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {42, 100, 42},     {101, 200, 50},          {103, 200, 52},  {1, 200, 0}, {3, 200, 2},
        {-101, 200, -50},  {100, 100, 100},         {250, 100, 250}, {5, 0, {}},  {INT_MAX, 1, {}},
        {INT_MIN, 10, {}}, {INT_MAX, INT_MAX, 100}, {7, -100, -7},   {0, 100, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XpGeometry::Percentage(c.value, c.max), c.expected) << c.value << " of " << c.max;
    }
}

TEST(XpMaths, CaptionTexts) {
    struct Case {
        int scrolling;
        bool percent;
        int percentage;
        int value;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {0, true, 42, 42, "%", "42 %"},
        {0, false, 42, 42, "%", "42 %"},
        {5, false, 50, 101, "Dateien", "101 Dateien"},
        {5, true, 50, 101, "Dateien", "50 %"},
        {2, true, 50, 101, "%", "Searching.."},
        {2, false, 50, 101, "%", "Searching.."},
        {0, false, 0, -3, "", "-3 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XpGeometry::CaptionText(c.scrolling, c.percent, c.percentage, c.value, c.text),
                  c.expected);
    }
}

TEST(XpMaths, BarEndDivisorsAndLimits) {
    EXPECT_EQ(XpGeometry::BarEnd(0, 300, 100, 100), 300);
    EXPECT_EQ(XpGeometry::BarEnd(0, 300, 100, 101), 297);  // stops just short of the edge
    EXPECT_EQ(XpGeometry::BarEnd(0, 296, 50, 100), 148);
    EXPECT_EQ(XpGeometry::BarEnd(0, 300, 0, 101), 0);
    EXPECT_EQ(XpGeometry::BarEnd(0, 300, INT_MAX, 100), 33554432);
    EXPECT_EQ(XpGeometry::BarEnd(0, 300, INT_MIN, 100), -33554432);
}

TEST(XpMaths, SegmentedLayoutSnapsToTheGridAndKeepsAStub) {
    struct Case {
        int scrolling;
        int length;
        int p;
        int end;
        int fillEnd;
    };
    const Case cases[] = {
        {0, 609, 50, 307, 307},   // 3 + 606 * 50 / 98 = 312, back to the 8-pixel grid
        {0, 609, 98, 603, 603},   // full at 98 %
        {0, 609, 100, 619, 615},  // past the edge: the fill stops 4 earlier
        {0, 609, 0, 12, 12},      // the stub
        {0, 609, -40, 12, 12},   {0, 609, 1, 12, 12},
        {1, 609, 50, 311, 311},                       // no segments: a 2-pixel grid
        {9, 300, 98, 299, 295},  {0, 10, 50, 12, 8},  // a tiny control
    };
    for (const Case& c : cases) {
        const XpGeometry::SegmentLayout layout =
            XpGeometry::SegmentedLayout(c.scrolling, c.length, c.p);
        EXPECT_EQ(layout.end, c.end) << "style " << c.scrolling << " p " << c.p;
        EXPECT_EQ(layout.fillEnd, c.fillEnd) << "style " << c.scrolling << " p " << c.p;
        EXPECT_EQ(layout.segment, c.scrolling == 0 ? 6 : 0);
    }
}

TEST(XpMaths, LightenBlendAndGradientColours) {
    const Rgb colours[] = {MakeRgb(0, 0, 0), MakeRgb(0, 128, 0), MakeRgb(64, 64, 64),
                           MakeRgb(255, 1, 254), MakeRgb(255, 255, 255)};
    for (Rgb c : colours) {
        EXPECT_EQ(XpColors::Lighten(c, 255), MakeRgb(255, 255, 255));
        EXPECT_EQ(XpColors::Lighten(c, 0), c);
        EXPECT_EQ(XpColors::Blend(c, MakeRgb(0, 0, 0), 255), c);
        EXPECT_EQ(XpColors::Blend(MakeRgb(0, 0, 0), c, 255), MakeRgb(0, 0, 0));
    }
    // 64 * 155 div 255 + 100 = 138; 128 * 105 div 255 + 150 = 202
    EXPECT_EQ(XpColors::Lighten(MakeRgb(64, 64, 64), 100), MakeRgb(138, 138, 138));
    EXPECT_EQ(XpColors::Lighten(MakeRgb(0, 128, 0), 150), MakeRgb(150, 202, 150));
    // 128 * 200 / 255 = 100.39 -> 100; 255 * 100 / 255 = 100
    EXPECT_EQ(XpColors::Blend(MakeRgb(0, 128, 255), 0, 200), MakeRgb(0, 100, 200));
    EXPECT_EQ(XpColors::Blend(MakeRgb(255, 255, 255), 0, 100), MakeRgb(100, 100, 100));

    EXPECT_EQ(XpColors::GradientColor(0, MakeRgb(255, 255, 255), 128, 255), MakeRgb(128, 128, 128));
    EXPECT_EQ(XpColors::GradientColor(MakeRgb(10, 20, 30), MakeRgb(30, 20, 10), 0, 0),
              MakeRgb(10, 20, 30));
    EXPECT_EQ(XpColors::GradientColor(0, MakeRgb(1, 3, 5), 1, 2),
              MakeRgb(0, 2, 2));  // halves to even
}

TEST(XpMaths, TranslateColorLooksUpSystemColoursInThePalette) {
    TestApp();
    EXPECT_EQ(XpColors::TranslateColor(MakeRgb(1, 2, 3)), MakeRgb(1, 2, 3));
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(XpColors::TranslateColor(XpColors::kSystemColorFlag | 5),
              XpColors::FromQColor(palette.color(QPalette::Active, QPalette::Base)));
    EXPECT_EQ(XpColors::TranslateColor(XpColors::kSystemColorFlag | 15),
              XpColors::FromQColor(palette.color(QPalette::Active, QPalette::Button)));
    EXPECT_EQ(XpColors::TranslateColor(XpColors::kSystemColorFlag | 400), 0u);
    EXPECT_EQ(XpColors::TranslateColor(0xFFFFFFFFu), 0u);
}
