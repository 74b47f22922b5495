// Pixel checks of the drawing styles on the control's off-screen buffer.
#include <gtest/gtest.h>

#include <QImage>

#include "qt_app.h"
#include "xp_colors.h"
#include "xp_progress_bar.h"

namespace {

using XpColors::MakeRgb;
using XpColors::Rgb;

constexpr Rgb kWhite = MakeRgb(255, 255, 255);
constexpr Rgb kGreen = MakeRgb(0, 128, 0);

// A shown control of the given size and style at percentage `p`, drawn into its buffer.
class Bar {
public:
    Bar(int width, int height, int scrolling, int p) {
        bar_.setAttribute(Qt::WA_DontShowOnScreen);
        bar_.resize(width, height);
        bar_.show();
        bar_.SetColor(kGreen);
        bar_.SetScrolling(scrolling);
        bar_.SetValue(p);
    }
    XP_ProgressBar& operator*() { return bar_; }
    XP_ProgressBar* operator->() { return &bar_; }
    Rgb Pixel(int x, int y) const { return XpColors::FromQColor(bar_.Buffer().pixelColor(x, y)); }
    // How many pixels of the control's area have colour `c`.
    int Count(Rgb c) const {
        int n = 0;
        for (int y = 0; y < bar_.height(); ++y) {
            for (int x = 0; x < bar_.width(); ++x) {
                n += Pixel(x, y) == c ? 1 : 0;
            }
        }
        return n;
    }

private:
    QApplication& app_ = TestApp();
    XP_ProgressBar bar_;
};

// Columns of row `y` from `from` up to `to` (excluded) that are not white.
std::vector<int> ColouredColumns(const Bar& bar, int y, int from, int to) {
    std::vector<int> columns;
    for (int x = from; x < to; ++x) {
        if (bar.Pixel(x, y) != kWhite) {
            columns.push_back(x);
        }
    }
    return columns;
}

// The columns the segments of style 0 cover between x 4 and `end`: 6 coloured, 2 white.
std::vector<int> SegmentColumns(int end) {
    std::vector<int> columns;
    for (int x = 4; x < end; ++x) {
        if ((x - 4) % 8 < 6) {
            columns.push_back(x);
        }
    }
    return columns;
}

}  // namespace

TEST(XpDrawing, SegmentedStyleZeroCutsSegmentsOnTheGrid) {
    struct Case {
        int p;
        int end;  // first column after the last gap
    };
    // p 50: end 307 = 3 + 38 * 8; p 98: the full bar; p 0: the stub from x 4 to x 12.
    const Case cases[] = {{50, 307}, {98, 603}, {0, 12}, {33, 203}};
    for (const Case& c : cases) {
        Bar bar(609, 17, 0, c.p);
        ASSERT_EQ(bar->Buffer().size(), QSize(609, 17));
        if (c.p > 0) {
            EXPECT_EQ((c.end - 3) % 8, 0);  // the stub of p 0 is the exception
        }
        for (int y : {3, 8, 13}) {
            EXPECT_EQ(ColouredColumns(bar, y, 3, 606), SegmentColumns(c.end))
                << "p " << c.p << " row " << y;
        }
        // The gaps run over the bar's full height: no colour between the segments anywhere.
        EXPECT_EQ(bar.Pixel(c.end - 1, 4), kWhite);
        EXPECT_EQ(bar.Pixel(c.end - 9, 12), kWhite);
    }
}

TEST(XpDrawing, SegmentedFillIsLightAtItsEdgesAndFullInTheMiddle) {
    Bar bar(300, 20, 1, 50);
    EXPECT_EQ(bar.Pixel(50, 3), XpColors::Lighten(kGreen, 150));
    EXPECT_EQ(bar.Pixel(50, 9), kGreen);
    EXPECT_EQ(bar.Pixel(50, 10), kGreen);
    EXPECT_EQ(bar.Pixel(50, 17), XpColors::Lighten(kGreen, 150));
    // Style 1 has no gaps: one run of colour from x 4.
    const std::vector<int> columns = ColouredColumns(bar, 10, 3, 297);
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns.front(), 4);
    EXPECT_EQ(static_cast<int>(columns.size()), columns.back() - 3);
}

TEST(XpDrawing, SegmentedFrameHasSoftCorners) {
    Bar bar(100, 17, 0, 0);
    const Rgb dark = MakeRgb(104, 104, 104);
    EXPECT_EQ(bar.Pixel(50, 0), dark);
    EXPECT_EQ(bar.Pixel(50, 16), dark);
    EXPECT_EQ(bar.Pixel(0, 8), dark);
    EXPECT_EQ(bar.Pixel(99, 8), dark);
    EXPECT_EQ(bar.Pixel(50, 1), MakeRgb(190, 190, 190));
    EXPECT_EQ(bar.Pixel(50, 15), MakeRgb(239, 239, 239));
    for (QPoint corner : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 16), QPoint(99, 16)}) {
        EXPECT_EQ(bar.Pixel(corner.x(), corner.y()), kWhite);
    }
    EXPECT_EQ(bar.Pixel(1, 1), MakeRgb(190, 190, 190));
    EXPECT_EQ(bar.Pixel(98, 15), MakeRgb(190, 190, 190));
}

