#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "twips.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "twips_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    return *app;
}

TEST(TwipsTest, TwipsPerPixelFollowsTheDpiAndFallsBackTo96) {
    const struct {
        double dpi;
        double twipsPerPixel;
    } cases[] = {{96, 15}, {120, 12}, {144, 10}, {192, 7.5}, {72, 20}, {0, 15}, {-96, 15}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(Twips::TwipsPerPixelAt(c.dpi), c.twipsPerPixel) << "dpi " << c.dpi;
    }
}

// The offscreen screen has 96 logical dpi, also when it is scaled: device pixels never
// change how many twips a logical pixel is.
TEST(TwipsTest, WidgetConversionsRoundToWholePixels) {
    App();
    QWidget widget;
    ASSERT_EQ(widget.logicalDpiX(), 96);
    EXPECT_DOUBLE_EQ(Twips::TwipsPerPixel(widget), 15.0);
    EXPECT_DOUBLE_EQ(Twips::PixelsPerTwip(widget), 1.0 / 15.0);
    const struct {
        double twips;
        int pixels;
    } cases[] = {{0, 0},      {7, 0},      {7.5, 1},     {8, 1},     {15, 1},
                 {22.5, 2},   {1440, 96},  {10365, 691}, {-7.5, -1}, {-8, -1},
                 {6840, 456}, {9135, 609}, {1e6, 66667}};
    for (const auto& c : cases) {
        EXPECT_EQ(Twips::TwipsToPixels(c.twips, widget), c.pixels) << c.twips << " twips";
    }
    EXPECT_DOUBLE_EQ(Twips::PixelsToTwips(10, widget), 150.0);
    EXPECT_DOUBLE_EQ(Twips::PixelsToTwips(0.5, widget), 7.5);
    EXPECT_EQ(Twips::TwipsToPixels(Twips::PixelsToTwips(609, widget), widget), 609);
}

}  // namespace
