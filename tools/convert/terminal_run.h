#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "batch_engine.h"
#include "transcoder_child.h"

// The batch engine driven from a terminal: transcoders watched from a poll() loop, the stop
// signals read from a pipe in that loop, each file's problems on stderr as it ends, and on a
// terminal a progress line rewritten in place.
namespace convert_cli {

class TerminalRun : public batch::EngineHost {
public:
    // `progress`: the stream for the progress line (a terminal), or null for none. Problems
    // go to `errors`, the dry run's plan to `plan`.
    TerminalRun(std::FILE* progress, std::FILE* errors, std::FILE* plan);
    ~TerminalRun() override;
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    // Runs one batch to its end and returns its report. SIGINT, SIGTERM and SIGHUP stop it
    // as the window's stop button does; a later one asks the running transcoders again.
    batch::Report Run(const batch::Setup& setup, const batch::RunInput& input);
    // The first stop signal that came, or 0.
    int StopSignal() const { return stopSignal_; }
    // The seconds each transcoder ran, by source path.
    const std::map<std::string, double>& Seconds() const { return seconds_; }
    // The seconds since Run began.
    double Elapsed() const;

    void SetBusyPointer(bool) override {}
    void ShowProgress(bool) override {}
    void SetProgress(int percent) override;
    void Yield() override;
    void SetTitle(const std::string&) override {}
    void Refresh() override {}
    std::string Launch(int slot, const batch::LaunchRequest& request) override;
    void Terminate(int slot) override;
    void ShowReport(const batch::Report& report) override;
    void Finished(const batch::Report& report) override;

private:
    struct Child {
        std::unique_ptr<batch::TranscoderChild> Process;
        std::string Source;
        std::chrono::steady_clock::time_point Began;
        // When it was first asked to end; one that takes too long is ended outright.
        std::optional<std::chrono::steady_clock::time_point> AskedToEnd;
    };
    // Asks `child` to end, and notes when it was first asked.
    static void AskToEnd(Child& child);
    // Ends outright the transcoders that were asked to end long ago and still run.
    void KillStragglers();
    void Step();
    void TakeSignals();
    void Service(int slot);
    // Prints what the files that ended since the last call need said.
    void PrintNewFiles();
    void DrawProgress(bool force);
    void ClearProgress();

    std::FILE* progress_;
    std::FILE* errors_;
    std::FILE* plan_;
    batch::Engine* engine_ = nullptr;
    bool dryRun_ = false;
    bool finished_ = false;
    batch::Report report_;
    std::map<int, Child> children_;
    std::deque<std::function<void()>> pending_;
    std::map<std::string, double> seconds_;
    std::set<std::string> printed_;  // the files already printed
    std::size_t shown_ = 0;          // files of the running report looked at
    int percent_ = 0;
    int stopSignal_ = 0;
    bool lineShown_ = false;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::time_point drawn_;
};

}  // namespace convert_cli
