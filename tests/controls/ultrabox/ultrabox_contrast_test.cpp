// Every text of the list stays readable under dark and high-contrast desktop palettes,
// measured from the painted pixels.
#include <functional>

#include "../palettes.h"
#include "ultrabox_colors.h"
#include "ultrabox_fixture.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 220;

using test_palettes::Ink;

// A colour as the control takes it (red in the lowest byte).
constexpr OleColor Ole(int r, int g, int b) {
    return static_cast<OleColor>(r) | (static_cast<OleColor>(g) << 8) |
           (static_cast<OleColor>(b) << 16);
}

// One list as a host fills it, and which of its rows hold text to read.
struct Look {
    const char* name;
    std::function<void(UltraBox&)> fill;
};

void FileBrowserLook(UltraBox& box) {
    // The file browser's entries: black text on fixed folder and file colours.
    box.SetColor(0);
    box.SetMultiSelect(true);
    UltraBoxAddArgs args;
    args.fColor = 0;
    args.literal = true;
    args.bColor = Ole(215, 215, 166);
    box.AddItem("[..]", args);
    box.AddItem("[Alben]", args);
    args.bColor = Ole(186, 204, 248);
    box.AddItem("Track 01.mp3", args);
    box.AddItem("Track 02.mp3", args);
    box.AddItem("Track 03.mp3", args);
    box.SetSelected(4, true);
    box.SetSelected(3, true, false, true);  // selected, not current: Ctrl held in use
    const_cast<UltraBoxItem*>(box.Item(4))->Selected = true;
    box.Redraw();
}

void DefaultLook(UltraBox& box) {
    box.SetMultiSelect(true);
    box.AddItem("Plain entry");
    box.AddItemCheck("Check entry");
    box.AddItemOption("Option entry");
    box.AddItemProgressBar("Progress", 0, true, kDefaultColor, kDefaultColor, kDefaultColor,
                           kDefaultColor, 100, 30);
    box.AddItem("}bBold}n and plain");
    box.AddItem("Selected other");
    box.AddItem("Selected current");
    box.SetSelected(6, true);
    box.SetSelected(7, true);
    const_cast<UltraBoxItem*>(box.Item(6))->Selected = true;
    box.Redraw();
}

void StripedLook(UltraBox& box) {
    box.SetFillView(1);
    box.SetMultiSelect(true);
    for (int i = 1; i <= 6; ++i) {
        box.AddItem(QString("Striped entry %1").arg(i));
    }
    box.SetSelected(3, true);
    box.SetSelected(5, true);
    const_cast<UltraBoxItem*>(box.Item(3))->Selected = true;
    box.Redraw();
}

void OrHighlightLook(UltraBox& box) {
    box.SetSelectStyle(1);
    box.SetMultiSelect(true);
    for (int i = 1; i <= 4; ++i) {
        box.AddItem(QString("OR highlight %1").arg(i));
    }
    box.SetSelected(2, true);
    box.SetSelected(3, true);
    const_cast<UltraBoxItem*>(box.Item(2))->Selected = true;
    box.Redraw();
}

// True when `a` is `b` but for the anti-aliasing of thin glyphs.
bool Near(const QColor& a, const QColor& b) {
    constexpr int kTolerance = 0x18;
    return std::abs(a.red() - b.red()) <= kTolerance &&
           std::abs(a.green() - b.green()) <= kTolerance &&
           std::abs(a.blue() - b.blue()) <= kTolerance;
}

class UltraBoxContrast : public UltraBoxTest {
protected:
    // The ink of entry row `row` (from 0), its box and the focus mark's outline left out.
    static Ink RowInk(const UltraBox& box, int row) {
        const int h = box.ItemHeightPx();
        const QRect text(18, 3 + row * h + 1, kWidth - 18 - 8, h - 2);
        return test_palettes::MeasureInk(box.BackBuffer(), text);
    }
};

}  // namespace

