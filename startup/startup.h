#pragma once

#include <memory>
#include <string>

#include "app_values.h"
#include "main_window.h"
#include "messages.h"

// Shows messages in a modal box with an OK button and the kind's icon.
class MessageBoxSink : public MessageSink {
public:
    void Show(const std::string& text, MessageKind kind, const std::string& title) override;
};

// The start-up steps after the single-instance check, on an existing QApplication: warns
// when the transcoder is missing, creates the main window, restores its state from the file
// `argument` (may be empty) and the settings, places and shows it with the focus on its focus
// sink. Closing the window writes the settings. Returns the shown window.
std::unique_ptr<MainWindow> StartUp(const AppValues& values, const std::string& argument = {});

// True when Qt can open windows here: a display is set, or a platform plug-in is chosen.
bool HasDisplay();
