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

// The reference value naming system colour `index` (top bit set).
constexpr OleColor SystemColor(int index) {
    return 0x80000000u | static_cast<OleColor>(index);
}

// The plain RGB value of `color`; a system colour is looked up in `palette`.
OleColor Resolve(OleColor color, const QPalette& palette);

// `color` as a QColor; a system colour is looked up in `palette`.
QColor ToQColor(OleColor color, const QPalette& palette);

// The RGB value (red in the lowest byte) of an opaque QColor.
OleColor FromQColor(const QColor& color);

}  // namespace UltraBoxColors
