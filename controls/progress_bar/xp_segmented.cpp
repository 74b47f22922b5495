// The segmented styles: the bar in the look of the classic segmented progress bar (0), its
// smooth variant (1, 9 and higher) and the searching blocks (2).
#include "xp_canvas.h"
#include "xp_geometry.h"
#include "xp_render.h"

#include <cmath>

namespace {

using XpCanvas::Edges;
using XpColors::Lighten;
using XpColors::MakeRgb;
using XpColors::Rgb;

// Draws in bar coordinates: u runs along the bar from its start, v across it. A horizontal bar
// maps u to x and v to y; a vertical bar grows upwards, so u counts rows from the bottom.
class BarCanvas {
public:
    BarCanvas(QPainter& painter, QSize client, bool vertical)
        : painter_(painter), client_(client), vertical_(vertical) {}

    int Length() const { return vertical_ ? client_.height() : client_.width(); }
    int Thickness() const { return vertical_ ? client_.width() : client_.height(); }

    // Fills u0..u1 along and v0..v1 across the bar (both ends excluded).
    void Fill(int u0, int v0, int u1, int v1, Rgb c) {
        if (vertical_) {
            const int h = client_.height();
            XpCanvas::FillRect(painter_, {v0, h - u1, v1, h - u0}, c);
        } else {
            XpCanvas::FillRect(painter_, {u0, v0, u1, v1}, c);
        }
    }

    // The gradient of DrawGradient with lines along the bar: line i lies at v = v0 + i, from u0
    // to u1, for i = 0..n.
    void GradientAcross(Rgb first, Rgb second, int u0, int v0, int u1, int n) {
        for (int i = 0; i <= n && v0 + i < Thickness(); ++i) {
            Fill(u0, v0 + i, u1, v0 + i + 1, XpColors::GradientColor(first, second, i, n));
        }
    }

private:
    QPainter& painter_;
    QSize client_;
    bool vertical_;
};

// The frame around the whole client area, in client coordinates whatever the orientation.
void DrawFrame(QPainter& painter, QSize client) {
    const int right = client.width();
    const int bottom = client.height();
    const Rgb grey = MakeRgb(190, 190, 190);
    const Rgb light = MakeRgb(239, 239, 239);
    const Rgb white = MakeRgb(255, 255, 255);
    XpCanvas::Line(painter, 2, 1, right - 2, 1, grey);
    XpCanvas::Line(painter, 1, 2, 1, bottom - 2, grey);
    XpCanvas::Line(painter, 2, bottom - 2, right - 2, bottom - 2, light);
    XpCanvas::Line(painter, 2, 2, 2, bottom - 2, light);
    XpCanvas::Line(painter, 2, 2, right - 2, 2, light);
    XpCanvas::Line(painter, right - 2, 2, right - 2, bottom - 2, light);
    XpCanvas::OutlineRect(painter, {0, 0, right, bottom}, MakeRgb(104, 104, 104));
    // Soften the corners: white at the outer corner pixel, grey on the diagonal inside it.
    const int xs[2] = {0, right - 1};
    const int ys[2] = {0, bottom - 1};
    for (int cx = 0; cx < 2; ++cx) {
        for (int cy = 0; cy < 2; ++cy) {
            const int x = xs[cx];
            const int y = ys[cy];
            const int dx = cx == 0 ? 1 : -1;
            const int dy = cy == 0 ? 1 : -1;
            XpCanvas::FillRect(painter, {x, y, x + 1, y + 1}, white);
            XpCanvas::FillRect(painter, {x + dx, y + dy, x + dx + 1, y + dy + 1}, grey);
        }
    }
}

}  // namespace

void RenderSegmentedBar(QPainter& painter, const ProgressLook& look, QSize client) {
    // The searching blocks always run horizontally.
    BarCanvas bar(painter, client, look.orientation != 0 && look.scrolling != 2);
    const XpGeometry::SegmentLayout layout =
        XpGeometry::SegmentedLayout(look.scrolling, bar.Length(), look.percentage);
    const int thickness = bar.Thickness();
    const Rgb color = look.color;
    const Rgb pale = Lighten(color, 150);

    if (look.scrolling == 2) {
        const int shift = static_cast<int>(std::nearbyint((100.0 - look.percentage) / 100 * 45));
        for (int i = 0; i < 3; ++i) {
            const int u0 = layout.end + (layout.gap + 10) * i - shift;
            bar.GradientAcross(Lighten(color, 220 - 40 * i), Lighten(color, 200 - 40 * i), u0, 3,
                               u0 + 10, thickness - 6);
        }
    } else {
        bar.GradientAcross(pale, color, 4, 3, layout.fillEnd, 5);
        bar.Fill(4, 8, layout.fillEnd, thickness - 8, color);
        bar.GradientAcross(color, pale, 4, thickness - 10, layout.fillEnd, 7);
    }

    if (look.scrolling == 0) {
        const Rgb white = MakeRgb(255, 255, 255);
        const int step = layout.segment + layout.gap;
        const int last = std::min(layout.end, bar.Length());
        for (int u = layout.start + layout.segment; u <= last; u += step) {
            bar.Fill(u + 1, 0, u + 1 + layout.gap, thickness, white);
        }
    }
    DrawFrame(painter, client);
}
