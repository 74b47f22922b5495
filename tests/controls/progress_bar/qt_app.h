#pragma once

#include <QApplication>

// The one QApplication of a test executable, made on first use.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "progress_bar_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
