// The progress bar's pictures: every style at a few percentages, and the vertical bar.
#include <QImage>

#include "gallery.h"
#include "xp_colors.h"
#include "xp_progress_bar.h"

namespace {

// A small two-tone tile for the picture style.
QImage GalleryTile() {
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            tile.setPixelColor(x, y, (x + y) % 8 < 4 ? QColor(40, 90, 200) : QColor(150, 190, 250));
        }
    }
    return tile;
}

// Renders one bar of `size` and writes the visible part of its buffer to `path`.
bool SaveBar(XP_ProgressBar& bar, const QString& path) {
    const QImage& buffer = bar.Buffer();
    if (buffer.isNull()) {
        return false;
    }
    // The visible part: the buffer may be larger, and holds device pixels.
    const qreal ratio = buffer.devicePixelRatio();
    return buffer
        .copy(0, 0, static_cast<int>(bar.width() * ratio), static_cast<int>(bar.height() * ratio))
        .save(path, "PNG");
}

}  // namespace

bool RenderProgressBarGallery(const QString& outDir) {
    bool ok = true;
    const QImage tile = GalleryTile();
    for (int style = 0; style <= 8; ++style) {
        for (int p : {0, 33, 50, 98, 100}) {
            XP_ProgressBar bar;
            bar.setAttribute(Qt::WA_DontShowOnScreen);
            bar.resize(300, 20);
            bar.show();
            bar.SetColor(XpColors::MakeRgb(0, 128, 0));
            bar.SetImage(tile);
            bar.SetScrolling(style);
            bar.SetShowText(style >= 3);
            bar.SetValue(p);
            const QString name = QStringLiteral("progress-style-%1-%2.png").arg(style).arg(p);
            ok = SaveBar(bar, outDir + QLatin1Char('/') + name) && ok;
        }
    }
    XP_ProgressBar vertical;
    vertical.setAttribute(Qt::WA_DontShowOnScreen);
    vertical.resize(20, 200);
    vertical.show();
    vertical.SetColor(XpColors::MakeRgb(0, 128, 0));
    vertical.SetOrientation(1);
    vertical.SetValue(60);
    ok = SaveBar(vertical, outDir + QStringLiteral("/progress-vertical.png")) && ok;
    return ok;
}
