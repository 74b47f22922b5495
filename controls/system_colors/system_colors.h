#pragma once

#include <QColor>
#include <QPalette>

// Colours named by a system colour index (the low bits of a colour value whose top bit is
// set), looked up in a Qt palette. Shared by the owner-drawn controls.
namespace system_colors {

// Number of system colour indexes known (0 to kCount - 1).
inline constexpr int kCount = 31;

// The palette colour standing in for system colour `index`; an invalid QColor for an
// index outside 0 to kCount - 1 or one that no system colour has.
QColor FromPalette(int index, const QPalette& palette);

// The light palette the controls' fixed colours were designed against (Qt's own light
// palette, Fusion's): what a system colour stands for where it meets a fixed colour.
const QPalette& DesignPalette();

// The relative luminance of `color` (0 black to 1 white), as the contrast formula of the web
// content accessibility guidelines defines it.
double RelativeLuminance(const QColor& color);

// The contrast ratio of two colours, from 1 (equal) to 21 (black and white).
double ContrastRatio(const QColor& a, const QColor& b);

// The contrast that ordinary text needs against its background.
inline constexpr double kTextContrast = 4.5;

// Black or white, whichever stands out more against `background`.
QColor BlackOrWhiteOn(const QColor& background);

}  // namespace system_colors
