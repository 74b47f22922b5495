#pragma once

#include <string>

#include "app_values.h"
#include "settings_location.h"

class MainWindow;

// The arguments after the program name, joined by blanks: the one text the program takes
// (a file path). Empty without arguments.
std::string ArgumentText(int argc, char** argv);

// The file named by the argument text `argument` as start-up takes it: case-adjusted where
// the name as typed does not lead to an existing folder, quotes removed, made absolute against
// the working folder.
std::string CommandLineFile(const std::string& argument);

// Start-up step 6: points the browser at the folder of the file `argument` (selecting the file
// and naming it in the caption) or, without one, at the folder of the last run; then restores
// the target format, the console option, the output folder last chosen (shown once
// chkOutPath is unticked; the box starts ticked) and the skipping of existing targets from the
// settings file `settingsPath`. A step that cannot be carried out is skipped.
void RestoreWindow(MainWindow& window, const AppValues& values, const std::string& argument,
                   const std::string& settingsPath);

// The closing write: "LastDir", "Format", "HideBS", then "OutPath" (when one was chosen) and
// "SkipExisting", in this order, into `files` (the user's file where the program folder
// cannot be written). The file written; empty when none could.
std::string WriteClosingSettings(const MainWindow& window, const AppValues& values,
                                 const settings::SettingsFiles& files);
