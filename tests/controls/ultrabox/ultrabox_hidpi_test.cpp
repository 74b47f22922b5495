// The list on a screen scaled by 2: the back buffer holds device pixels, so text and lines
// are drawn at the screen's resolution instead of being doubled.
#include <QPixmap>
#include <QTest>

#include "property_store.h"
#include "ultrabox_fixture.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 140;
constexpr int kRatio = 2;

// Ink cells of an image: 2 x 2 blocks at even device positions that hold a dark pixel, and
// how many of them are not four equal pixels. A picture drawn at half resolution and doubled
// has no such mixed cell.
struct InkCells {
    int inked = 0;
    int mixed = 0;
};

InkCells CountInkCells(const QImage& image, const QRect& area) {
    InkCells cells;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2) {
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb block[] = {image.pixel(x, y), image.pixel(x + 1, y), image.pixel(x, y + 1),
                                  image.pixel(x + 1, y + 1)};
            bool dark = false;
            bool equal = true;
            for (QRgb p : block) {
                dark = dark || qGray(p) < 128;
                equal = equal && p == block[0];
            }
            if (dark) {
                ++cells.inked;
                cells.mixed += equal ? 0 : 1;
            }
        }
    }
    return cells;
}

class UltraBoxHiDpi : public UltraBoxTest {
protected:
    static void SetUpTestSuite() {
        // Before the application exists: Qt reads the factor once.
        qputenv("QT_SCALE_FACTOR", "2");
        EnsureApplication();
    }

    UltraBoxHiDpi() { box.resize(kWidth, kHeight); }

    int RowTop(int row) const { return 3 + row * box.ItemHeightPx(); }
    // The back-buffer pixel that holds logical pixel (x, y), as 0xRRGGBB.
    unsigned LogicalPixel(const UltraBox& b, int x, int y) const {
        return Pixel(b, x * kRatio, y * kRatio);
    }

    UltraBox box;
};

TEST_F(UltraBoxHiDpi, TextIsDrawnAtDeviceResolution) {
    ASSERT_EQ(box.Surface()->devicePixelRatioF(), kRatio) << "QT_SCALE_FACTOR was not applied";
    for (const char* text :
         {"Sharp text at twice the pixels", "Wxyz 0123 {[]} gjpq", "}bBold}n and plain"}) {
        box.AddItem(QString::fromUtf8(text));
    }
    const QImage& buffer = box.BackBuffer();
    EXPECT_EQ(buffer.size(), QSize(kWidth, kHeight) * kRatio);
    EXPECT_EQ(buffer.devicePixelRatio(), kRatio);

    const QRect text(3 * kRatio, RowTop(0) * kRatio, (kWidth - 6) * kRatio,
                     3 * box.ItemHeightPx() * kRatio);
    const InkCells inBuffer = CountInkCells(buffer, text);
    EXPECT_GT(inBuffer.inked, 50);
    EXPECT_GT(inBuffer.mixed, inBuffer.inked / 4) << inBuffer.mixed << " of " << inBuffer.inked;

    // What reaches the screen is the buffer, pixel for pixel.
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), buffer.size());
    const InkCells onScreen = CountInkCells(shown, text);
    EXPECT_EQ(onScreen.inked, inBuffer.inked);
    EXPECT_EQ(onScreen.mixed, inBuffer.mixed);
    // Save under TONQUELL_HIDPI_PNG to look at it.
    if (const QString path = qEnvironmentVariable("TONQUELL_HIDPI_PNG"); !path.isEmpty()) {
        shown.save(path);
    }
}

