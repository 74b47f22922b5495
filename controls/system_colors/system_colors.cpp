#include "system_colors.h"

#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace system_colors {
namespace {

struct Entry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette entry for each system colour index.
constexpr std::array<Entry, kCount> kEntries = {{
    {QPalette::Active, QPalette::Mid},                // 0 scroll bar
    {QPalette::Active, QPalette::Window},             // 1 desktop
    {QPalette::Active, QPalette::Highlight},          // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},        // 3 inactive caption
    {QPalette::Active, QPalette::Window},             // 4 menu
    {QPalette::Active, QPalette::Base},               // 5 window
    {QPalette::Active, QPalette::Shadow},             // 6 window frame
    {QPalette::Active, QPalette::WindowText},         // 7 menu text
    {QPalette::Active, QPalette::Text},               // 8 window text
    {QPalette::Active, QPalette::HighlightedText},    // 9 caption text
    {QPalette::Active, QPalette::Button},             // 10 active border
    {QPalette::Inactive, QPalette::Button},           // 11 inactive border
    {QPalette::Active, QPalette::Mid},                // 12 application workspace
    {QPalette::Active, QPalette::Highlight},          // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},    // 14 highlighted text
    {QPalette::Active, QPalette::Button},             // 15 button face
    {QPalette::Active, QPalette::Dark},               // 16 button shadow
    {QPalette::Disabled, QPalette::Text},             // 17 grey text
    {QPalette::Active, QPalette::ButtonText},         // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText},  // 19 inactive caption text
    {QPalette::Active, QPalette::Light},              // 20 button highlight
    {QPalette::Active, QPalette::Shadow},             // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},        // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},        // 24 tooltip background
    {QPalette::Active, QPalette::NoRole},             // 25 unused
    {QPalette::Active, QPalette::Link},               // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},          // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},        // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},          // 29 menu highlight
    {QPalette::Active, QPalette::Window},             // 30 menu bar
}};

}  // namespace

QColor FromPalette(int index, const QPalette& palette) {
    if (index < 0 || index >= kCount || kEntries[index].role == QPalette::NoRole) {
        return {};
    }
    return palette.color(kEntries[index].group, kEntries[index].role);
}

}  // namespace system_colors

namespace system_colors {
namespace {

QPalette MakeDesignPalette() {
    // Fusion's own palette turns dark where the desktop asks for a dark look (GTK's
    // Adwaita-dark through the gtk3 theme); only its light one is the design's.
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    if (fusion) {
        const QPalette standard = fusion->standardPalette();
        if (standard.color(QPalette::Window).lightnessF() > 0.5 &&
            standard.color(QPalette::WindowText).lightnessF() < 0.5) {
            return standard;
        }
    }
    // Without Fusion, or with its dark variant: the light colours by hand.
    QPalette palette(QColor(0xEF, 0xEF, 0xEF));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, QColor(0xBE, 0xBE, 0xBE));
    }
    return palette;
}

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

const QPalette& DesignPalette() {
    static const QPalette palette = MakeDesignPalette();
    return palette;
}

double RelativeLuminance(const QColor& color) {
    return 0.2126 * Linear(color.red()) + 0.7152 * Linear(color.green()) +
           0.0722 * Linear(color.blue());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor BlackOrWhiteOn(const QColor& background) {
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
               ? QColor(Qt::black)
               : QColor(Qt::white);
}

}  // namespace system_colors
