#pragma once

#include <memory>
#include <string>

#include "app_values.h"
#include "main_window.h"
#include "messages.h"

class QWidget;

// Shows messages in a modal box with an OK button and the kind's icon, and the end-of-run
// report in its own window, modal to the main window.
class MessageBoxSink : public MessageSink {
public:
    void Show(const std::string& text, MessageKind kind, const std::string& title) override;
    void ShowReport(const RunReportText& report, const std::string& title) override;
    // The window the boxes and the report belong to; none until it exists.
    void SetParent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_ = nullptr;
};

// The start-up steps after the single-instance check, on an existing QApplication: warns
// when the transcoder is missing, creates the main window, restores its state from the file
// `argument` (may be empty) and the settings, places and shows it with the focus on its focus
// sink. Closing the window writes the settings. Returns the shown window.
std::unique_ptr<MainWindow> StartUp(const AppValues& values, const std::string& argument = {});

// True when Qt can open windows here: a display is set, or a platform plug-in is chosen.
bool HasDisplay();
