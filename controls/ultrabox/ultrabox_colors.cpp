#include "ultrabox_colors.h"

namespace UltraBoxColors {

namespace {

QColor PaletteColor(int index, const QPalette& palette) {
    switch (index) {
        case 5:
            return palette.color(QPalette::Active, QPalette::Base);
        case kWindowText:
            return palette.color(QPalette::Active, QPalette::Text);
        case kHighlight:
            return palette.color(QPalette::Active, QPalette::Highlight);
        case kHighlightText:
            return palette.color(QPalette::Active, QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Active, QPalette::Button);
        case 16:
            return palette.color(QPalette::Active, QPalette::Dark);
        case kGrayText:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return palette.color(QPalette::Active, QPalette::ButtonText);
        case 20:
            return palette.color(QPalette::Active, QPalette::Light);
        default:
            return palette.color(QPalette::Active, QPalette::WindowText);
    }
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
