#pragma once

class QWidget;

// Twips are 1/1440 inch: 15 to a pixel at 96 dots per inch. Window positions and sizes are
// kept in twips; widgets are laid out and drawn in logical pixels, which the screen's device
// pixel ratio maps to device pixels on its own.
namespace Twips {

inline constexpr int kPerInch = 1440;
inline constexpr double kStandardDpi = 96.0;

// Twips per logical pixel at `dpi` logical dots per inch: 15 at 96; a dpi not above 0 counts as 96.
double TwipsPerPixelAt(double dpi);
// Twips per logical pixel of `widget`, from its screen's logical dpi (15 at 96 dpi).
double TwipsPerPixel(const QWidget& widget);
// Logical pixels per twip of `widget` (1/15 at 96 dpi).
double PixelsPerTwip(const QWidget& widget);
// `twips` as whole logical pixels of `widget`, rounded to the nearest (halves away from 0).
int TwipsToPixels(double twips, const QWidget& widget);
// `pixels` logical pixels of `widget` in twips, unrounded.
double PixelsToTwips(double pixels, const QWidget& widget);

}  // namespace Twips
