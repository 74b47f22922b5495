#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "process.h"

namespace platform {

// Where the child's stdout and stderr go.
enum class ChildOutput {
    Pipe,     // into two pipes that the caller drains (ReadAvailable)
    Inherit,  // into this program's own stdout and stderr
    Discard,  // into /dev/null
};

// How a child is started.
struct ChildOptions {
    ChildOutput output = ChildOutput::Pipe;
    // In a process group of its own, so Terminate and Kill reach whatever it started too;
    // false keeps it in ours (a terminal's Ctrl+C then reaches it as well).
    bool ownProcessGroup = true;
    // "NAME=value" entries set for the child on top of this program's environment.
    std::vector<std::string> environment;
    bool operator==(const ChildOptions&) const = default;
};

// Which of the child's two output streams a chunk came from.
enum class ChildStream { Stdout, Stderr };

// One running program. It reads /dev/null as
// stdin and inherits no descriptor of ours beyond the three standard ones. The object
// owns the child: its destructor stops a child that still runs (SIGTERM, a grace of up to
// two seconds, then SIGKILL), reaps it and closes the pipes, so no child outlives it.
// Nothing here blocks unless its name says it waits.
class ChildProcess {
public:
    // Told every chunk of output as ReadAvailable drains it.
    using OutputHandler = std::function<void(ChildStream, std::string_view)>;

    // Starts `command` (a program without "/" is searched on PATH). Check Started().
    explicit ChildProcess(const ResolvedCommand& command, ChildOptions options = {});
    // Starts command-line text as ResolveCommandLine splits it; text that names no program
    // gives a child that did not start, with ENOENT.
    static ChildProcess FromCommandLine(std::string_view commandLine, ChildOptions options = {});
    // Stops a child that still runs; the handler is dropped before anything else.
    ~ChildProcess() { handler_ = nullptr; }

    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) noexcept = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // True when the program was started (it may have ended since).
    bool Started() const { return child_.Pid() > 0; }
    // Why it could not be started, e.g. "No such file or directory"; empty when started.
    const std::string& StartError() const { return startError_; }
    // The errno of the failed start; 0 when started.
    int StartErrno() const { return startErrno_; }
    // The child's process id (with its own group, also the group's id); -1 when not started.
    pid_t Pid() const { return child_.Pid(); }

    // The read ends of the pipes (non-blocking, close-on-exec), for poll() or a socket
    // notifier; -1 when the output is not piped or the child closed that stream.
    int StdoutFd() const { return out_.Get(); }
    int StderrFd() const { return err_.Get(); }
    // A descriptor that becomes readable when the child ends (a pidfd); -1 when the
    // system offers none or the child was reaped.
    int ExitFd() const { return child_.ExitFd(); }

    // Chunks read from now on go to `handler` as well as into the tails. The destructor
    // drops the handler first and reads nothing more, so the handler may refer to things
    // that die before this object; what the pipes still hold then is lost.
    void SetOutputHandler(OutputHandler handler) { handler_ = std::move(handler); }

    // Reads whatever the pipes hold now, without blocking. True while a pipe is still open.
    // A caller that only polls HasEnded must call this too: a child whose pipe is full
    // (64 KiB) waits until it is read.
    bool ReadAvailable();

    // Checks, without blocking, whether the child has ended, and reaps it when it has.
    // True once it has ended (and for a child that was never started).
    bool HasEnded();

    // Waits up to `timeout` for the child to end, draining the pipes meanwhile.
    // True when it has ended.
    bool WaitFor(std::chrono::milliseconds timeout);

    // Waits, without a limit, for the child to end and drains the pipes to their end.
    // The exit status as ExitStatus() gives it.
    std::optional<int> Wait();

    // 0 to 255 when the child exited, 128 + signal number when a signal ended it; empty
    // while it runs or when it was never started.
    std::optional<int> ExitStatus() const { return status_; }

    // Asks the child (its process group, when it has one) to end with SIGTERM. False when
    // it has already ended.
    bool Terminate();
    // Ends the child (its process group, when it has one) at once with SIGKILL. False when
    // it has already ended.
    bool Kill();

    // The last bytes of each stream read so far (at most kTailBytes).
    const std::string& StdoutTail() const { return outTail_; }
    const std::string& StderrTail() const { return errTail_; }
    // The last non-empty line of stderr read so far (a line ends at "\n" or "\r"),
    // without its line end; empty when there was none.
    std::string LastErrorLine() const;

    static constexpr std::size_t kTailBytes = 8192;

private:
    // A descriptor owned alone: closed with its owner, handed over by a move.
    class UniqueFd {
    public:
        UniqueFd() = default;
        explicit UniqueFd(int fd) : fd_(fd) {}
        ~UniqueFd() { Reset(); }
        UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        UniqueFd& operator=(UniqueFd&& other) noexcept;
        UniqueFd(const UniqueFd&) = delete;
        UniqueFd& operator=(const UniqueFd&) = delete;
        int Get() const { return fd_; }
        void Reset();

    private:
        int fd_ = -1;
    };

    // The child itself: stopped (SIGTERM, up to two seconds, then SIGKILL) and reaped when
    // its owner goes or takes another child, so none outlives this object.
    class OwnedChild {
    public:
        OwnedChild() = default;
        OwnedChild(pid_t pid, bool ownGroup);
        ~OwnedChild() { Stop(); }
        OwnedChild(OwnedChild&& other) noexcept;
        OwnedChild& operator=(OwnedChild&& other) noexcept;
        OwnedChild(const OwnedChild&) = delete;
        OwnedChild& operator=(const OwnedChild&) = delete;

        pid_t Pid() const { return pid_; }
        bool Running() const { return pid_ > 0 && !reaped_; }
        int ExitFd() const { return pidFd_.Get(); }
        // Reaps the child when it has ended; its exit status then, else empty. A child
        // reaped behind our back counts as ended with an unknown status (-1).
        std::optional<int> TryReap();
        bool Signal(int signal) const;

    private:
        void Stop();

        pid_t pid_ = -1;
        bool ownGroup_ = false;
        bool reaped_ = false;
        UniqueFd pidFd_;
    };

    ChildProcess() = default;
    void ReadFrom(UniqueFd& fd, ChildStream stream);

    // The child goes first and is stopped last: the pipes are closed by then, so a child
    // blocked on a full pipe is not waited for in vain.
    OwnedChild child_;
    UniqueFd out_;
    UniqueFd err_;
    std::optional<int> status_;
    std::string startError_;
    int startErrno_ = 0;
    std::string outTail_;
    std::string errTail_;
    OutputHandler handler_;
};

// The number of cores this process may run on (its affinity mask); at least 1.
int UsableCores();

// The exit status the shell would report for a waitpid() status: the exit code, or
// 128 + signal number.
int ExitStatusOf(int waitStatus);

}  // namespace platform
