#pragma once

#include <QRect>

// Pixel geometry of the item list: rows, boxes, and when the scroll bars show.
// Positions that reach the host are in twips; drawing is in logical pixels.
namespace UltraBoxGeometry {

// Twips per logical pixel at 96 dpi; the control takes the real value from its screen.
inline constexpr int kTwipsPerPixel = 15;
// Scroll bar values and maxima are 16-bit.
inline constexpr int kScrollLimit = 32767;

// A rectangle with exclusive right and bottom edges.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // The same area as a QRect.
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    // The rectangle with each edge moved by the given amounts.
    Rect Adjusted(int dl, int dt, int dr, int db) const {
        return {left + dl, top + dt, right + dr, bottom + db};
    }
    bool operator==(const Rect&) const = default;
};

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double value);

// What the scroll bar decision depends on.
struct ScrollInputs {
    int surfaceWidthPx = 0;
    int surfaceHeightPx = 0;
    int listCount = 0;
    int itemHeightPx = 0;
    int itemHeightTwips = 0;
    int maxTextWidthTwips = 0;
    int vScrollWidthPx = 0;
    int hScrollHeightPx = 0;
    double twipsPerPixel = kTwipsPerPixel;
};

struct ScrollBars {
    bool vertical = false;
    bool horizontal = false;
    bool operator==(const ScrollBars&) const = default;
};

// True when all entries (plus the horizontal bar when `hShown`) do not fit the height.
bool NeedVScroll(const ScrollInputs& in, bool hShown);
// True when the widest entry does not fit the width left beside the vertical bar.
bool NeedHScroll(const ScrollInputs& in, bool vShown);
// Which bars show: vertical first, then horizontal, then vertical again.
ScrollBars DecideScrollBars(const ScrollInputs& in);
// Whole rows that fit the surface; 0 when none does.
int VisibleRows(const ScrollInputs& in, bool vShown);

// Where the vertical bar lies, and its maximum (0..kScrollLimit).
Rect VScrollRect(const ScrollInputs& in);
int VScrollMaximum(const ScrollInputs& in);
// Where the horizontal bar lies beside a shown or hidden vertical bar, and its maximum.
Rect HScrollRect(const ScrollInputs& in, bool vShown);
int HScrollMaximum(const ScrollInputs& in);

// The text rectangle of visible row `row` (entry height h, horizontal shift dx).
Rect RowRect(int row, int h, int dx, int surfaceWidthPx, bool vShown, int vScrollWidthPx);
// The check box or option button of visible row `row`.
Rect BoxRect(int row, int h, int dx);

// The device pixels of a `size` logical pixels at device pixel ratio `ratio`, whole pixels
// rounded up; at ratio 1 the size itself.
QSize DeviceSize(QSize size, double ratio);
// The device pixel that holds the top-left corner of logical pixel `p` at ratio `ratio`.
QPoint DevicePoint(QPoint p, double ratio);

// The visible row under the pixel height y, or -1 above the first row.
int RowAt(double yPx, int h);

}  // namespace UltraBoxGeometry
