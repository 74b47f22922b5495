#include "system_colors.h"

#include <gtest/gtest.h>

TEST(SystemColors, IndexesMapToTheirPaletteRolesAndUnknownOnesToNothing) {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::HighlightedText, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::Text, QColor(7, 8, 9));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(10, 11, 12));
    struct Case {
        int index;
        QColor expected;
    };
    const Case cases[] = {
        {8, QColor(7, 8, 9)},     {13, QColor(1, 2, 3)}, {14, QColor(4, 5, 6)},
        {17, QColor(10, 11, 12)}, {25, QColor()},        {31, QColor()},
        {-1, QColor()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(system_colors::FromPalette(c.index, palette), c.expected) << c.index;
    }
}

TEST(SystemColors, ContrastRatiosFollowTheWebGuidelinesFormula) {
    struct Case {
        QColor a;
        QColor b;
        double ratio;
    };
    const Case cases[] = {
        {Qt::black, Qt::white, 21.0},
        {Qt::white, Qt::black, 21.0},                 // either order
        {QColor(0x77, 0x77, 0x77), Qt::white, 4.48},  // the grey just short of 4.5
        {QColor(0x30, 0x8C, 0xC6), Qt::white, 3.69},  // Fusion's highlight pair
        {QColor(0x12, 0x34, 0x56), QColor(0x12, 0x34, 0x56), 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(system_colors::ContrastRatio(c.a, c.b), c.ratio, 0.01)
            << c.a.name().toStdString() << " " << c.b.name().toStdString();
    }
    EXPECT_EQ(system_colors::BlackOrWhiteOn(QColor(0xD7, 0xD7, 0xA6)), QColor(Qt::black));
    EXPECT_EQ(system_colors::BlackOrWhiteOn(QColor(0x15, 0x53, 0x9E)), QColor(Qt::white));
}

TEST(SystemColors, TheDesignPaletteIsQtsOwnLightOne) {
    const QPalette& design = system_colors::DesignPalette();
    struct Case {
        int index;
        QColor expected;
    };
    const Case cases[] = {
        {8, Qt::black},                  // window text
        {13, QColor(0x30, 0x8C, 0xC6)},  // highlight
        {14, Qt::white},                 // highlighted text
        {17, QColor(0xBE, 0xBE, 0xBE)},  // grey text
        {16, QColor(0x9F, 0x9F, 0x9F)},  // button shadow
        {20, Qt::white},                 // button highlight
    };
    for (const Case& c : cases) {
        EXPECT_EQ(system_colors::FromPalette(c.index, design).rgb(), c.expected.rgb()) << c.index;
    }
}
