#pragma once

#include <poll.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch_engine.h"
#include "run_report.h"
#include "transcoder_child.h"

namespace batchtest {

// Stands where the window stands: runs the engine's transcoders for real and feeds their
// progress and ends back from a poll() loop, processes yields and the report in the order
// they were asked for, and writes down every call the engine makes.
class Driver : public batch::EngineHost {
public:
    // Every call, in order. Progress values are written here only while no transcoder runs
    // (the values at each finish, for one at a time); the others go to `between`.
    std::vector<std::string> trace;
    std::vector<int> progress;           // every value set, in order
    std::vector<int> between;            // values set while a transcoder ran
    std::vector<batch::Report> reports;  // every report shown
    std::vector<batch::LaunchRequest> launches;
    std::vector<pid_t> pids;
    int yields = 0;
    int refreshes = 0;
    int mostAtOnce = 0;
    // Called after each launch with the number of launches so far.
    std::function<void(int)> onLaunch;
    // Called after each yield of the closing.
    std::function<void()> onYield;

    batch::Engine* engine = nullptr;
    batch::Report report;
    bool finished = false;

    // Runs one batch to its end and returns its report.
    batch::Report Run(const batch::Setup& setup, const batch::RunInput& input) {
        batch::Engine run(*this, setup, input);
        engine = &run;
        run.Start();
        while (!finished) {
            RunOneStep();
        }
        engine = nullptr;
        return report;
    }

    void SetBusyPointer(bool busy) override { trace.push_back(busy ? "busy" : "idle"); }
    void ShowProgress(bool visible) override { trace.push_back(visible ? "bar" : "nobar"); }
    void SetProgress(int percent) override {
        progress.push_back(percent);
        if (children_.empty()) {
            trace.push_back("progress " + std::to_string(percent));
        } else {
            between.push_back(percent);
        }
    }
    void Yield() override {
        // Consecutive yields are written down once, with their count.
        if (trace.empty() || !trace.back().starts_with("yield")) {
            trace.push_back("yield");
            runOfYields_ = 0;
        }
        trace.back() = "yield x" + std::to_string(++runOfYields_);
        ++yields;
        pending_.push_back([this] {
            if (onYield && yields > 1) {
                onYield();
            }
            engine->Yielded();
        });
    }
    void SetTitle(const std::string& title) override { trace.push_back("title " + title); }
    void Refresh() override {
        ++refreshes;
        trace.push_back("refresh");
    }
    std::string Launch(int slot, const batch::LaunchRequest& request) override {
        trace.push_back("launch " + request.CommandLine);
        launches.push_back(request);
        auto child = std::make_unique<batch::TranscoderChild>(request);
        if (!child->Started()) {
            return child->StartError();
        }
        pids.push_back(child->Pid());
        children_[slot] = std::move(child);
        mostAtOnce = std::max(mostAtOnce, static_cast<int>(children_.size()));
        if (onLaunch) {
            onLaunch(static_cast<int>(launches.size()));
        }
        return {};
    }
    void Terminate(int slot) override {
        trace.push_back("terminate");
        if (const auto found = children_.find(slot); found != children_.end()) {
            found->second->Terminate();
        }
    }
    void ShowReport(const batch::Report& shown) override {
        trace.push_back("report");
        reports.push_back(shown);
        pending_.push_back([this] { engine->ReportClosed(); });
    }
    void Finished(const batch::Report& r) override {
        trace.push_back("finished");
        report = r;
        finished = true;
    }

    // One round of an event loop: what was asked to happen later, else what the
    // transcoders did.
    void RunOneStep() {
        if (!pending_.empty()) {
            auto next = std::move(pending_.front());
            pending_.pop_front();
            next();
            ServiceChildren(0);
            return;
        }
        ServiceChildren(1000);
    }

private:
    void ServiceChildren(int timeoutMs) {
        if (children_.empty()) {
            return;
        }
        std::vector<pollfd> fds;
        for (const auto& [slot, child] : children_) {
            for (const int fd : child->Descriptors()) {
                fds.push_back({fd, POLLIN, 0});
            }
        }
        ::poll(fds.data(), fds.size(), timeoutMs);
        std::vector<int> slots;
        for (const auto& [slot, child] : children_) {
            slots.push_back(slot);
        }
        for (const int slot : slots) {
            const auto found = children_.find(slot);
            if (found == children_.end()) {
                continue;
            }
            const batch::TranscoderChild::Seen seen = found->second->Service();
            if (seen.Share) {
                engine->Progress(slot, *seen.Share);
            }
            if (seen.Ended) {
                const batch::RunResult result = found->second->Result();
                children_.erase(found);
                engine->Ended(slot, result);
            }
        }
    }

    std::map<int, std::unique_ptr<batch::TranscoderChild>> children_;
    std::deque<std::function<void()>> pending_;
    int runOfYields_ = 0;
};

// Writes an executable stand-in transcoder at `path`: a shell script whose body `body` runs
// after $out has been set to the path given after -output and $in to the one after -input.
inline void WriteScript(const std::string& path, const std::string& body) {
    {
        std::ofstream out(path);
        out << "#!/bin/sh\n"
               "in=''; out=''\n"
               "while [ $# -gt 0 ]; do\n"
               "  if [ \"$1\" = -input ]; then in=\"$2\"; fi\n"
               "  if [ \"$1\" = -output ]; then out=\"$2\"; fi\n"
               "  shift\n"
               "done\n"
            << body << "\n";
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// A stand-in that creates an empty output file (unless `writeOutput` is false) and exits
// with `status`.
inline void WriteStandIn(const std::string& path, bool writeOutput = true, int status = 0) {
    WriteScript(
        path, std::string(writeOutput ? ": > \"$out\"\n" : "") + "exit " + std::to_string(status));
}

}  // namespace batchtest

namespace batchtest {

// The names of the files of `report` with `outcome`, their sources' last parts, in run order.
inline std::vector<std::string> SourceNames(const batch::Report& report, batch::Outcome outcome) {
    std::vector<std::string> names;
    for (const batch::FileReport& file : report.With(outcome)) {
        names.push_back(std::filesystem::path(file.Source).filename().string());
    }
    return names;
}

// The same for the targets.
inline std::vector<std::string> TargetNames(const batch::Report& report, batch::Outcome outcome) {
    std::vector<std::string> names;
    for (const batch::FileReport& file : report.With(outcome)) {
        names.push_back(std::filesystem::path(file.Target).filename().string());
    }
    return names;
}

}  // namespace batchtest
