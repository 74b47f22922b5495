#include "startup.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>

#include "paths.h"
#include "restore.h"
#include "run_report_dialog.h"
#include "settings_location.h"
#include "window_icon.h"

void MessageBoxSink::Show(const std::string& text, MessageKind kind, const std::string& title) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
        case MessageKind::Information:
            icon = QMessageBox::Information;
            break;
        case MessageKind::Warning:
            icon = QMessageBox::Warning;
            break;
        case MessageKind::Error:
            icon = QMessageBox::Critical;
            break;
        case MessageKind::Question:
            icon = QMessageBox::Question;
            break;
    }
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

void MessageBoxSink::ShowReport(const RunReportText& report, const std::string& title) {
    RunReportDialog dialog(report, QString::fromStdString(title), parent_);
    dialog.exec();
}

std::unique_ptr<MainWindow> StartUp(const AppValues& values, const std::string& argument) {
    if (!paths::FileExists(values.TranscoderPath)) {
        ShowMessage(
            QCoreApplication::translate(kMessagesContext, TranscoderMissingMessage().c_str())
                .toStdString(),
            MessageKind::Warning, values.AppTitle);
    }
    auto window = std::make_unique<MainWindow>(QString::fromStdString(values.AppTitle));
    QApplication::setWindowIcon(window_icon::ProgramIcon(values.AppPath));  // every window's
    const settings::SettingsFiles files = settings::SettingsFilesFor(values.IniPath);
    RestoreWindow(*window, values, argument, settings::ReadPath(files));
    MainWindow* shown = window.get();
    QObject::connect(shown, &MainWindow::closing, shown,
                     [shown, values, files] { WriteClosingSettings(*shown, values, files); });
    CentreWindow(*window);
    window->show();
    window->activateWindow();
    window->ParkFocus();
    CentreWindow(*window);  // the frame is known once the window is shown
    return window;
}

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && *v != '\0') {
            return true;
        }
    }
    return false;
}
