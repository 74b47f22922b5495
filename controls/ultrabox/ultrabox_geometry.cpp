#include "ultrabox_geometry.h"

#include <algorithm>
#include <cmath>

namespace UltraBoxGeometry {

namespace {

constexpr int kMargin = 3;
constexpr int kBoxRight = 15;

int ClampScroll(int value) {
    return std::clamp(value, 0, kScrollLimit);
}

}  // namespace

int RoundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

bool NeedVScroll(const ScrollInputs& in, bool hShown) {
    const long long heightPx = static_cast<long long>(in.listCount) * in.itemHeightPx +
                               (hShown ? in.hScrollHeightPx + 2 : 0);
    return static_cast<double>(heightPx) * in.twipsPerPixel >=
           static_cast<double>(in.surfaceHeightPx) * in.twipsPerPixel;
}

bool NeedHScroll(const ScrollInputs& in, bool vShown) {
    const int widthPx = in.surfaceWidthPx - (vShown ? in.vScrollWidthPx + 2 : 0);
    return widthPx * in.twipsPerPixel < in.maxTextWidthTwips;
}

ScrollBars DecideScrollBars(const ScrollInputs& in) {
    ScrollBars bars;
    bars.vertical = NeedVScroll(in, false);
    if (bars.vertical) {
        bars.horizontal = NeedHScroll(in, true);
        return bars;
    }
    bars.horizontal = NeedHScroll(in, false);
    bars.vertical = NeedVScroll(in, bars.horizontal);
    if (bars.vertical) {
        bars.horizontal = NeedHScroll(in, true);
    }
    return bars;
}

int VisibleRows(const ScrollInputs& in, bool vShown) {
    if (in.itemHeightTwips <= 0) {
        return 0;
    }
    double heightTwips = (in.surfaceHeightPx - 2 * kMargin) * in.twipsPerPixel;
    if (NeedHScroll(in, vShown)) {
        heightTwips -= in.hScrollHeightPx * in.twipsPerPixel;
    }
    return std::max(0, static_cast<int>(heightTwips / in.itemHeightTwips));
}

Rect VScrollRect(const ScrollInputs& in) {
    const int left = in.surfaceWidthPx - in.vScrollWidthPx - 2;
    return {left, kMargin, left + in.vScrollWidthPx, in.surfaceHeightPx - kMargin};
}

int VScrollMaximum(const ScrollInputs& in) {
    return ClampScroll(in.listCount - VisibleRows(in, true));
}

Rect HScrollRect(const ScrollInputs& in, bool vShown) {
    int width = in.surfaceWidthPx - 2 * kMargin;
    if (vShown) {
        width -= in.vScrollWidthPx + 1;
    }
    const int top = in.surfaceHeightPx - in.hScrollHeightPx - kMargin;
    return {kMargin, top, kMargin + width, top + in.hScrollHeightPx};
}

int HScrollMaximum(const ScrollInputs& in) {
    const double extra = in.maxTextWidthTwips / in.twipsPerPixel - in.surfaceWidthPx;
    return ClampScroll(RoundHalfEven(extra) + in.vScrollWidthPx + 8);
}

Rect RowRect(int row, int h, int dx, int surfaceWidthPx, bool vShown, int vScrollWidthPx) {
    const int top = kMargin + row * h;
    const int right = vShown ? surfaceWidthPx - vScrollWidthPx - 2 : surfaceWidthPx - kMargin;
    return {kMargin - dx, top, right, top + h};
}

Rect BoxRect(int row, int h, int dx) {
    const int top = kMargin + row * h;
    return {kMargin - dx, top, kBoxRight - dx, top + h + 3};
}

QSize DeviceSize(QSize size, double ratio) {
    return QSize(static_cast<int>(std::ceil(size.width() * ratio)),
                 static_cast<int>(std::ceil(size.height() * ratio)));
}

QPoint DevicePoint(QPoint p, double ratio) {
    return QPoint(static_cast<int>(std::floor(p.x() * ratio)),
                  static_cast<int>(std::floor(p.y() * ratio)));
}

int RowAt(double yPx, int h) {
    if (h <= 0 || yPx < kMargin) {
        return -1;
    }
    return static_cast<int>((yPx - kMargin) / h);
}

}  // namespace UltraBoxGeometry
