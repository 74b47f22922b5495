// Pictures of the item list, drawn by the control's own painting code.
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <functional>

#include "gallery.h"
#include "ultrabox.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 160;

// A 16 x 16 picture: a blue disc on magenta, magenta being its transparent colour.
QImage DiscPicture() {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 90, 200));
    painter.drawEllipse(2, 2, 12, 12);
    return picture;
}

// Selects `index` as the current entry while Ctrl is held, keeping the other selections.
// Keys are only taken while the control paints.
void SelectKeepingOthers(UltraBox& box, int index) {
    const bool paint = box.Paint();
    box.SetPaint(true);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCoreApplication::sendEvent(box.Surface(), &press);
    box.SetSelected(index, true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QCoreApplication::sendEvent(box.Surface(), &release);
    box.SetPaint(paint);
}

// Builds a control with `fill`, sizes it for its content and saves it as `name`.
bool Render(const QString& outDir, const QString& name, const std::function<void(UltraBox&)>& fill,
            int width = kWidth) {
    UltraBox box;
    box.resize(width, kHeight);
    box.SetPaint(false);
    fill(box);
    const int needed = box.ListCount() * box.ItemHeightPx() + 8;
    // Short lists are shown whole; longer ones scroll.
    if (needed > kHeight && box.ListCount() < 12) {
        box.resize(width, needed);
    }
    box.SetPaint(true);
    return box.grab().save(QDir(outDir).filePath(name), "PNG");
}

void FillKinds(UltraBox& box) {
    box.SetMultiSelect(true);
    box.AddItem(QStringLiteral("Plain entry"));
    box.AddItemCheck(QStringLiteral("Check entry"));
    box.AddItemOption(QStringLiteral("Option entry"), 0, true, kDefaultColor, kDefaultColor,
                      kDefaultColor, kDefaultColor, 1);
    box.AddItemProgressBar(QStringLiteral("Progress 50 %"), 0, true, kDefaultColor, kDefaultColor,
                           kDefaultColor, kDefaultColor, 100, 50, 0x00C000);
    box.AddItem(QStringLiteral("Picture entry"), 0, DiscPicture(), 0xFF00FF);
    box.AddItem(QStringLiteral("}3Error}r and }bbold}n, }4blue"));
    box.AddItem(QStringLiteral("Disabled entry"), 0, {}, kDefaultColor, false);
    box.AddItem(QStringLiteral("Selected, not current"));
    box.AddItem(QStringLiteral("Selected current"));
    box.SetSelected(2, true);
    box.SetSelected(3, true);
    box.SetSelected(8, true);
    SelectKeepingOthers(box, 9);
}

void FillStyle(UltraBox& box, int style) {
    box.SetStyle(style);
    for (int i = 1; i <= 4; ++i) {
        box.AddItem(QStringLiteral("Border style %1, entry %2").arg(style).arg(i));
    }
}

void FillStripes(UltraBox& box) {
    box.SetFillView(1);
    for (int i = 1; i <= 8; ++i) {
        box.AddItem(QStringLiteral("Striped entry %1").arg(i));
    }
    box.SetSelected(3, true);
}

void FillOr(UltraBox& box) {
    box.SetColor(0);
    box.SetSelectStyle(1);
    box.SetMultiSelect(true);
    const OleColor white = 0xFFFFFF;
    for (int i = 1; i <= 6; ++i) {
        box.AddItem(QStringLiteral("OR highlight %1").arg(i), 0, {}, kDefaultColor, true, white,
                    kDefaultColor, 0xC06000);
    }
    box.SetSelected(2, true);
    SelectKeepingOthers(box, 4);
}

void FillScroll(UltraBox& box) {
    for (int i = 1; i <= 30; ++i) {
        box.AddItem(i == 3
                        ? QStringLiteral("A rather long entry that needs a horizontal scroll bar")
                        : QStringLiteral("Entry %1").arg(i));
    }
    box.SetSelected(5, true);
}

}  // namespace

bool RenderUltraBoxGallery(const QString& outDir) {
    bool ok = Render(outDir, QStringLiteral("ultrabox-kinds.png"), FillKinds);
    for (int style = 0; style <= 4; ++style) {
        ok = Render(outDir, QStringLiteral("ultrabox-style-%1.png").arg(style),
                    [style](UltraBox& box) { FillStyle(box, style); }) &&
             ok;
    }
    ok = Render(outDir, QStringLiteral("ultrabox-fill.png"), FillStripes) && ok;
    ok = Render(outDir, QStringLiteral("ultrabox-or.png"), FillOr) && ok;
    ok = Render(outDir, QStringLiteral("ultrabox-scroll.png"), FillScroll) && ok;
    return ok;
}
