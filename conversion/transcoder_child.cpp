#include "transcoder_child.h"

#include <unistd.h>

#include <utility>

namespace batch {
namespace {

platform::ChildProcess StartChild(const LaunchRequest& request) {
    platform::ChildOptions options;
    options.environment.push_back(TranscoderChild::ParentEntry(::getpid()));
    if (request.Threads > 0) {
        options.environment.push_back("BESWEET_THREADS=" + std::to_string(request.Threads));
    }
    std::optional<platform::ResolvedCommand> command;
    if (!request.Words.empty()) {
        command = platform::ResolvedCommand{request.Words.front(),
                                            {request.Words.begin() + 1, request.Words.end()}};
    } else {
        command = platform::ResolveCommandLine(request.CommandLine);
    }
    if (!command) {
        return platform::ChildProcess::FromCommandLine("", options);
    }
    command->args.push_back("--progress");
    return platform::ChildProcess(*command, options);
}

// Calls `line` for every complete line in `pending` + `bytes` and keeps the rest.
template <class Line>
void SplitLines(std::string& pending, std::string_view bytes, Line line) {
    pending.append(bytes);
    std::size_t begin = 0;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i] == '\n' || pending[i] == '\r') {
            if (i > begin) {
                line(std::string_view(pending).substr(begin, i - begin));
            }
            begin = i + 1;
        }
    }
    pending.erase(0, begin);
    // A line this long is no progress line or warning; it is not kept whole.
    constexpr std::size_t kLongestLine = 4096;
    if (pending.size() > kLongestLine) {
        pending.clear();
    }
}

}  // namespace

std::optional<double> ProgressShare(std::string_view line) {
    if (line.size() < 2 || line.size() > 4 || line.back() != '%') {
        return std::nullopt;
    }
    int percent = 0;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return std::nullopt;
        }
        percent = percent * 10 + (line[i] - '0');
    }
    if (percent > 100) {
        return std::nullopt;
    }
    return percent / 100.0;
}

std::optional<std::string> WarningText(std::string_view line) {
    constexpr std::string_view kPrefix = "BeSweet.exe: warning: ";
    if (!line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    line.remove_prefix(kPrefix.size());
    // The file is the one the run names anyway.
    if (line.starts_with('\'')) {
        const std::size_t end = line.find("': ");
        if (end != std::string_view::npos) {
            line.remove_prefix(end + 3);
        }
    }
    return std::string(line);
}

TranscoderChild::TranscoderChild(const LaunchRequest& request) : process_(StartChild(request)) {
    process_.SetOutputHandler(
        [this](platform::ChildStream stream, std::string_view bytes) { Take(stream, bytes); });
}

std::string TranscoderChild::ParentEntry(pid_t parent) {
    return "BESWEET_PARENT=" + std::to_string(parent);
}

void TranscoderChild::SetConsole(std::function<void(std::string_view)> console) {
    console_ = std::move(console);
}

void TranscoderChild::Take(platform::ChildStream stream, std::string_view bytes) {
    if (console_) {
        console_(bytes);
    }
    if (stream == platform::ChildStream::Stdout) {
        SplitLines(outLine_, bytes, [this](std::string_view line) {
            if (const std::optional<double> share = ProgressShare(line)) {
                share_ = share;
            }
        });
    } else {
        SplitLines(errLine_, bytes, [this](std::string_view line) {
            if (std::optional<std::string> warning = WarningText(line)) {
                warnings_.push_back(std::move(*warning));
            }
        });
    }
}

std::vector<int> TranscoderChild::Descriptors() const {
    std::vector<int> fds;
    for (const int fd : {process_.StdoutFd(), process_.StderrFd(), process_.ExitFd()}) {
        if (fd >= 0) {
            fds.push_back(fd);
        }
    }
    return fds;
}

TranscoderChild::Seen TranscoderChild::Service() {
    Seen seen;
    if (ended_) {
        seen.Ended = true;
        return seen;
    }
    process_.ReadAvailable();
    if (process_.HasEnded()) {
        // What it wrote last is in the pipes now.
        process_.Wait();
        ended_ = true;
        seen.Ended = true;
        // A last line without its line end still counts.
        Take(platform::ChildStream::Stderr, "\n");
    }
    seen.Share = std::exchange(share_, std::nullopt);
    return seen;
}

RunResult TranscoderChild::Result() const {
    RunResult result;
    result.Started = process_.Started();
    if (!result.Started) {
        result.Reason = process_.StartError();
        return result;
    }
    result.ExitStatus = process_.ExitStatus().value_or(128 + 9);
    result.Reason = process_.LastErrorLine();
    if (result.ExitStatus == 0) {
        result.Warnings = warnings_;
    }
    return result;
}

}  // namespace batch
