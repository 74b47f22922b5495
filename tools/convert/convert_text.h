#pragma once

#include <map>
#include <string>
#include <vector>

#include "output_folder.h"
#include "run_report.h"

// What tonquell-convert prints and writes, made from the run's report: English, for scripts
// and terminals, one line per file.
namespace convert_cli {

// The outcome's word: "converted", "warned", "skipped", "refused", "failed" or "stopped".
std::string OutcomeWord(batch::Outcome outcome);

// Why `file` did not simply convert, in words; empty for a plain conversion.
std::string ReasonText(const batch::FileReport& file);

// The stderr lines for `file`: one per warning of a warned file, one for a failed, refused
// or stopped file, none for one converted or skipped. Each names the program and the file.
std::string ProblemLines(const batch::FileReport& file);

// The dry run's line for `file`: "SOURCE -> TARGET", or the source with what the run would
// do instead ("skip", "refuse", "fail") and why.
std::string PlanLine(const batch::FileReport& file);

// `seconds` as "m:ss", or "h:mm:ss" from an hour on.
std::string Clock(double seconds);

// The line rewritten in place on a terminal: files done of the total, how many run now, the
// time since the start and, once `percent` of the work is done, an estimate of what is left;
// then the names of the files running (`running`, their last path parts), cut at `width`
// bytes on a character's boundary so that the line never wraps. While the files are counted
// (`total` 0) it says so.
std::string ProgressLine(int done, int total, const std::vector<std::string>& running, int percent,
                         double elapsed, std::size_t width);

// The final line: the files of the run, the count of each outcome that occurred, the time.
// A dry run counts what it would do; a stopped run says so.
std::string SummaryLine(const batch::Report& report, double seconds, bool dryRun);

// The run's JSON report: per file its source, target, outcome, reason, warnings and the
// seconds its transcoder ran (`seconds`, by source; 0 for a file that ran none), then a
// summary with the counts, the time, whether it was a dry run or stopped, and `exitStatus`.
std::string JsonReport(const batch::Report& report, const std::map<std::string, double>& seconds,
                       double total, bool dryRun, int exitStatus);

// Why the output folder `check` for `given` cannot take the run, as one line without the
// program's name.
std::string OutputProblemText(const batch::OutputFolderCheck& check, const std::string& given);

// The exit status the report stands for: 0 when every file converted or was skipped, 1 when
// any failed, was refused or was stopped.
int ExitStatusOf(const batch::Report& report);

}  // namespace convert_cli
