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
