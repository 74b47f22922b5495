// The main function of the test executables that need a QApplication for their whole run.
#include "qt_test_main.h"

#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

std::optional<Translations>& testing_support::TestCatalogues() {
    static std::optional<Translations> catalogues;
    return catalogues;
}

int main(int argc, char** argv) {
    // Listing the tests happens without ctest's environment: draw offscreen unless told.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The window in its own language, German, whatever the environment asks for: its plural
    // forms and Qt's own texts come from the German catalogues.
    testing_support::TestCatalogues().emplace("de",
                                              QStringLiteral(TONQUELL_BUILD_DIR "/translations"));
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    testing_support::TestCatalogues().reset();  // before the application goes
    return status;
}