TEST_F(UltraBoxContrast, EveryTextReachesTheContrastUnderDarkAndHighContrastPalettes) {
    const Look looks[] = {
        {"file browser", FileBrowserLook},
        {"defaults", DefaultLook},
        {"stripes", StripedLook},
        {"OR highlight", OrHighlightLook},
    };
    struct Desktop {
        const char* name;
        QPalette palette;
    };
    const Desktop desktops[] = {
        {"Adwaita-dark", test_palettes::Dark()},
        {"high contrast", test_palettes::HighContrast()},
    };
    for (const Desktop& desktop : desktops) {
        for (const Look& look : looks) {
            SCOPED_TRACE(std::string(desktop.name) + ", " + look.name);
            UltraBox box;
            box.setPalette(desktop.palette);
            box.resize(kWidth, kHeight);
            look.fill(box);
            for (int row = 0; row < box.ListCount(); ++row) {
                const Ink ink = RowInk(box, row);
                EXPECT_GT(ink.pixels, 0) << "row " << row;
                EXPECT_GE(ink.contrast, 4.5)
                    << "row " << row << ": " << ink.ink.name().toStdString() << " on "
                    << ink.background.name().toStdString();
            }
        }
    }
}

// Fixed backgrounds keep the black text they were designed with whatever the desktop's text
// colour; the selection takes its pair from the desktop, as every list of the desktop does.
TEST_F(UltraBoxContrast, FixedBackgroundsKeepBlackTextAndTheSelectionFollowsThePalette) {
    const QPalette palettes[] = {test_palettes::Dark(), test_palettes::BreezeDark(),
                                 test_palettes::HighContrast()};
    for (const QPalette& palette : palettes) {
        SCOPED_TRACE(palette.color(QPalette::Highlight).name().toStdString());
        UltraBox box;
        box.setPalette(palette);
        box.resize(kWidth, kHeight);
        FileBrowserLook(box);
        for (int row : {0, 1, 4}) {
            const Ink ink = RowInk(box, row);
            EXPECT_TRUE(Near(ink.ink, Qt::black)) << row << ": " << ink.ink.name().toStdString();
            EXPECT_GE(ink.contrast, 7.0) << row;
        }
        const Ink current = RowInk(box, 3);
        EXPECT_EQ(current.background, palette.color(QPalette::Highlight));
        EXPECT_TRUE(Near(current.ink, palette.color(QPalette::HighlightedText)))
            << current.ink.name().toStdString();

        // Defaults on the white default back colour: black, and the designed grey when
        // disabled, as on a light desktop.
        UltraBox defaults;
        defaults.setPalette(palette);
        defaults.resize(kWidth, kHeight);
        defaults.AddItem("Plain entry");
        defaults.AddItem("Disabled entry", 0, {}, kDefaultColor, false);
        EXPECT_TRUE(Near(RowInk(defaults, 0).ink, Qt::black));
        EXPECT_TRUE(Near(RowInk(defaults, 1).ink,
                         system_colors::DesignPalette().color(QPalette::Disabled, QPalette::Text)))
            << RowInk(defaults, 1).ink.name().toStdString();
    }
}

// The palette can change while the list is shown (the desktop switches to dark): the default
// colours follow it at once, with nothing added anew.
TEST_F(UltraBoxContrast, DefaultColoursFollowAPaletteChange) {
    UltraBox box;
    box.resize(kWidth, kHeight);
    DefaultLook(box);
    const QImage light = box.BackBuffer().copy();
    const QPalette dark = test_palettes::Dark();
    box.setPalette(dark);
    EXPECT_EQ(UltraBoxColors::ToQColor(box.Item(7)->HColor, dark), dark.color(QPalette::Highlight));
    EXPECT_EQ(RowInk(box, 6).background, dark.color(QPalette::Highlight));
    EXPECT_TRUE(Near(RowInk(box, 6).ink, Qt::white));
    EXPECT_NE(box.BackBuffer(), light);

    // Back to the light palette: the same pixels as before.
    box.setPalette(QPalette());
    box.setAttribute(Qt::WA_SetPalette, false);
    box.setPalette(QApplication::palette());
    EXPECT_EQ(box.BackBuffer(), light);
}
