#include "terminal_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "convert_text.h"

namespace convert_cli {
namespace {

// The pipe the stop signals' handler writes their numbers into; read in the poll loop.
int gSignalPipe[2] = {-1, -1};

void OnStopSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

void CatchStopSignals() {
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

// How often the progress line is drawn again while nothing else happens.
constexpr auto kRedraw = std::chrono::milliseconds(500);

// How long a transcoder asked to end may take before it is ended outright, as in the window.
constexpr auto kKillAfter = std::chrono::seconds(10);

// The columns of the terminal `stream` shows on, less one so the cursor never wraps; 79
// where it does not say.
std::size_t WidthOf(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        return size.ws_col - 1u;
    }
    return 79;
}

}  // namespace

TerminalRun::TerminalRun(std::FILE* progress, std::FILE* errors, std::FILE* plan)
    : progress_(progress), errors_(errors), plan_(plan) {
    CatchStopSignals();
}

TerminalRun::~TerminalRun() = default;

batch::Report TerminalRun::Run(const batch::Setup& setup, const batch::RunInput& input) {
    began_ = std::chrono::steady_clock::now();
    dryRun_ = input.DryRun;
    batch::Engine run(*this, setup, input);
    engine_ = &run;
    run.Start();
    while (!finished_) {
        Step();
    }
    engine_ = nullptr;
    ClearProgress();
    return report_;
}

double TerminalRun::Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began_).count();
}

void TerminalRun::SetProgress(int percent) {
    percent_ = percent;
    PrintNewFiles();
    DrawProgress(false);
}

void TerminalRun::Yield() {
    pending_.push_back([this] { engine_->Yielded(); });
}

std::string TerminalRun::Launch(int slot, const batch::LaunchRequest& request) {
    auto child = std::make_unique<batch::TranscoderChild>(request);
    if (!child->Started()) {
        return child->StartError();
    }
    children_[slot] = {std::move(child), engine_->SourceOf(slot), std::chrono::steady_clock::now(),
                       std::nullopt};
    return {};
}

void TerminalRun::Terminate(int slot) {
    if (const auto found = children_.find(slot); found != children_.end()) {
        AskToEnd(found->second);
    }
}

void TerminalRun::AskToEnd(Child& child) {
    child.Process->Terminate();
    if (!child.AskedToEnd) {
        child.AskedToEnd = std::chrono::steady_clock::now();
    }
}

void TerminalRun::KillStragglers() {
    const auto now = std::chrono::steady_clock::now();
    for (auto& [slot, child] : children_) {
        if (child.AskedToEnd && now - *child.AskedToEnd >= kKillAfter) {
            child.Process->Kill();
        }
    }
}

void TerminalRun::ShowReport(const batch::Report&) {
    pending_.push_back([this] { engine_->ReportClosed(); });
}

void TerminalRun::Finished(const batch::Report& report) {
    report_ = report;
    PrintNewFiles();
    finished_ = true;
}

void TerminalRun::Step() {
    TakeSignals();
    if (!pending_.empty()) {
        auto next = std::move(pending_.front());
        pending_.pop_front();
        next();
        return;
    }
    std::vector<pollfd> fds = {{gSignalPipe[0], POLLIN, 0}};
    for (const auto& [slot, child] : children_) {
        for (const int fd : child.Process->Descriptors()) {
            fds.push_back({fd, POLLIN, 0});
        }
    }
    // Woken now and then in any case: for the progress line, and for a transcoder whose end
    // is seen only by asking.
    ::poll(fds.data(), fds.size(), static_cast<int>(kRedraw.count()));
    // A stop that came with a transcoder's end is taken first: the file counts as stopped.
    TakeSignals();
    std::vector<int> slots;
    for (const auto& [slot, child] : children_) {
        slots.push_back(slot);
    }
    for (const int slot : slots) {
        Service(slot);
    }
    KillStragglers();
    DrawProgress(false);
}

void TerminalRun::TakeSignals() {
    std::array<char, 64> taken{};
    ssize_t n = 0;
    while ((n = ::read(gSignalPipe[0], taken.data(), taken.size())) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (stopSignal_ == 0) {
                stopSignal_ = taken[static_cast<std::size_t>(i)];
                if (engine_) {
                    engine_->Stop();
                }
            } else {
                // Asked again: the transcoders are asked again; each still takes its
                // temporary output away before it ends.
                for (auto& [slot, child] : children_) {
                    AskToEnd(child);
                }
            }
        }
    }
}

void TerminalRun::Service(int slot) {
    const auto found = children_.find(slot);
    if (found == children_.end()) {
        return;
    }
    const batch::TranscoderChild::Seen seen = found->second.Process->Service();
    if (seen.Share) {
        engine_->Progress(slot, *seen.Share);
    }
    if (!seen.Ended) {
        return;
    }
    const batch::RunResult result = found->second.Process->Result();
    seconds_[found->second.Source] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - found->second.Began)
            .count();
    children_.erase(found);
    engine_->Ended(slot, result);
    PrintNewFiles();
}

void TerminalRun::PrintNewFiles() {
    // While the run goes on its files are listed in the order they ended; the final report is
    // sorted into run order, so from there on each file is told by what it says.
    const std::vector<batch::FileReport>& files =
        engine_ && !finished_ ? engine_->report().Files : report_.Files;
    std::vector<const batch::FileReport*> fresh;
    const std::size_t from = finished_ ? 0 : std::min(shown_, files.size());
    shown_ = files.size();
    for (std::size_t i = from; i < files.size(); ++i) {
        const batch::FileReport& file = files[i];
        const std::string key =
            file.Source + '\n' + file.Target + '\n' + std::to_string(static_cast<int>(file.Result));
        if (printed_.insert(key).second) {
            fresh.push_back(&file);
        }
    }
    if (fresh.empty()) {
        return;
    }
    ClearProgress();
    for (const batch::FileReport* file : fresh) {
        if (dryRun_) {
            std::fprintf(plan_, "%s\n", PlanLine(*file).c_str());
        } else {
            std::fputs(ProblemLines(*file).c_str(), errors_);
        }
    }
    std::fflush(plan_);
    std::fflush(errors_);
    DrawProgress(true);
}

void TerminalRun::DrawProgress(bool force) {
    if (!progress_ || !engine_ || finished_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && lineShown_ && now - drawn_ < kRedraw) {
        return;
    }
    drawn_ = now;
    const batch::Report& report = engine_->report();
    std::vector<std::string> running;
    for (const auto& [slot, child] : children_) {
        running.push_back(child.Source);
    }
    const std::string line =
        ProgressLine(report.Done, report.Total, running, percent_, Elapsed(), WidthOf(progress_));
    std::fprintf(progress_, "\r\033[K%s", line.c_str());
    std::fflush(progress_);
    lineShown_ = true;
}

void TerminalRun::ClearProgress() {
    if (progress_ && lineShown_) {
        std::fputs("\r\033[K", progress_);
        std::fflush(progress_);
        lineShown_ = false;
    }
}

}  // namespace convert_cli