TEST(XpDrawing, VerticalBarGrowsUpwardsFromTheBottom) {
    Bar bar(20, 200, 0, 60);
    bar->SetOrientation(1);
    // 3 + 197 * 60 / 98 = 123.6 -> 124, back to the grid: 123 rows from the bottom.
    std::vector<int> rows;
    for (int y = 3; y < 197; ++y) {
        if (bar.Pixel(10, y) != kWhite) {
            rows.push_back(199 - y);  // counted upwards from the bottom row
        }
    }
    EXPECT_EQ(rows.empty() ? -1 : rows.back(), 4);
    std::vector<int> expected = SegmentColumns(123);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
}

TEST(XpDrawing, SearchingBlocksMoveWithThePercentage) {
    Bar bar(300, 20, 2, 100);
    // At 100 % the blocks start at the bar end (305 on the 2-pixel grid), past the frame; at 50 %
    // the end is 155 and the blocks are shifted 22 pixels back, all 30 columns in view.
    EXPECT_EQ(ColouredColumns(bar, 10, 3, 297), std::vector<int>{});
    bar->SetValue(50);
    const std::vector<int> columns = ColouredColumns(bar, 10, 3, 297);
    ASSERT_EQ(columns.size(), 30u);
    bar->SetOrientation(1);  // not honoured by the searching style
    EXPECT_EQ(ColouredColumns(bar, 10, 3, 297), columns);
    EXPECT_EQ(bar.Pixel(columns.front(), 10) != bar.Pixel(columns.back(), 10), true);
}

TEST(XpDrawing, FlatAndHatchedEnds) {
    Bar flat(300, 20, 3, 100);
    for (int x = 1; x < 300; ++x) {
        ASSERT_EQ(flat.Pixel(x, 10), XpColors::Lighten(kGreen, 180)) << x;
    }
    flat->SetValue(50);
    EXPECT_EQ(flat.Pixel(149, 10), XpColors::Lighten(kGreen, 180));
    EXPECT_EQ(flat.Pixel(150, 10), kWhite);
    EXPECT_EQ(flat.Pixel(299, 10), XpColors::Lighten(kGreen, 100));

    Bar hatched(300, 20, 7, 100);
    // 300 * 100 / 101 = 297: the hatch stops just short of the edge.
    EXPECT_NE(hatched.Pixel(296, 10), kWhite);
    EXPECT_EQ(hatched.Pixel(297, 10), kWhite);
    const Rgb back = XpColors::Lighten(kGreen, 140);
    for (int style = 0; style < 6; ++style) {
        hatched->SetBrushStyle(style);
        hatched->SetValue(100);
        EXPECT_GT(hatched.Count(kGreen), 0) << style;
        EXPECT_GT(hatched.Count(back), 0) << style;
    }
    // Horizontal hatching: whole rows in the bar colour; vertical: whole columns.
    hatched->SetBrushStyle(0);
    hatched->SetValue(100);
    auto rowIs = [&](int y, Rgb c) {
        for (int x = 2; x < 297; ++x) {
            if (hatched.Pixel(x, y) != c) {
                return false;
            }
        }
        return true;
    };
    int fullRows = 0;
    int backRows = 0;
    for (int y = 2; y < 18; ++y) {
        fullRows += rowIs(y, kGreen) ? 1 : 0;
        backRows += rowIs(y, back) ? 1 : 0;
    }
    EXPECT_GE(fullRows, 1);
    EXPECT_EQ(fullRows + backRows, 16);
}

TEST(XpDrawing, PictureStyleTilesTheImageOrDrawsOnlyTheEdge) {
    Bar bar(300, 20, 8, 50);
    for (int y = 1; y < 19; ++y) {
        ASSERT_EQ(ColouredColumns(bar, y, 1, 299), std::vector<int>{}) << y;
    }
    EXPECT_NE(bar.Pixel(0, 10), kWhite);
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(QColor(0, 0, 255));
    tile.setPixelColor(0, 0, QColor(255, 0, 0));
    bar->SetImage(tile);
    // 300 * 50 / 101 = 148.5 -> 149 pixels wide from x 2; the tiles align to (0, 0).
    EXPECT_EQ(bar.Pixel(4, 4), MakeRgb(255, 0, 0));
    EXPECT_EQ(bar.Pixel(5, 4), MakeRgb(0, 0, 255));
    EXPECT_EQ(bar.Pixel(150, 10), MakeRgb(0, 0, 255));
    EXPECT_EQ(bar.Pixel(151, 10), kWhite);
}

