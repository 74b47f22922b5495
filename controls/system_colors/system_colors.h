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

}  // namespace system_colors
