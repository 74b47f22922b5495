// tonquell-convert: converts files and folders from a terminal, a script or a cron job, with
// the window's batch engine, target names and tag transfer, and without a window.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app_values.h"
#include "child_process.h"
#include "convert_input.h"
#include "convert_options.h"
#include "convert_text.h"
#include "jobs_setting.h"
#include "replace_file.h"
#include "terminal_run.h"

#ifndef TONQUELL_VERSION
#define TONQUELL_VERSION "unknown"
#endif

namespace {

constexpr const char* kProgram = "tonquell-convert";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "%s: %s (see %s --help)\n", kProgram, problem.c_str(), kProgram);
    return 2;
}

std::string WorkingFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr && errno == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The output folder the run writes into, checked (and made) as the window checks it; a dry
// run makes nothing and takes a missing one as it is. Empty with `problem` set when unusable.
std::string OutputFolder(const convert_cli::Options& options, const std::string& cwd,
                         std::string& problem) {
    if (options.Output.empty()) {
        return {};
    }
    const std::string text = options.Output.starts_with('~')
                                 ? options.Output
                                 : convert_cli::AbsolutePath(options.Output, cwd);
    struct stat st {};
    if (options.DryRun && ::lstat(text.c_str(), &st) != 0 && errno == ENOENT) {
        return text;
    }
    const batch::OutputFolderCheck check = batch::PrepareOutputFolder(text);
    if (!check.Ok()) {
        problem = convert_cli::OutputProblemText(check, options.Output);
        return {};
    }
    return check.Folder;
}

// The setup of the window's batch window: its transcoder, its job-count rule.
batch::Setup SetupFor(const convert_cli::Options& options, const std::string& programFolder) {
    const AppValues window = MakeAppValues(programFolder + "/tonquell");
    batch::Setup setup;
    setup.TranscoderPath = programFolder + "/" + std::string(kTranscoderName);
    setup.AppTitle = std::string(kAppTitle);
    setup.ClosingYields = 0;
    setup.Cores = platform::UsableCores();
    setup.Jobs =
        batch::JobCount(options.Jobs > 0 ? options.Jobs : JobsSetting(window), setup.Cores);
    return setup;
}

// The streams: the progress line goes to a terminal, stderr's first.
std::FILE* ProgressStream() {
    if (::isatty(STDERR_FILENO)) {
        return stderr;
    }
    return ::isatty(STDOUT_FILENO) ? stdout : nullptr;
}

// The paths given that lead nowhere, as failed files of the run, each said on stderr.
std::vector<batch::FileReport> MissingFiles(const convert_cli::ConvertInput& input) {
    std::vector<batch::FileReport> missing;
    for (const convert_cli::MissingPath& path : input.Missing) {
        batch::FileReport file;
        file.Result = batch::Outcome::Failed;
        file.Source = path.Path;
        file.Why = batch::Cause::SourceGone;
        file.Number = path.Errno;
        std::fputs(convert_cli::ProblemLines(file).c_str(), stderr);
        missing.push_back(std::move(file));
    }
    return missing;
}

}  // namespace

int main(int argc, char** argv) {
    ::signal(SIGPIPE, SIG_IGN);
    const convert_cli::Parsed parsed =
        convert_cli::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Value) {
        return Usage(parsed.Error);
    }
    const convert_cli::Options& options = *parsed.Value;
    if (options.Help) {
        std::fputs(convert_cli::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("%s (%s) %s\n", kProgram, std::string(kAppTitle).c_str(), TONQUELL_VERSION);
        return 0;
    }

    const std::string programFolder = FolderOf(RunningExecutablePath());
    const std::string cwd = WorkingFolder();
    const batch::Setup setup = SetupFor(options, programFolder);
    if (!options.DryRun && ::access(setup.TranscoderPath.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s: the transcoder '%s' cannot be run: %s\n", kProgram,
                     setup.TranscoderPath.c_str(), std::strerror(errno));
        return 2;
    }
    const std::string reportFile =
        options.ReportFile.empty() ? "" : convert_cli::AbsolutePath(options.ReportFile, cwd);
    if (!reportFile.empty() && ::access(FolderOf(reportFile).c_str(), W_OK) != 0) {
        std::fprintf(stderr, "%s: report file '%s' cannot be written: %s\n", kProgram,
                     options.ReportFile.c_str(), std::strerror(errno));
        return 2;
    }
    std::string problem;
    const std::string output = OutputFolder(options, cwd, problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, problem.c_str());
        return 2;
    }

    const convert_cli::ConvertInput input = convert_cli::ConvertInputFor(options, cwd, output);
    const std::vector<batch::FileReport> missing = MissingFiles(input);

    convert_cli::TerminalRun run(ProgressStream(), stderr, stdout);
    batch::Report report = run.Run(setup, input.Input);
    const double seconds = run.Elapsed();
    report.Files.insert(report.Files.begin(), missing.begin(), missing.end());
    const int status =
        run.StopSignal() != 0 ? 128 + run.StopSignal() : convert_cli::ExitStatusOf(report);

    std::printf("%s\n", convert_cli::SummaryLine(report, seconds, options.DryRun).c_str());
    std::fflush(stdout);
    const std::string json =
        convert_cli::JsonReport(report, run.Seconds(), seconds, options.DryRun, status);
    if (!reportFile.empty() && !platform::ReplaceFile(reportFile, json, 0644)) {
        std::fprintf(stderr, "%s: report file '%s' not written: %s\n", kProgram,
                     options.ReportFile.c_str(), std::strerror(errno));
        return status == 0 ? 1 : status;
    }
    return status;
}
