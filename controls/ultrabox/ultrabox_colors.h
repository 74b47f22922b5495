#pragma once

#include <QColor>
#include <QPalette>

#include "ultrabox_item.h"

namespace UltraBoxColors {

// System colour indexes the control uses.
inline constexpr int kWindowText = 8;
inline constexpr int kHighlight = 13;
inline constexpr int kHighlightText = 14;
inline constexpr int kGrayText = 17;

// What the drawing surface shows where nothing else is drawn: black.
inline constexpr OleColor kSurfaceBack = 0x000000;

// The reference value naming system colour `index` (top bit set).
constexpr OleColor SystemColor(int index) {
    return 0x80000000u | static_cast<OleColor>(index);
}

// True when `color` names a system colour rather than holding RGB.
constexpr bool IsSystemColor(OleColor color) {
    return (color & 0x80000000u) != 0 && color != kDefaultColor;
}

// The plain RGB value of `color`; a system colour is looked up in `palette`.
OleColor Resolve(OleColor color, const QPalette& palette);

// `color` as a QColor; a system colour is looked up in `palette`.
QColor ToQColor(OleColor color, const QPalette& palette);

// The RGB value (red in the lowest byte) of an opaque QColor.
OleColor FromQColor(const QColor& color);

// What lies under a text: a colour of the desktop's palette, or a fixed one. `color` is
// invalid where the fixed background is not one colour (a picture).
struct Backdrop {
    bool fromPalette = false;
    QColor color;

    bool operator==(const Backdrop&) const = default;
};

// The backdrop of colour `color`: a palette one for a system colour (or when `fromPalette`).
Backdrop BackdropOf(OleColor color, const QPalette& palette, bool fromPalette = false);

// The colour a text in `text` is drawn with over `backdrop`. A fixed text colour stays as it
// is. A system colour follows `palette` over a palette backdrop; over a fixed one it takes its
// value in the design palette, and where an enabled text would then fall below the text
// contrast against a known backdrop, black or white, whichever stands out more.
QColor TextColorOver(OleColor text, const Backdrop& backdrop, const QPalette& palette);

// The palette boxes and edges are drawn with over `backdrop`: `palette` over a palette
// backdrop, the design palette over a fixed one.
const QPalette& PaletteOver(const Backdrop& backdrop, const QPalette& palette);

}  // namespace UltraBoxColors
