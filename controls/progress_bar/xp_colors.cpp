#include "xp_colors.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>

namespace XpColors {
namespace {

// Rounds to the nearest whole number, halves to even, as the control's integer assignments do.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

struct SystemColorRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette entry that stands in for each system colour index 0..30.
constexpr std::array<SystemColorRole, 31> kSystemColors = {{
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

int Channel(int from, int to, int i, int n) {
    return RoundEven(from + static_cast<double>(to - from) * i / n);
}

}  // namespace

Rgb TranslateColor(Rgb c) {
    if ((c & kSystemColorFlag) == 0) {
        return c;
    }
    const Rgb index = c & ~kSystemColorFlag;
    if (index >= kSystemColors.size() || kSystemColors[index].role == QPalette::NoRole) {
        return 0;
    }
    const QPalette palette = QGuiApplication::palette();
    const SystemColorRole entry = kSystemColors[index];
    return FromQColor(palette.color(entry.group, entry.role));
}

Rgb Lighten(Rgb c, int a) {
    auto channel = [a](int v) { return std::min(255, v * (255 - a) / 255 + a); };
    return MakeRgb(channel(Red(c)), channel(Green(c)), channel(Blue(c)));
}

Rgb Blend(Rgb c1, Rgb c2, int a) {
    const Rgb first = TranslateColor(c1);
    const Rgb second = TranslateColor(c2);
    auto channel = [a](int v1, int v2) {
        return RoundEven(v1 * a / 255.0 + v2 * (255 - a) / 255.0);
    };
    return MakeRgb(channel(Red(first), Red(second)), channel(Green(first), Green(second)),
                   channel(Blue(first), Blue(second)));
}

Rgb GradientColor(Rgb first, Rgb second, int i, int n) {
    if (n == 0) {
        return first;
    }
    return MakeRgb(Channel(Red(first), Red(second), i, n),
                   Channel(Green(first), Green(second), i, n),
                   Channel(Blue(first), Blue(second), i, n));
}

QColor ToQColor(Rgb c) {
    return QColor(Red(c), Green(c), Blue(c));
}

Rgb FromQColor(const QColor& color) {
    return MakeRgb(color.red(), color.green(), color.blue());
}

}  // namespace XpColors
