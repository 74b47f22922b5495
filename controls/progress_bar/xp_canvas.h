#pragma once

#include <QPainter>
#include <QRect>

#include "xp_colors.h"

// Drawing primitives with the pixel rules of the control's original drawing interface:
// rectangles are given as left, top, right, bottom with right and bottom excluded, and lines
// leave out their end point. All colours are RGB values (already translated).
namespace XpCanvas {

// A rectangle by its edges; right and bottom lie just outside it.
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const Edges&) const = default;
};

// Fills the rectangle with colour `c`; an empty or inverted rectangle draws nothing.
void FillRect(QPainter& painter, const Edges& r, XpColors::Rgb c);

// A 1-pixel frame just inside the rectangle in colour `c`.
void OutlineRect(QPainter& painter, const Edges& r, XpColors::Rgb c);

// A 1-pixel line from (x1, y1) to (x2, y2), the end point left out.
void Line(QPainter& painter, int x1, int y1, int x2, int y2, XpColors::Rgb c);

// The gradient of DrawGradient: for i = 0..n lines in GradientColor(first, second, i, n);
// with `verticalLines` n = xEnd and line i runs from (x + i, y) to (x + i, yEnd), else n = yEnd
// and line i runs from (x, y + i) to (xEnd, y + i). Lines past `limit` (the painted area) are
// skipped, which leaves the picture unchanged.
void Gradient(QPainter& painter, XpColors::Rgb first, XpColors::Rgb second, int x, int y, int xEnd,
              int yEnd, bool verticalLines, const QRect& limit);

// The kinds of 3-D border drawn around a rectangle.
enum class EdgeKind { Etched, Bump, SunkenOuter };

// A 3-D border of the given kind just inside the rectangle, in the system's 3-D colours.
void DrawEdge(QPainter& painter, const Edges& r, EdgeKind kind);

// Fills the rectangle with hatch pattern `style` (0 horizontal, 1 vertical, 2 forward diagonal,
// 3 backward diagonal, 4 cross, 5 diagonal cross) in `fore` over `back`; the pattern is aligned
// to the painter's origin. Any other style fills with `back` alone.
void HatchRect(QPainter& painter, const Edges& r, int style, XpColors::Rgb fore,
               XpColors::Rgb back);

// Tiles `image` over the rectangle, aligned to the painter's origin; a null image draws nothing.
void TileRect(QPainter& painter, const Edges& r, const QImage& image);

}  // namespace XpCanvas
