// The progress bar draws in its own fixed colours: a dark or high-contrast desktop leaves
// every pixel as it is, and its captions keep their contrast.
#include <gtest/gtest.h>

#include <QImage>

#include "../palettes.h"
#include "qt_app.h"
#include "xp_colors.h"
#include "xp_progress_bar.h"

namespace {

// The visible part of a bar of `style` at `value`, drawn under `palette`.
QImage Render(const QPalette& palette, int style, int value, bool showText) {
    QApplication::setPalette(palette);
    XP_ProgressBar bar;
    bar.setAttribute(Qt::WA_DontShowOnScreen);
    bar.setPalette(palette);
    bar.resize(200, 20);
    bar.show();
    bar.SetColor(XpColors::MakeRgb(0, 128, 0));
    bar.SetScrolling(style);
    bar.SetShowText(showText);
    bar.SetValue(value);
    return bar.Buffer().copy(0, 0, 200, 20);
}

class XpPalette : public ::testing::Test {
protected:
    XpPalette() : light_(TestApp().palette()) {}
    ~XpPalette() override { QApplication::setPalette(light_); }
    QPalette light_;
};

}  // namespace

TEST_F(XpPalette, DarkAndHighContrastDesktopsChangeNoPixel) {
    for (int style = 0; style <= 8; ++style) {
        for (int value : {0, 50, 100}) {
            const QImage light = Render(light_, style, value, true);
            EXPECT_EQ(Render(test_palettes::Dark(), style, value, true), light)
                << style << " " << value;
            EXPECT_EQ(Render(test_palettes::HighContrast(), style, value, true), light)
                << style << " " << value;
        }
    }
}

TEST_F(XpPalette, CaptionsOverTheBarKeepTheirContrast) {
    // The caption over the full bar: white on the main window's green; the dark style's
    // silver on black.
    struct Case {
        int style;
        int value;
    };
    const Case cases[] = {{0, 100}, {1, 100}, {6, 0}};
    for (const Case& c : cases) {
        const QImage image = Render(test_palettes::Dark(), c.style, c.value, true);
        // The caption's middle, away from the frame and the segment gaps.
        const test_palettes::Ink ink = test_palettes::MeasureInk(image, QRect(85, 7, 30, 6));
        EXPECT_GT(ink.pixels, 0) << c.style;
        EXPECT_GE(ink.contrast, 4.5) << c.style << ": " << ink.ink.name().toStdString() << " on "
                                     << ink.background.name().toStdString();
    }
}
