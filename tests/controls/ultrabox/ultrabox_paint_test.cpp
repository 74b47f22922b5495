#include <QFocusEvent>
#include <QPainter>

#include <algorithm>

#include "property_store.h"
#include "ultrabox_colors.h"
#include "ultrabox_fixture.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 140;

class UltraBoxPaint : public UltraBoxTest {
protected:
    UltraBoxPaint() { box.resize(kWidth, kHeight); }

    int RowTop(int row) const { return 3 + row * box.ItemHeightPx(); }
    int RowMiddle(int row) const { return RowTop(row) + box.ItemHeightPx() / 2; }

    // The darkest pixel of a row's text area, as 0xRRGGBB.
    unsigned DarkestInRow(int row) const {
        unsigned darkest = 0xFFFFFF;
        int best = 3 * 255 + 1;
        for (int y = RowTop(row); y < RowTop(row + 1); ++y) {
            for (int x = 3; x < 120; ++x) {
                const QColor c = box.BackBuffer().pixelColor(x, y);
                if (c.red() + c.green() + c.blue() < best) {
                    best = c.red() + c.green() + c.blue();
                    darkest = Pixel(box, x, y);
                }
            }
        }
        return darkest;
    }

    QImage Row(int row) const {
        return box.BackBuffer().copy(3, RowTop(row), kWidth - 6, box.ItemHeightPx());
    }

    UltraBox box;
};

bool Near(unsigned a, unsigned b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

unsigned PaletteRgb(const QColor& color) {
    return color.rgb() & 0xFFFFFFu;
}

}  // namespace

TEST_F(UltraBoxPaint, BorderStyles) {
    const QPalette& pal = box.palette();
    const unsigned white = 0xFFFFFF;
    struct Case {
        int style;
        unsigned outerTopLeft;
        unsigned innerTopLeft;
        unsigned outerBottomRight;
    };
    const Case cases[] = {
        {0, PaletteRgb(pal.midlight().color()), PaletteRgb(pal.light().color()),
         PaletteRgb(pal.shadow().color())},
        {1, PaletteRgb(pal.dark().color()), PaletteRgb(pal.shadow().color()),
         PaletteRgb(pal.light().color())},
        {2, PaletteRgb(pal.midlight().color()), PaletteRgb(pal.shadow().color()),
         PaletteRgb(pal.shadow().color())},
        {3, PaletteRgb(pal.dark().color()), PaletteRgb(pal.light().color()),
         PaletteRgb(pal.light().color())},
        {4, 0x000000, white, 0x000000},
        {7, white, white, white},
    };
    for (const Case& c : cases) {
        box.SetStyle(c.style);
        EXPECT_EQ(Pixel(box, 0, 0), c.outerTopLeft) << c.style;
        EXPECT_EQ(Pixel(box, kWidth / 2, 0), c.outerTopLeft) << c.style;
        EXPECT_EQ(Pixel(box, 1, 1), c.innerTopLeft) << c.style;
        EXPECT_EQ(Pixel(box, kWidth - 1, kHeight - 1), c.outerBottomRight) << c.style;
        EXPECT_EQ(Pixel(box, kWidth - 1, kHeight / 2), c.outerBottomRight) << c.style;
        EXPECT_EQ(Pixel(box, 2, 2), white) << c.style;
    }
}

TEST_F(UltraBoxPaint, BackgroundsAndStripes) {
    box.SetColor(0);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, 0x00FF00);
    // Black back colour: the client area is left as the surface is; rows get their BColor.
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(0)), 0x00FF00u);
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(3)), 0x000000u);

    box.SetColor(0x0000FF);
    for (int i = 0; i < 5; ++i) {
        box.AddItem("");
    }
    box.SetFillView(1);
    box.SetSelected(3, true);
    // White and 0xEFEFEF from the top whatever the BColor; the selected current row is
    // filled with its HColor and takes its turn in the alternation.
    const unsigned expected[] = {0xFFFFFF, 0xEFEFEF, Rgb(box.Item(3)->HColor),
                                 0xEFEFEF, 0xFFFFFF, 0xEFEFEF};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(row)), expected[row]) << row;
    }
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(7)), 0xFF0000u);  // Color fills the rest
}

