#include "main_window.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <cmath>

#include "window_position.h"

namespace {
int ToPixels(const QWidget& w, int twips) {
    return static_cast<int>(std::lround(twips * PixelsPerTwip(w)));
}
}  // namespace

double PixelsPerTwip(const QWidget& widget) {
    const double dpi = widget.logicalDpiX() > 0 ? widget.logicalDpiX() : 96.0;
    return dpi / 1440.0;
}

MainWindow::MainWindow(const QString& title, QWidget* parent) : QWidget(parent) {
    setWindowTitle(title);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(ToPixels(*this, kWidthTwips), ToPixels(*this, kHeightTwips));

    cmdDummy_ = new QPushButton(this);
    cmdDummy_->setObjectName("cmdDummy");
    cmdDummy_->setGeometry(ToPixels(*this, 10800), 0, ToPixels(*this, 195), ToPixels(*this, 195));
}

void CentreWindow(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const double twips = 1.0 / PixelsPerTwip(window);
    const QSize screenSize = screen->size();
    const QRect frame = window.frameGeometry();
    const auto pos =
        window_position::CentredPosition(screenSize.width() * twips, screenSize.height() * twips,
                                         frame.width() * twips, frame.height() * twips);
    window.move(static_cast<int>(std::lround(pos.Left / twips)),
                static_cast<int>(std::lround(pos.Top / twips)));
}
