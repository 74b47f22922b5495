// The main function of the test executables that need a QApplication for their whole run.
#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

#include "translations.h"

int main(int argc, char** argv) {
    // Listing the tests happens without ctest's environment: draw offscreen unless told.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The window in its own language, German, whatever the environment asks for: its plural
    // forms and Qt's own texts come from the German catalogues. A test that wants another
    // language installs that one over these.
    const Translations german("de", QStringLiteral(TONQUELL_BUILD_DIR "/translations"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
