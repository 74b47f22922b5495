// The progress bar on a screen scaled by 2: its buffer holds device pixels, the bar's
// geometry stays the one of an unscaled screen, and the caption is drawn at full resolution.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "qt_app.h"
#include "xp_colors.h"
#include "xp_progress_bar.h"
#include "xp_render.h"

namespace {

constexpr int kRatio = 2;
constexpr QSize kSize(120, 17);

QApplication& ScaledApp() {
    // Before the application exists: Qt reads the factor once.
    qputenv("QT_SCALE_FACTOR", "2");
    return TestApp();
}

void ShowAt(XP_ProgressBar& bar, QSize size) {
    bar.setAttribute(Qt::WA_DontShowOnScreen);
    bar.resize(size);
    bar.show();
}

// The same drawing pass on a plain image of one device pixel per logical pixel.
QImage UnscaledRender(const ProgressLook& look, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    RenderProgressBar(painter, look, size);
    return image;
}

// 2 x 2 blocks at even device positions holding a dark pixel, and those not of four equal
// pixels; a picture drawn at half resolution and doubled has none of the latter.
std::pair<int, int> InkCells(const QImage& image) {
    int inked = 0;
    int mixed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb block[] = {image.pixel(x, y), image.pixel(x + 1, y), image.pixel(x, y + 1),
                                  image.pixel(x + 1, y + 1)};
            bool dark = false;
            bool equal = true;
            for (QRgb p : block) {
                dark = dark || qGray(p) < 128;
                equal = equal && p == block[0];
            }
            inked += dark ? 1 : 0;
            mixed += dark && !equal ? 1 : 0;
        }
    }
    return {inked, mixed};
}

TEST(XpHiDpi, BufferHoldsDevicePixelsAndFollowsTheControl) {
    ScaledApp();
    XP_ProgressBar bar;
    ShowAt(bar, kSize);
    ASSERT_EQ(bar.devicePixelRatioF(), kRatio) << "QT_SCALE_FACTOR was not applied";
    EXPECT_EQ(bar.Buffer().size(), kSize * kRatio);
    EXPECT_EQ(bar.Buffer().devicePixelRatio(), kRatio);
    // Grows with the control; a smaller control keeps the larger buffer, as at ratio 1.
    bar.resize(200, 20);
    EXPECT_EQ(bar.Buffer().size(), QSize(400, 40));
    bar.resize(100, 10);
    EXPECT_EQ(bar.Buffer().size(), QSize(400, 40));
    // What reaches the screen is the buffer's top left, pixel for pixel.
    bar.SetScrolling(3);
    bar.SetValue(40);
    const QImage shown = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(200, 20));
    EXPECT_EQ(shown, bar.Buffer().copy(0, 0, 200, 20));
}

// Without a caption every style is made of whole logical pixels: the buffer is the unscaled
// picture with each pixel doubled in both directions.
TEST(XpHiDpi, StylesKeepTheirUnscaledGeometry) {
    ScaledApp();
    XP_ProgressBar bar;
    ShowAt(bar, kSize);
    bar.SetColor(XpColors::MakeRgb(0, 128, 0));
    bar.SetBrushStyle(4);
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(Qt::red);
    tile.setPixel(0, 0, qRgb(0, 0, 255));
    bar.SetImage(tile);
    const struct {
        int scrolling;
        int orientation;
        int value;
    } cases[] = {{0, 0, 50}, {0, 0, 98}, {0, 0, 0},  {1, 0, 70},  {2, 0, 60}, {3, 0, 100},
                 {4, 0, 45}, {5, 0, 45}, {6, 0, 80}, {7, 0, 100}, {8, 0, 64}, {0, 1, 50}};
    for (const auto& c : cases) {
        bar.SetScrolling(c.scrolling);
        bar.SetOrientation(c.orientation);
        bar.SetValue(c.value);
        const QImage expected =
            UnscaledRender(bar.Look(), kSize)
                .scaled(kSize * kRatio, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QImage actual = bar.Buffer().convertToFormat(QImage::Format_RGB32);
        int differing = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                differing += actual.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << "style " << c.scrolling << ", orientation " << c.orientation
                                << ", value " << c.value;
    }
}

TEST(XpHiDpi, CaptionIsDrawnAtDeviceResolution) {
    ScaledApp();
    XP_ProgressBar bar;
    ShowAt(bar, kSize);
    bar.SetScrolling(3);
    bar.SetTextColor(XpColors::MakeRgb(0, 0, 0));
    bar.SetShowText(true);
    bar.SetValue(0);
    const auto [inked, mixed] = InkCells(bar.Buffer());
    EXPECT_GT(inked, 5);
    EXPECT_GT(mixed, 0) << "the caption is made of doubled pixels";
}

// pDraw counts logical pixels, also for a part of the buffer.
TEST(XpHiDpi, PDrawCopiesLogicalBlocks) {
    ScaledApp();
    XP_ProgressBar bar;
    ShowAt(bar, kSize);
    bar.SetScrolling(0);
    bar.SetValue(60);
    QImage target(QSize(60, 30) * kRatio, QImage::Format_RGB32);
    target.setDevicePixelRatio(kRatio);
    target.fill(Qt::black);
    bar.pDraw(&target, 10, 2, 30, 12, 5, 4);
    const QImage& buffer = bar.Buffer();
    EXPECT_EQ(target.copy(5 * kRatio, 4 * kRatio, 30 * kRatio, 12 * kRatio),
              buffer.copy(10 * kRatio, 2 * kRatio, 30 * kRatio, 12 * kRatio));
    EXPECT_EQ(target.pixelColor(5 * kRatio - 1, 4 * kRatio), QColor(Qt::black));
    EXPECT_EQ(target.pixelColor(35 * kRatio, 4 * kRatio), QColor(Qt::black));
    EXPECT_EQ(target.pixelColor(5 * kRatio, 16 * kRatio), QColor(Qt::black));
}

}  // namespace
