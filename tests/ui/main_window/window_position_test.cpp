#include "window_position.h"

#include <gtest/gtest.h>

TEST(WindowPosition, CentredInTheUpper85PercentAndNeverOffTheTopLeft) {
    using window_position::CentredPosition;
    using window_position::Position;
    struct Case {
        double screenW, screenH, winW, winH;
        Position expected;
    };
    const Case cases[] = {
        // 1920 x 1080 pixels at 15 twips each, the window at its designed size.
        {28800, 16200, 9450, 6945, {9675, 3413}},
        {28800, 16200, 9450, 7230, {9675, 3270}},
        // The window at its one height (9285) on 1366 x 768 and on 1024 x 600 pixels: on the
        // smaller it is placed at the top.
        {20490, 11520, 9450, 9285, {5520, 254}},
        {15360, 9000, 9450, 9285, {2955, 0}},
        // Taller than 85 percent of the screen: placed at the top.
        {12000, 9000, 9450, 8000, {1275, 0}},
        // Wider than the screen: placed at the left edge.
        {9000, 9000, 9450, 6945, {0, 353}},
        {101, 1, 0, 0, {50, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentredPosition(c.screenW, c.screenH, c.winW, c.winH), c.expected)
            << c.screenW << "x" << c.screenH << " " << c.winW << "x" << c.winH;
    }
}
