#include "twips.h"

#include <QWidget>

#include <cmath>

namespace Twips {

double TwipsPerPixelAt(double dpi) {
    return kPerInch / (dpi > 0 ? dpi : kStandardDpi);
}

double TwipsPerPixel(const QWidget& widget) {
    return TwipsPerPixelAt(widget.logicalDpiX());
}

double PixelsPerTwip(const QWidget& widget) {
    return 1.0 / TwipsPerPixel(widget);
}

int TwipsToPixels(double twips, const QWidget& widget) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel(widget)));
}

double PixelsToTwips(double pixels, const QWidget& widget) {
    return pixels * TwipsPerPixel(widget);
}

}  // namespace Twips