TEST(XpDrawing, DarkStyleCaptionChangesColourWithTheBar) {
    const Rgb silver = MakeRgb(192, 192, 192);
    const Rgb tint = XpColors::Lighten(kGreen, 80);
    Bar bar(300, 20, 6, 0);
    bar->SetShowText(true);
    EXPECT_GT(bar.Count(silver), 0);
    EXPECT_EQ(bar.Count(tint), 0);
    EXPECT_EQ(bar.Pixel(150, 1), MakeRgb(0, 0, 0));  // black background
    bar->SetValue(100);
    EXPECT_EQ(bar.Count(silver), 0);
    EXPECT_GT(bar.Count(tint), 0);
    bar->SetValue(50);  // the bar ends inside the text: both colours
    EXPECT_GT(bar.Count(silver), 0);
    EXPECT_GT(bar.Count(tint), 0);
}

TEST(XpDrawing, CaptionUsesTextColourAndIsCentred) {
    Bar bar(300, 20, 3, 0);
    const Rgb red = MakeRgb(255, 0, 0);
    bar->SetTextColor(red);
    EXPECT_EQ(bar.Count(red), 0);
    bar->SetShowText(true);
    int left = 300;
    int right = -1;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (bar.Pixel(x, y) == red) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_LE(left, right);
    EXPECT_NEAR((left + right) / 2.0, 150, 4);
}

TEST(XpDrawing, GradientGivesEachLineItsExactColour) {
    Bar bar(10, 10, 0, 0);
    QImage image(256, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    Rgb first = MakeRgb(0, 0, 0);
    Rgb second = MakeRgb(255, 255, 255);
    bar->DrawGradient(first, second, 0, 0, 255, 3, &image, true);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(XpColors::FromQColor(image.pixelColor(i, 0)), MakeRgb(i, i, i)) << i;
        ASSERT_EQ(XpColors::FromQColor(image.pixelColor(i, 2)), MakeRgb(i, i, i)) << i;
        ASSERT_EQ(XpColors::FromQColor(image.pixelColor(i, 3)), kWhite) << "end point drawn";
    }
    // Horizontal lines, a system colour written back as RGB, and n = 0 drawing one line.
    Rgb system = XpColors::kSystemColorFlag | 5;
    Rgb red = MakeRgb(255, 0, 0);
    image.fill(Qt::black);
    bar->DrawGradient(red, system, 2, 1, 6, 0, &image, false);
    EXPECT_EQ(system, XpColors::TranslateColor(XpColors::kSystemColorFlag | 5));
    EXPECT_EQ(XpColors::FromQColor(image.pixelColor(2, 1)), red);
    EXPECT_EQ(XpColors::FromQColor(image.pixelColor(5, 1)), red);
    EXPECT_EQ(XpColors::FromQColor(image.pixelColor(6, 1)), MakeRgb(0, 0, 0));
    EXPECT_EQ(XpColors::FromQColor(image.pixelColor(2, 2)), MakeRgb(0, 0, 0));
}

TEST(XpDrawing, DrawLineLeavesOutTheEndPoint) {
    Bar bar(10, 10, 0, 0);
    QImage image(8, 8, QImage::Format_RGB32);
    struct Case {
        QPoint from;
        QPoint to;
        std::vector<QPoint> drawn;
    };
    const Case cases[] = {
        {{1, 1}, {4, 1}, {{1, 1}, {2, 1}, {3, 1}}},
        {{4, 2}, {1, 2}, {{4, 2}, {3, 2}, {2, 2}}},
        {{2, 5}, {2, 3}, {{2, 5}, {2, 4}}},
        {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
        {{5, 5}, {5, 5}, {}},
    };
    for (const Case& c : cases) {
        image.fill(Qt::white);
        bar->DrawLine(c.from.x(), c.from.y(), c.to.x(), c.to.y(), &image, MakeRgb(0, 0, 255));
        std::vector<QPoint> drawn;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (image.pixelColor(x, y) != Qt::white) {
                    drawn.push_back(QPoint(x, y));
                }
            }
        }
        std::sort(drawn.begin(), drawn.end(), [](QPoint a, QPoint b) {
            return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
        });
        std::vector<QPoint> expected = c.drawn;
        std::sort(expected.begin(), expected.end(), [](QPoint a, QPoint b) {
            return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
        });
        EXPECT_EQ(drawn, expected) << c.from.x() << "," << c.from.y();
    }
}
