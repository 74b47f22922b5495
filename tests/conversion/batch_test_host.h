#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "batch_run.h"
#include "process.h"

namespace batchtest {

// A host that stands where the window stands: it holds the list and the options as plain
// values, runs the transcoder for real through the blocking launcher, and records what the
// run asks of it.
class RecordingHost : public batch::BatchHost {
public:
    std::vector<batch::Entry> entries;
    std::string folder;
    bool convertAll = false;
    int format = 0;
    std::map<TargetFormat, batch::FormatOptions> options;
    std::map<TargetFormat, std::int16_t> bitrates{
        {TargetFormat::Mp3, 192}, {TargetFormat::Ac3, 384}, {TargetFormat::Mpa, 224}};
    int hideConsole = 1;
    // Asks the run to stop after this many transcoder runs (-1: never).
    int stopAfterRuns = -1;

    // What the run did, in order.
    std::vector<std::string> log;
    std::vector<int> progress;
    std::vector<std::string> commandLines;
    std::vector<std::int16_t> showModes;
    std::vector<std::string> titles;
    int yields = 0;
    int refreshes = 0;
    int bitrateCalls = 0;

    void FocusSink() override { log.push_back("focus"); }
    std::vector<batch::Entry> Entries() override { return entries; }
    std::string Folder() override { return folder; }
    bool ConvertAll() override { return convertAll; }
    int ChosenFormat() override { return format; }
    batch::FormatOptions Options(TargetFormat f) override { return options[f]; }
    std::int16_t Bitrate(TargetFormat f) override {
        ++bitrateCalls;
        return bitrates[f];
    }
    int HideConsole() override { return hideConsole; }
    batch::RunResult Run(const std::string& commandLine, std::int16_t showMode,
                         const std::string& /*sourceName*/) override {
        log.push_back("run");
        commandLines.push_back(commandLine);
        showModes.push_back(showMode);
        const auto status = platform::RunAndWaitStatus(commandLine, 0);
        ++runs_;
        if (!status) {
            return {false, 0, "not found"};
        }
        return {true, *status, {}};
    }
    bool StopRequested() override { return stopAfterRuns >= 0 && runs_ >= stopAfterRuns; }
    void SetBusyPointer(bool busy) override { log.push_back(busy ? "busy" : "idle"); }
    void ShowProgress(bool visible) override { log.push_back(visible ? "bar" : "nobar"); }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void SetBusyHeight(bool busy) override { log.push_back(busy ? "tall" : "short"); }
    void Yield() override {
        if (yields++ == 0) {
            log.push_back("yield");
        }
    }
    void Refresh() override {
        ++refreshes;
        log.push_back("refresh");
    }
    void SetTitle(const std::string& title) override { titles.push_back(title); }

private:
    int runs_ = 0;
};

// Records the messages of a run.
struct RecordingSink : MessageSink {
    struct Shown {
        std::string text;
        MessageKind kind;
        std::string title;
    };
    std::vector<Shown> shown;
    void Show(const std::string& text, MessageKind kind, const std::string& title) override {
        shown.push_back({text, kind, title});
    }
};

// Writes an executable stand-in transcoder at `path` that creates an empty output file
// (unless `writeOutput` is false) and exits with `status`.
inline void WriteStandIn(const std::string& path, bool writeOutput = true, int status = 0) {
    {
        std::ofstream out(path);
        out << "#!/bin/sh\n";
        if (writeOutput) {
            out << "while [ $# -gt 0 ]; do\n"
                   "  if [ \"$1\" = -output ]; then : > \"$2\"; fi\n"
                   "  shift\n"
                   "done\n";
        }
        out << "exit " << status << "\n";
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace batchtest
