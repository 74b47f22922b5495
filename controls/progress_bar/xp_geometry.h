#pragma once

#include <QString>

#include <optional>

// The arithmetic of the progress bar: percentage, caption text and where the bar ends.
namespace XpGeometry {

// Value * 100 / max in floating point, rounded to the nearest whole number (halves to even);
// nothing when max is 0 or the result does not fit a 32-bit integer.
std::optional<int> Percentage(int value, int max);

// The caption: "Searching.." for style 2, else "<percentage> %" when `percent` is set,
// else "<value> <text>".
QString CaptionText(int scrolling, bool percent, int percentage, int value, const QString& text);

// left + p / d * (right - left), rounded (halves to even) and kept within +-2^25 so that later
// pixel arithmetic cannot overflow.
int BarEnd(int left, int right, double p, int d);

// Where the segmented styles (0, 1, 2 and 9 or higher) place their bar, measured along the bar
// from its start (x for a horizontal bar, upwards from the bottom for a vertical one).
struct SegmentLayout {
    int segment = 0;   // segment width: 6 for style 0, else 0
    int gap = 2;       // gap between segments
    int start = 3;     // where the bar rectangle begins
    int end = 3;       // bar end after the grid and the short-bar rule
    int fillEnd = 12;  // end of the coloured fill (exclusive)

    bool operator==(const SegmentLayout&) const = default;
};

// The layout of a segmented bar of `length` pixels along its direction at percentage `p`.
SegmentLayout SegmentedLayout(int scrolling, int length, int p);

}  // namespace XpGeometry
