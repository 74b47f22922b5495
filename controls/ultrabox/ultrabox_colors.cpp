#include "ultrabox_colors.h"

#include "system_colors.h"

namespace UltraBoxColors {

namespace {

// Unknown indexes draw in the window text colour.
QColor PaletteColor(int index, const QPalette& palette) {
    const QColor color = system_colors::FromPalette(index, palette);
    return color.isValid() ? color : palette.color(QPalette::Active, QPalette::WindowText);
}

}  // namespace

OleColor Resolve(OleColor color, const QPalette& palette) {
    if ((color & 0x80000000u) == 0) {
        return color & 0x00FFFFFFu;
    }
    return FromQColor(PaletteColor(static_cast<int>(color & 0xFFu), palette));
}

QColor ToQColor(OleColor color, const QPalette& palette) {
    const OleColor rgb = Resolve(color, palette);
    return QColor(static_cast<int>(rgb & 0xFFu), static_cast<int>((rgb >> 8) & 0xFFu),
                  static_cast<int>((rgb >> 16) & 0xFFu));
}

OleColor FromQColor(const QColor& color) {
    return static_cast<OleColor>(color.red()) | (static_cast<OleColor>(color.green()) << 8) |
           (static_cast<OleColor>(color.blue()) << 16);
}

}  // namespace UltraBoxColors
