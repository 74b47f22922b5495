#include "xp_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace XpGeometry {
namespace {

constexpr double kCoordinateLimit = 33554432.0;  // 2^25

int ClampedRound(double v) {
    return static_cast<int>(std::nearbyint(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}

}  // namespace

std::optional<int> Percentage(int value, int max) {
    if (max == 0) {
        return std::nullopt;
    }
    const double p = std::nearbyint(static_cast<double>(value) * 100.0 / max);
    if (p < std::numeric_limits<int>::min() || p > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(p);
}

QString CaptionText(int scrolling, bool percent, int percentage, int value, const QString& text) {
    if (scrolling == 2) {
        return QStringLiteral("Searching..");
    }
    if (percent) {
        return QString::number(percentage) + QStringLiteral(" %");
    }
    return QString::number(value) + QLatin1Char(' ') + text;
}

int BarEnd(int left, int right, double p, int d) {
    return ClampedRound(left + p / d * (right - left));
}

SegmentLayout SegmentedLayout(int scrolling, int length, int p) {
    SegmentLayout layout;
    layout.segment = scrolling == 0 ? 6 : 0;
    const double filled = std::max(0.0, p / 98.0);
    int end = ClampedRound(layout.start + (length - layout.start) * filled);
    end -= (end - layout.start) % (layout.segment + layout.gap);
    end = std::max(end, layout.start);
    if (end < 15) {
        end = 12;
    }
    layout.end = end;
    layout.fillEnd = end + 4 > length ? end - 4 : end;
    return layout;
}

}  // namespace XpGeometry
