#pragma once

#include <QColor>

#include <cstdint>

// Colour values of the progress bar: 32-bit, red in the lowest byte, green in the middle and
// blue in the third byte. A value with the top bit set names a system colour by its index.
namespace XpColors {

using Rgb = std::uint32_t;

constexpr Rgb kSystemColorFlag = 0x80000000u;

// The value of red, green and blue (each 0..255) with red in the lowest byte.
constexpr Rgb MakeRgb(int red, int green, int blue) {
    return static_cast<Rgb>(red & 0xFF) | (static_cast<Rgb>(green & 0xFF) << 8) |
           (static_cast<Rgb>(blue & 0xFF) << 16);
}
constexpr int Red(Rgb c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int Green(Rgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int Blue(Rgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// `c` itself when its top bit is clear; else the RGB of the system colour with the index in the
// low bits, taken from the application palette; black for an index no system colour has.
Rgb TranslateColor(Rgb c);

// `c` as the bar's edges take it around its fixed white: a system colour has its value in the
// light palette the fixed colours were designed against, whatever the desktop's palette.
Rgb TranslateDesignColor(Rgb c);

// Each channel moved towards white: min(255, channel * (255 - a) div 255 + a); a = 0 keeps `c`,
// a = 255 gives white.
Rgb Lighten(Rgb c, int a);

// Both colours translated, then per channel c1 * a / 255 + c2 * (255 - a) / 255, rounded.
Rgb Blend(Rgb c1, Rgb c2, int a);

// The colour of line `i` of a gradient with end `n`: per channel first + (second - first) * i / n,
// rounded; `first` when n is 0.
Rgb GradientColor(Rgb first, Rgb second, int i, int n);

// The opaque Qt colour of the low 24 bits of `c` (no system colour lookup).
QColor ToQColor(Rgb c);

// The RGB value of a Qt colour.
Rgb FromQColor(const QColor& color);

}  // namespace XpColors
