#include "xp_colors.h"

#include <QGuiApplication>
#include <QPalette>

#include "system_colors.h"

#include <algorithm>
#include <cmath>

namespace XpColors {
namespace {

// Rounds to the nearest whole number, halves to even, as the control's integer assignments do.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

int Channel(int from, int to, int i, int n) {
    return RoundEven(from + static_cast<double>(to - from) * i / n);
}

}  // namespace

namespace {

Rgb Translate(Rgb c, const QPalette& palette) {
    if ((c & kSystemColorFlag) == 0) {
        return c;
    }
    const Rgb index = c & ~kSystemColorFlag;
    if (index >= static_cast<Rgb>(system_colors::kCount)) {
        return 0;
    }
    const QColor color = system_colors::FromPalette(static_cast<int>(index), palette);
    return color.isValid() ? FromQColor(color) : 0;
}

}  // namespace

Rgb TranslateColor(Rgb c) {
    return Translate(c, QGuiApplication::palette());
}

Rgb TranslateDesignColor(Rgb c) {
    return Translate(c, system_colors::DesignPalette());
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
