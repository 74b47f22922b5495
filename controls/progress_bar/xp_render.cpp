#include "xp_render.h"

#include <QFontMetrics>

#include <cmath>

#include "xp_canvas.h"
#include "xp_geometry.h"

namespace {

using XpCanvas::Edges;
using XpColors::Blend;
using XpColors::Lighten;
using XpColors::MakeRgb;
using XpColors::Rgb;

constexpr Rgb kBlack = MakeRgb(0, 0, 0);
constexpr Rgb kWhite = MakeRgb(255, 255, 255);
constexpr Rgb kSilver = MakeRgb(192, 192, 192);

void DrawFlat(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    XpCanvas::OutlineRect(painter, {0, 0, right, bottom}, Lighten(look.color, 100));
    const int end = XpGeometry::BarEnd(0, right, look.percentage, 100);
    XpCanvas::FillRect(painter, {1, 1, end, bottom - 1}, Lighten(look.color, 180));
}

void DrawEtched(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    XpCanvas::DrawEdge(painter, {0, 0, right, bottom}, XpCanvas::EdgeKind::Etched);
    const int end = XpGeometry::BarEnd(0, right - 4, look.percentage, 100);
    XpCanvas::Gradient(painter, Lighten(look.color, 140), Lighten(look.color, 200), 2, 2, end,
                       bottom - 3, true, QRect(0, 0, right, bottom));
}

void DrawGlass(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    const QRect limit(0, 0, right, bottom);
    XpCanvas::OutlineRect(painter, {0, 0, right, bottom}, Lighten(look.color, 10));
    XpCanvas::Gradient(painter, look.color, Lighten(look.color, 100), 2, 2, right - 2, bottom - 5,
                       false, limit);
    const int end = XpGeometry::BarEnd(0, right, look.percentage, 101);
    XpCanvas::Gradient(painter, Lighten(look.color, 250), look.color, 3, 3, end, bottom - 6, false,
                       limit);
    XpCanvas::Line(painter, end, 2, end, bottom - 2, Lighten(look.color, 25));
}

void DrawDark(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    XpCanvas::OutlineRect(painter, {0, 0, right, bottom}, Blend(look.color, kBlack, 200));
    const Rgb base = Blend(look.color, kBlack, 100);
    const int end = XpGeometry::BarEnd(0, right - 5, look.percentage, 100);
    XpCanvas::Gradient(painter, base, Lighten(base, 10), 2, 2, end, bottom - 2, true,
                       QRect(0, 0, right, bottom));
}

void DrawHatched(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    XpCanvas::DrawEdge(painter, {0, 0, right, bottom}, XpCanvas::EdgeKind::Bump);
    const int end = XpGeometry::BarEnd(0, right, look.percentage, 101);
    XpCanvas::HatchRect(painter, {2, 2, end, bottom - 2}, look.brushStyle, look.color,
                        Lighten(look.color, 140));
}

void DrawPicture(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    XpCanvas::DrawEdge(painter, {0, 0, right, bottom}, XpCanvas::EdgeKind::SunkenOuter);
    const int width = XpGeometry::BarEnd(0, right, look.percentage, 101);
    XpCanvas::TileRect(painter, {2, 2, 2 + width, 2 + bottom - 4}, look.image);
}

void DrawCaption(QPainter& painter, const ProgressLook& look, int right, int bottom) {
    if (!look.showText) {
        return;
    }
    QFont font = look.font;
    font.setStyleStrategy(QFont::NoAntialias);
    painter.save();
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const int textWidth = metrics.horizontalAdvance(look.caption);
    const int textHeight = metrics.height();
    const int left = static_cast<int>(std::nearbyint(right / 2.0 - textWidth / 2.0));
    const int top = static_cast<int>(std::nearbyint(bottom / 2.0 - textHeight / 2.0));
    const QRect textRect(left, top, textWidth, textHeight);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const bool dark = look.scrolling == 6;
    const double filled = look.percentage / 100.0 * right;

    if (!dark || filled <= left + textWidth) {
        painter.setPen(XpColors::ToQColor(dark ? kSilver : look.textColor));
        painter.drawText(textRect, flags, look.caption);
    }
    if (dark && filled >= left) {
        const int clipRight = static_cast<int>(std::nearbyint(filled));
        painter.setClipRect(QRect(left, top, clipRight - left, textHeight), Qt::IntersectClip);
        painter.setPen(XpColors::ToQColor(Lighten(look.color, 80)));
        painter.drawText(textRect, flags, look.caption);
    }
    painter.restore();
}

}  // namespace

void RenderProgressBar(QPainter& painter, const ProgressLook& look, QSize client) {
    const int right = client.width();
    const int bottom = client.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(QRect(0, 0, right, bottom));
    XpCanvas::FillRect(painter, {0, 0, right, bottom}, look.scrolling == 6 ? kBlack : kWhite);
    switch (look.scrolling) {
        case 3:
            DrawFlat(painter, look, right, bottom);
            break;
        case 4:
            DrawEtched(painter, look, right, bottom);
            break;
        case 5:
            DrawGlass(painter, look, right, bottom);
            break;
        case 6:
            DrawDark(painter, look, right, bottom);
            break;
        case 7:
            DrawHatched(painter, look, right, bottom);
            break;
        case 8:
            DrawPicture(painter, look, right, bottom);
            break;
        default:
            RenderSegmentedBar(painter, look, client);
            break;
    }
    DrawCaption(painter, look, right, bottom);
    painter.restore();
}
