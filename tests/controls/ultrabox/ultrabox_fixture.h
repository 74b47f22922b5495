#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <ostream>

#include "ultrabox.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// One application for every test of the executable; widgets need it. Without a platform
// chosen from outside it draws offscreen.
inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ultrabox_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    (void)app;
}

class UltraBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    // The back-buffer pixel at (x, y) as 0xRRGGBB.
    static unsigned Pixel(const UltraBox& box, int x, int y) {
        return box.BackBuffer().pixel(x, y) & 0xFFFFFFu;
    }
};

// 0xRRGGBB for a control colour (red in the lowest byte).
inline unsigned Rgb(OleColor color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}