TEST_F(UltraBoxPaint, BackgroundPictureShowsBehindUnselectedRows) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(QColor(200, 0, 0));
    PropertyStore store;
    store.WriteProperty("BACKPICTURE", QVariant::fromValue(picture));
    UltraBox pictured(&store);
    pictured.resize(kWidth, kHeight);
    pictured.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, 0x00FF00);
    pictured.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, 0x00FF00, 0x0000FF);
    pictured.SetSelected(2, true);
    pictured.SetSelected(1, false);
    EXPECT_EQ(Pixel(pictured, kWidth - 8, RowMiddle(0)), 0xC80000u);  // current, not selected
    EXPECT_EQ(Pixel(pictured, kWidth - 8, RowMiddle(1)), 0xFF0000u);  // selected: HColor
    EXPECT_EQ(Pixel(pictured, kWidth / 2, kHeight - 10), 0xC80000u);
    // FillView brings the back colour back over the picture.
    pictured.SetFillView(1);
    EXPECT_EQ(Pixel(pictured, kWidth / 2, kHeight - 10), 0xFFFFFFu);
}

TEST_F(UltraBoxPaint, ProgressFillsItsShareOfTheInnerBar) {
    struct Case {
        int value;
        int max;
        double share;
    };
    const Case cases[] = {{50, 100, 0.5}, {1, 3, 0.33}, {0, 10, 0.0}, {7, 0, 0.0}, {-3, 10, 0.0}};
    for (const Case& c : cases) {
        box.Clear();
        box.AddItemProgressBar("", 0, true, kDefaultColor, kDefaultColor, kDefaultColor,
                               kDefaultColor, c.max, c.value, 0x0000FF);
        const int innerLeft = 3 + 2;
        const int innerWidth = (kWidth - 3 - 2) - innerLeft;
        const int fillRight = innerLeft + static_cast<int>(std::lround(innerWidth * c.share));
        const int y = RowMiddle(0);
        if (fillRight > innerLeft) {
            EXPECT_EQ(Pixel(box, innerLeft, y), 0xFF0000u) << c.value << "/" << c.max;
            EXPECT_EQ(Pixel(box, fillRight - 1, y), 0xFF0000u) << c.value << "/" << c.max;
        }
        EXPECT_NE(Pixel(box, fillRight, y), 0xFF0000u) << c.value << "/" << c.max;
    }
}

TEST_F(UltraBoxPaint, DisabledAndSelectedEntries) {
    box.AddItem("HHHHHHHH", 0, {}, kDefaultColor, false, 0x000000);
    box.AddItem("HHHHHHHH", 0, {}, kDefaultColor, true, 0x000000);
    const unsigned grey = Rgb(UltraBoxColors::Resolve(
        UltraBoxColors::SystemColor(UltraBoxColors::kGrayText), box.palette()));
    EXPECT_TRUE(Near(DarkestInRow(0), grey, 0x18)) << std::hex << DarkestInRow(0);
    EXPECT_TRUE(Near(DarkestInRow(1), 0x000000, 0x18)) << std::hex << DarkestInRow(1);

    // Selected current: HColor fill with a dotted focus rectangle while the focus is there.
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, kDefaultColor, 0x30A050);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, kDefaultColor, 0x30A050);
    box.SetMultiSelect(true);
    box.SetSelected(3, true);
    const unsigned h = Rgb(0x30A050);
    const int top = RowTop(2);
    const int x = (top % 2 == 0) ? 10 : 11;  // a dot of the top edge
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(2)), h);
    EXPECT_EQ(Pixel(box, x, top), h ^ 0xFFFFFFu);
    EXPECT_EQ(Pixel(box, x + 1, top), h);

    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box.Surface(), &out);
    EXPECT_EQ(box.Item(3)->FocusLost, 1);
    EXPECT_EQ(Pixel(box, x, top), h);
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(box.Surface(), &in);
    EXPECT_EQ(Pixel(box, x, top), h ^ 0xFFFFFFu);

    // Selected, not current: highlighted, no focus rectangle.
    box.SetSelected(4, true);
    box.SetSelected(3, true, false, true);
    const_cast<UltraBoxItem*>(box.Item(4))->Selected = true;
    box.Redraw();
    const int top4 = RowTop(3);
    const int x4 = (top4 % 2 == 0) ? 10 : 11;
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(3)), h);
    EXPECT_EQ(Pixel(box, x4, top4), h);
}

