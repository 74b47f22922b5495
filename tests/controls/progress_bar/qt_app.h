#pragma once

#include <QApplication>
#include <QtGlobal>

// The one QApplication of a test executable, made on first use; without a platform chosen
// from outside it draws offscreen.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "progress_bar_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    return *app;
}
