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

Backdrop BackdropOf(OleColor color, const QPalette& palette, bool fromPalette) {
    return {fromPalette || IsSystemColor(color), ToQColor(color, palette)};
}

QColor TextColorOver(OleColor text, const Backdrop& backdrop, const QPalette& palette) {
    if (!IsSystemColor(text)) {
        return ToQColor(text, palette);
    }
    if (backdrop.fromPalette) {
        return ToQColor(text, palette);
    }
    const QColor designed = ToQColor(text, system_colors::DesignPalette());
    // Disabled text is meant to recede; it keeps its designed grey.
    if (text == SystemColor(kGrayText) || !backdrop.color.isValid() ||
        system_colors::ContrastRatio(designed, backdrop.color) >= system_colors::kTextContrast) {
        return designed;
    }
    return system_colors::BlackOrWhiteOn(backdrop.color);
}

const QPalette& PaletteOver(const Backdrop& backdrop, const QPalette& palette) {
    return backdrop.fromPalette ? palette : system_colors::DesignPalette();
}

}  // namespace UltraBoxColors