TEST_F(UltraBoxPaint, DisabledBoxesUseTheInactiveVariant) {
    box.AddItemCheck("");
    box.AddItemCheck("", 0, false);
    box.AddItemOption("", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor, 1);
    box.AddItemOption("", 0, false, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor, 2);
    box.SetMultiSelect(true);
    for (int i = 1; i <= 4; ++i) {
        box.SetSelected(i, true, false, false);
    }
    const int h = box.ItemHeightPx();
    auto boxImage = [&](int row) { return box.BackBuffer().copy(3, RowTop(row), 12, h); };
    EXPECT_NE(boxImage(0), boxImage(1));
    EXPECT_NE(boxImage(2), boxImage(3));
    EXPECT_NE(boxImage(0), boxImage(2));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(box.IsSelected(i, true)) << i;  // checked or chosen alike
    }
}

TEST_F(UltraBoxPaint, OrHighlightKeepsColourOverBlack) {
    box.SetColor(0);
    box.SetSelectStyle(1);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, kDefaultColor, 0x204080);
    box.AddItem("", 0, {}, kDefaultColor, true, kDefaultColor, kDefaultColor, 0x204080);
    box.SetSelected(1, true);
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(0)), Rgb(0x204080));
    // Over a lighter background the highlight lightens.
    box.SetColor(0x0F0F0F);
    box.SetSelected(2, true);
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(1)), Rgb(0x204080 | 0x0F0F0F));
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(0)), Rgb(0x0F0F0F));
}

TEST_F(UltraBoxPaint, MarkupEndsWithPlainStyles) {
    QFont bold = box.Font();
    bold.setBold(true);
    QFont regular = box.Font();
    regular.setBold(false);

    UltraBox& marked = box;
    marked.SetFont(bold);
    marked.AddItem("}bA");
    marked.AddItem("Plain text here");

    UltraBox reference;
    reference.resize(kWidth, kHeight);
    reference.SetFont(regular);
    reference.AddItem("}bA");
    reference.AddItem("Plain text here");

    UltraBox allBold;
    allBold.resize(kWidth, kHeight);
    allBold.SetFont(bold);
    allBold.AddItem("A");
    allBold.AddItem("Plain text here");

    const int h = box.ItemHeightPx();
    const QImage markedRow = marked.BackBuffer().copy(3, 3 + h, kWidth - 6, h);
    const QImage referenceRow = reference.BackBuffer().copy(3, 3 + h, kWidth - 6, h);
    const QImage boldRow = allBold.BackBuffer().copy(3, 3 + h, kWidth - 6, h);
    EXPECT_EQ(markedRow, referenceRow);
    EXPECT_NE(boldRow, referenceRow);
    EXPECT_TRUE(marked.Font().bold());  // the control's font itself is kept
}

TEST_F(UltraBoxPaint, ResizingRepaintsAtTheNewSize) {
    box.SetStyle(4);
    box.show();  // a hidden widget gets its resize event when it is shown
    box.resize(150, 90);
    EXPECT_EQ(box.BackBuffer().size(), QSize(150, 90));
    EXPECT_EQ(box.Surface()->geometry(), QRect(0, 0, 150, 90));
    EXPECT_EQ(Pixel(box, 149, 89), 0x000000u);
    EXPECT_EQ(Pixel(box, 148, 88), 0xFFFFFFu);
}