// Borders, fills and the focus frame land on the device pixels of their logical places.
TEST_F(UltraBoxHiDpi, LogicalGeometryCoversTheWholeBuffer) {
    box.SetStyle(4);
    box.SetMultiSelect(true);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, 0x00FF00);
    box.AddItemProgressBar("", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor,
                           100, 50, 0x0000FF);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, 0x00FF00, 0xFF0000);
    box.SetSelected(3, true);
    box.SetSelected(1, false);  // entry 1 is current and unselected: it has the focus frame
    const int h = box.ItemHeightPx();
    const int bw = kWidth * kRatio;
    const int bh = kHeight * kRatio;
    const struct {
        int x;
        int y;
        unsigned rgb;
    } devicePixels[] = {
        {0, 0, 0x000000},
        {1, 1, 0x000000},  // the frame is one logical pixel
        {bw - 1, bh - 1, 0x000000},
        {bw - 2, bh - 2, 0x000000},
        {2, 2, 0xFFFFFF},
        {bw - 3, bh - 3, 0xFFFFFF},
        {bw - 10, (RowTop(0) + h / 2) * kRatio, 0x00FF00},
        {bw - 10, (RowTop(2) + h / 2) * kRatio, 0x0000FF},  // selected: HColor
        // The progress bar's fill: half of the inner bar, blue being 0x0000FF as OleColor.
        {(3 + 2 + 10) * kRatio, (RowTop(1) + h / 2) * kRatio, 0xFF0000},
        {(kWidth - 3 - 2 - 10) * kRatio, (RowTop(1) + h / 2) * kRatio, 0xFFFFFF},
    };
    for (const auto& p : devicePixels) {
        EXPECT_EQ(Pixel(box, p.x, p.y), p.rgb) << p.x << "," << p.y;
    }
    // The focus frame's dots are whole logical pixels: both device pixels of a dot agree.
    int dots = 0;
    for (int x = 3; x < kWidth - 3; ++x) {
        const unsigned a = LogicalPixel(box, x, RowTop(0));
        EXPECT_EQ(Pixel(box, x * kRatio + 1, RowTop(0) * kRatio + 1), a) << x;
        dots += a != 0x00FF00 ? 1 : 0;
    }
    EXPECT_EQ(dots, (kWidth - 6) / 2);
}

// A transparent picture pixel over the background picture takes the colour under its
// logical place, not under the device pixel of the same number.
TEST_F(UltraBoxHiDpi, TransparentPixelsReadTheBackgroundAtTheirPlace) {
    QImage background(10, 10, QImage::Format_RGB32);
    background.fill(QColor(0, 200, 0));
    for (int y = 5; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            background.setPixel(x, y, qRgb(0, 0, 200));
        }
    }
    PropertyStore store;
    store.WriteProperty("BACKPICTURE", QVariant::fromValue(background));
    UltraBox pictured(&store);
    pictured.resize(kWidth, kHeight);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    const int row = 6;
    for (int i = 0; i < row; ++i) {
        pictured.AddItem("");
    }
    pictured.AddItem("", 0, picture, 0xFF00FF);
    const int top = 3 + row * pictured.ItemHeightPx();
    ASSERT_GT(top, kHeight / 2 + 10) << "the picture must lie in the lower half";
    EXPECT_EQ(LogicalPixel(pictured, 4, top + 1), 0x0000C8u);
}

// Twips reported to the host are logical: the scale factor leaves them as they are.
TEST_F(UltraBoxHiDpi, ClicksHitTheRowUnderThePointerInTwips) {
    for (int i = 1; i <= 4; ++i) {
        box.AddItem(QStringLiteral("Entry %1").arg(i));
    }
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QList<float> down;
    QObject::connect(&box, &UltraBox::MouseDown, &box, [&down](int, int, float x, float y) {
        down = {x, y};
    });
    const int y = RowTop(2) + box.ItemHeightPx() / 2;
    QTest::mouseClick(box.Surface(), Qt::LeftButton, {}, QPoint(60, y));
    EXPECT_EQ(box.ListIndex(), 3);
    EXPECT_EQ(down, (QList<float>{60.0F * 15, static_cast<float>(y * 15)}));
    // Shown, the buffer still has the screen's ratio.
    EXPECT_EQ(box.BackBuffer().devicePixelRatio(), kRatio);
}

}  // namespace
