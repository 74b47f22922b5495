#include "xp_canvas.h"

#include <QBrush>
#include <QImage>
#include <QPoint>
#include <QVector>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace XpCanvas {
namespace {

using XpColors::Rgb;

constexpr Rgb kSysButtonShadow = XpColors::kSystemColorFlag | 16;
constexpr Rgb kSysButtonHighlight = XpColors::kSystemColorFlag | 20;
constexpr Rgb kSysDarkShadow = XpColors::kSystemColorFlag | 21;
constexpr Rgb kSysLight = XpColors::kSystemColorFlag | 22;
// Qt's hatch patterns repeat every 8 pixels.
constexpr int kHatchTile = 8;

bool IsEmpty(const Edges& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

QRect ToQRect(const Edges& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// One ring of a 3-D border: top and left in `topLeft`, bottom and right in `bottomRight`.
void Ring(QPainter& painter, const Edges& r, Rgb topLeft, Rgb bottomRight) {
    const Rgb tl = XpColors::TranslateDesignColor(topLeft);
    const Rgb br = XpColors::TranslateDesignColor(bottomRight);
    FillRect(painter, {r.left, r.top, r.right - 1, r.top + 1}, tl);
    FillRect(painter, {r.left, r.top, r.left + 1, r.bottom - 1}, tl);
    FillRect(painter, {r.left, r.bottom - 1, r.right, r.bottom}, br);
    FillRect(painter, {r.right - 1, r.top, r.right, r.bottom}, br);
}

}  // namespace

void FillRect(QPainter& painter, const Edges& r, Rgb c) {
    if (IsEmpty(r)) {
        return;
    }
    painter.fillRect(ToQRect(r), XpColors::ToQColor(c));
}

void OutlineRect(QPainter& painter, const Edges& r, Rgb c) {
    if (IsEmpty(r)) {
        return;
    }
    FillRect(painter, {r.left, r.top, r.right, r.top + 1}, c);
    FillRect(painter, {r.left, r.bottom - 1, r.right, r.bottom}, c);
    FillRect(painter, {r.left, r.top, r.left + 1, r.bottom}, c);
    FillRect(painter, {r.right - 1, r.top, r.right, r.bottom}, c);
}

void Line(QPainter& painter, int x1, int y1, int x2, int y2, Rgb c) {
    if (x1 == x2 && y1 == y2) {
        return;
    }
    if (y1 == y2) {
        FillRect(painter, {std::min(x1, x2 + 1), y1, std::max(x1 + 1, x2), y1 + 1}, c);
        return;
    }
    if (x1 == x2) {
        FillRect(painter, {x1, std::min(y1, y2 + 1), x1 + 1, std::max(y1 + 1, y2)}, c);
        return;
    }
    // Any other slope: Bresenham's walk, stopping one step before the end point.
    QVector<QPoint> points;
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        points.append(QPoint(x, y));
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(XpColors::ToQColor(c), 0));
    painter.drawPoints(points.constData(), static_cast<int>(points.size()));
    painter.restore();
}

void Gradient(QPainter& painter, Rgb first, Rgb second, int x, int y, int xEnd, int yEnd,
              bool verticalLines, const QRect& limit) {
    const int n = verticalLines ? xEnd : yEnd;
    for (int i = 0; i <= n; ++i) {
        const Rgb c = XpColors::GradientColor(first, second, i, n);
        if (verticalLines) {
            if (x + i > limit.right()) {
                break;
            }
            if (x + i >= limit.left()) {
                Line(painter, x + i, y, x + i, yEnd, c);
            }
        } else {
            if (y + i > limit.bottom()) {
                break;
            }
            if (y + i >= limit.top()) {
                Line(painter, x, y + i, xEnd, y + i, c);
            }
        }
    }
}

void DrawEdge(QPainter& painter, const Edges& r, EdgeKind kind) {
    const Edges inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    switch (kind) {
        case EdgeKind::Etched:
            Ring(painter, r, kSysButtonShadow, kSysButtonHighlight);
            Ring(painter, inner, kSysButtonHighlight, kSysButtonShadow);
            break;
        case EdgeKind::Bump:
            Ring(painter, r, kSysLight, kSysDarkShadow);
            Ring(painter, inner, kSysButtonShadow, kSysButtonHighlight);
            break;
        case EdgeKind::SunkenOuter:
            Ring(painter, r, kSysButtonShadow, kSysButtonHighlight);
            break;
    }
}

void HatchRect(QPainter& painter, const Edges& r, int style, Rgb fore, Rgb back) {
    static constexpr std::array<Qt::BrushStyle, 6> kHatches = {
        Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    FillRect(painter, r, back);
    if (IsEmpty(r) || style < 0 || style >= static_cast<int>(kHatches.size())) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Qt lays hatch patterns in device pixels. One 8 x 8 tile of the pattern, filled like a
    // picture, is scaled with the painter, so the hatch keeps its look on a scaled screen.
    QImage tile(kHatchTile, kHatchTile, QImage::Format_RGB32);
    tile.fill(XpColors::ToQColor(back));
    {
        QPainter tilePainter(&tile);
        tilePainter.fillRect(tile.rect(), QBrush(XpColors::ToQColor(fore), kHatches[style]));
    }
    painter.setBrushOrigin(0, 0);
    painter.fillRect(ToQRect(r), QBrush(tile));
    painter.restore();
}

void TileRect(QPainter& painter, const Edges& r, const QImage& image) {
    if (IsEmpty(r) || image.isNull()) {
        return;
    }
    painter.save();
    painter.setBrushOrigin(0, 0);
    painter.fillRect(ToQRect(r), QBrush(image));
    painter.restore();
}

}  // namespace XpCanvas