TEST_F(UltraBoxPaint, PaintFalseHoldsTheScreen) {
    box.AddItem("first", 0, {}, kDefaultColor, true, kDefaultColor, 0xFF0000);
    const QImage before = box.BackBuffer();
    box.SetPaint(false);
    box.AddItem("second", 0, {}, kDefaultColor, true, kDefaultColor, 0xFF0000);
    box.SetColor(0x00FF00);
    box.SetStyle(4);
    EXPECT_EQ(box.BackBuffer(), before);
    box.SetPaint(true);
    EXPECT_EQ(Pixel(box, kWidth - 8, RowMiddle(1)), 0x0000FFu);
    EXPECT_EQ(Pixel(box, 0, 0), 0x000000u);
}

TEST_F(UltraBoxPaint, PictureTransparencyIsCachedOnce) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    picture.setPixel(0, 0, qRgb(0, 0, 255));
    box.AddItem("", 0, picture, 0xFF00FF, true, kDefaultColor, 0x00FF00);
    const UltraBoxItem& item = *box.Item(1);
    EXPECT_TRUE(item.TransPixelsValid);
    EXPECT_EQ(item.TransPixels.count(','), 2 * 15);
    EXPECT_FALSE(item.TransPixels.contains("0,0,"));
    const int h = box.ItemHeightPx();
    EXPECT_EQ(Pixel(box, 3 + h - 2, RowTop(0) + h - 2), 0x00FF00u);  // transparent part
    EXPECT_EQ(Pixel(box, 3, RowTop(0)), 0x0000FFu);                  // the blue corner

    // Later repaints replay the cache; a new picture empties it.
    box.SetItemColors(1, 2, 0xFF0000);
    EXPECT_EQ(Pixel(box, 3 + h - 2, RowTop(0) + h - 2), 0x0000FFu);
    box.SetPaint(false);
    box.SetItemPicture(1, picture, kDefaultColor);
    EXPECT_FALSE(box.Item(1)->TransPixelsValid);
    EXPECT_TRUE(box.Item(1)->TransPixels.isEmpty());
    box.SetPaint(true);
    EXPECT_EQ(Pixel(box, 3 + h - 2, RowTop(0) + h - 2), 0xFF00FFu);
}

namespace {

// The rightmost column of a row that holds text ink (a pixel much darker than white); -1
// for none.
int InkRight(const QImage& row) {
    for (int x = row.width() - 1; x >= 0; --x) {
        for (int y = 0; y < row.height(); ++y) {
            if (qGray(row.pixel(x, y)) < 128) {
                return x;
            }
        }
    }
    return -1;
}

}  // namespace

// A literal entry draws "&" as "&" and "}" as "}", on one line whatever it holds; a plain
// entry keeps the mnemonic and markup rules.
TEST_F(UltraBoxPaint, LiteralEntriesDrawTheirTextAsItStands) {
    UltraBoxAddArgs literal;
    literal.literal = true;
    box.AddItem("Simon & Garfunkel", literal);  // row 0
    box.AddItem("Simon && Garfunkel");          // row 1: the mnemonic form of the same text
    box.AddItem("Simon & Garfunkel");           // row 2: "&" underlines the blank
    box.AddItem("ab}rcd", literal);             // row 3
    box.AddItem("ab}rcd");                      // row 4: shows "abcd"
    box.AddItem("abcd", literal);               // row 5
    box.AddItem("x\ny\tz", literal);            // row 6
    EXPECT_EQ(InkRight(Row(0)), InkRight(Row(1)));
    EXPECT_NE(Row(0), Row(2));
    EXPECT_GT(InkRight(Row(3)), InkRight(Row(4)));
    EXPECT_EQ(InkRight(Row(4)), InkRight(Row(5)));
    EXPECT_GT(InkRight(Row(6)), 0);
    EXPECT_EQ(InkRight(Row(7)), -1);  // the line break did not spill into the next row
    EXPECT_EQ(box.List(4), "ab}rcd");
}
