#pragma once

#include <QString>

#include "messages.h"
#include "output_folder.h"
#include "run_report.h"

// The words of a batch run's end, translatable: the report, the sign in the title, and the
// message that keeps a run from starting.
namespace run_report_text {

// The report's first line: the count of each outcome, converted to stopped.
QString Summary(const batch::Report& report);
// The sign a run leaves in the window's title: the outcomes that happened, with their counts
// ("12 Dateien konvertiert", "3 konvertiert, 9 übersprungen"); a run that found no file says so.
QString Sign(const batch::Report& report);
// What became of `file`: the reason it failed, was refused or skipped, its warnings, or the
// target it was converted to.
QString Reason(const batch::FileReport& file);
// The whole report: the first line, then the groups of files, those that need a look first.
RunReportText Words(const batch::Report& report);
// Why the output folder `check` cannot take a run; empty when it can.
QString OutputFolderMessage(const batch::OutputFolderCheck& check);

}  // namespace run_report_text
