#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A pair of pipe ends, closed at the end of its scope unless taken.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() = default;
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        CloseIfOpen(read);
        CloseIfOpen(write);
    }
    // Both ends close-on-exec; only ours is non-blocking (the child writes as usual).
    bool Open() {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        read = fds[0];
        write = fds[1];
        const int flags = ::fcntl(read, F_GETFL);
        return flags >= 0 && ::fcntl(read, F_SETFL, flags | O_NONBLOCK) == 0;
    }
    int TakeRead() { return std::exchange(read, -1); }
    static void CloseIfOpen(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

// posix_spawn's two records, released at the end of their scope.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attr{};
    bool actionsOk = false;
    bool attrOk = false;
    SpawnSetup() {
        actionsOk = posix_spawn_file_actions_init(&actions) == 0;
        attrOk = posix_spawnattr_init(&attr) == 0;
    }
    ~SpawnSetup() {
        if (actionsOk) {
            posix_spawn_file_actions_destroy(&actions);
        }
        if (attrOk) {
            posix_spawnattr_destroy(&attr);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

std::string ErrnoText(int err) {
    return std::strerror(err);
}

void AppendTail(std::string& tail, std::string_view chunk) {
    if (chunk.size() >= ChildProcess::kTailBytes) {
        tail.assign(chunk.substr(chunk.size() - ChildProcess::kTailBytes));
        return;
    }
    tail.append(chunk);
    if (tail.size() > ChildProcess::kTailBytes) {
        tail.erase(0, tail.size() - ChildProcess::kTailBytes);
    }
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 1 << 30));
}

// The program and its arguments, as the child's argv holds them.
std::vector<std::string> WordsOf(const ResolvedCommand& command) {
    std::vector<std::string> words;
    words.reserve(command.args.size() + 1);
    words.push_back(command.program);
    words.insert(words.end(), command.args.begin(), command.args.end());
    return words;
}

// Pointers into `words`, closed by a null pointer; valid while `words` is left alone.
std::vector<char*> PointersTo(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    pointers.reserve(words.size() + 1);
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// stdin from /dev/null, stdout and stderr as `output` says, nothing else of ours.
void AddFileActions(posix_spawn_file_actions_t& actions, ChildOutput output, const Pipe& out,
                    const Pipe& err) {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    switch (output) {
        case ChildOutput::Pipe:
            posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
            posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
            break;
        case ChildOutput::Discard:
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
            break;
        case ChildOutput::Inherit:
            break;
    }
    // No descriptor of ours beyond the three standard ones reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
}

// Default signal handling and an empty mask, whatever ours are; a group of its own if asked.
void SetAttributes(posix_spawnattr_t& attr, bool ownProcessGroup) {
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) {
        sigaddset(&defaults, s);
    }
    posix_spawnattr_setsigdefault(&attr, &defaults);
    if (ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);
}

// Our environment with `entries` ("NAME=value") taking the place of any of the same name,
// closed by a null pointer; empty when there are no entries (the child then gets ours).
// Valid while `entries` and our environment are left alone.
std::vector<char*> EnvironmentWith(std::vector<std::string>& entries) {
    std::vector<char*> env;
    if (entries.empty()) {
        return env;
    }
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view name = nameOf(*e);
        const bool replaced =
            std::any_of(entries.begin(), entries.end(),
                        [&](const std::string& mine) { return nameOf(mine) == name; });
        if (!replaced) {
            env.push_back(*e);
        }
    }
    for (std::string& entry : entries) {
        env.push_back(entry.data());
    }
    env.push_back(nullptr);
    return env;
}

}  // namespace

int UsableCores() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (::sched_getaffinity(0, sizeof cores, &cores) != 0) {
        return 1;
    }
    return std::max(1, CPU_COUNT(&cores));
}

int ExitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    if (WIFSIGNALED(waitStatus)) {
        return 128 + WTERMSIG(waitStatus);
    }
    return 255;
}

ChildProcess::ChildProcess(const ResolvedCommand& command, ChildOptions options) {
    auto fail = [this](int err) {
        startErrno_ = err;
        startError_ = ErrnoText(err);
    };
    std::vector<std::string> words = WordsOf(command);
    std::vector<char*> argv = PointersTo(words);

    Pipe out;
    Pipe err;
    if (options.output == ChildOutput::Pipe && (!out.Open() || !err.Open())) {
        fail(errno);
        return;
    }
    SpawnSetup setup;
    if (!setup.actionsOk || !setup.attrOk) {
        fail(ENOMEM);
        return;
    }
    AddFileActions(setup.actions, options.output, out, err);
    SetAttributes(setup.attr, options.ownProcessGroup);
    std::vector<char*> env = EnvironmentWith(options.environment);
    char** const childEnv = env.empty() ? environ : env.data();

    pid_t pid = 0;
    const bool hasSlash = command.program.find('/') != std::string::npos;
    const auto spawn = hasSlash ? posix_spawn : posix_spawnp;
    const int rc =
        spawn(&pid, command.program.c_str(), &setup.actions, &setup.attr, argv.data(), childEnv);
    if (rc != 0) {
        fail(rc);
        return;
    }
    child_ = OwnedChild(pid, options.ownProcessGroup);
    out_ = UniqueFd(out.TakeRead());
    err_ = UniqueFd(err.TakeRead());
    // The write ends close with `out` and `err`: the child holds the only copies.
}

ChildProcess ChildProcess::FromCommandLine(std::string_view commandLine, ChildOptions options) {
    const std::optional<ResolvedCommand> resolved = ResolveCommandLine(commandLine);
    if (resolved) {
        return ChildProcess(*resolved, options);
    }
    ChildProcess none;
    none.startErrno_ = ENOENT;
    none.startError_ = ErrnoText(ENOENT);
    return none;
}

ChildProcess::UniqueFd& ChildProcess::UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void ChildProcess::UniqueFd::Reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ChildProcess::OwnedChild::OwnedChild(pid_t pid, bool ownGroup) : pid_(pid), ownGroup_(ownGroup) {
    // Through syscall(): the C library's declaration of pidfd_open is not usable from C++
    // everywhere. Kernels before 5.3 have none; then the end is found by asking.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (fd >= 0) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        pidFd_ = UniqueFd(fd);
    }
}

ChildProcess::OwnedChild::OwnedChild(OwnedChild&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      ownGroup_(other.ownGroup_),
      reaped_(other.reaped_),
      pidFd_(std::move(other.pidFd_)) {}

ChildProcess::OwnedChild& ChildProcess::OwnedChild::operator=(OwnedChild&& other) noexcept {
    if (this != &other) {
        Stop();
        pid_ = std::exchange(other.pid_, -1);
        ownGroup_ = other.ownGroup_;
        reaped_ = other.reaped_;
        pidFd_ = std::move(other.pidFd_);
    }
    return *this;
}

std::optional<int> ChildProcess::OwnedChild::TryReap() {
    if (!Running()) {
        return std::nullopt;
    }
    int waitStatus = 0;
    pid_t r = 0;
    do {
        r = ::waitpid(pid_, &waitStatus, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) {
        return std::nullopt;
    }
    reaped_ = true;
    pidFd_.Reset();
    return r == pid_ ? ExitStatusOf(waitStatus) : -1;
}

bool ChildProcess::OwnedChild::Signal(int signal) const {
    if (!Running()) {
        return false;
    }
    if (ownGroup_ && ::kill(-pid_, signal) == 0) {
        return true;
    }
    return ::kill(pid_, signal) == 0;
}

void ChildProcess::OwnedChild::Stop() {
    if (!Running() || TryReap()) {
        return;
    }
    Signal(SIGTERM);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (Running() && !TryReap() && RemainingMs(deadline) > 0) {
        if (pidFd_.Get() >= 0) {
            pollfd ended{pidFd_.Get(), POLLIN, 0};
            ::poll(&ended, 1, RemainingMs(deadline));
        } else {
            ::usleep(10000);
        }
    }
    if (Running()) {
        Signal(SIGKILL);
        int waitStatus = 0;
        while (::waitpid(pid_, &waitStatus, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        pidFd_.Reset();
    }
}

void ChildProcess::ReadFrom(UniqueFd& fd, ChildStream stream) {
    std::array<char, 65536> buffer{};
    while (fd.Get() >= 0) {
        const ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
        if (n > 0) {
            const std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
            AppendTail(stream == ChildStream::Stdout ? outTail_ : errTail_, chunk);
            if (handler_) {
                handler_(stream, chunk);
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {  // the end of the stream, or a pipe that cannot be read any more
            fd.Reset();
        }
    }
}

bool ChildProcess::ReadAvailable() {
    ReadFrom(out_, ChildStream::Stdout);
    ReadFrom(err_, ChildStream::Stderr);
    return out_.Get() >= 0 || err_.Get() >= 0;
}

bool ChildProcess::HasEnded() {
    if (!child_.Running()) {
        return true;
    }
    if (const std::optional<int> status = child_.TryReap()) {
        if (*status >= 0) {
            status_ = *status;
        }
        return true;
    }
    return false;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    const bool unlimited = timeout.count() < 0;
    const Clock::time_point deadline =
        Clock::now() + (unlimited ? std::chrono::milliseconds(0) : timeout);
    // Without a pidfd the end of the child is only seen by asking now and then.
    constexpr int kPollStepMs = 10;
    while (!HasEnded()) {
        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        for (const int fd : {out_.Get(), err_.Get(), child_.ExitFd()}) {
            if (fd >= 0) {
                fds[count++] = pollfd{fd, POLLIN, 0};
            }
        }
        int waitMs = unlimited ? -1 : RemainingMs(deadline);
        if (child_.ExitFd() < 0 && (waitMs < 0 || waitMs > kPollStepMs)) {
            waitMs = kPollStepMs;
        }
        if (!unlimited && RemainingMs(deadline) == 0) {
            ReadAvailable();
            return HasEnded();
        }
        if (::poll(fds.data(), count, waitMs) < 0 && errno != EINTR) {
            return HasEnded();
        }
        ReadAvailable();
    }
    // What the child wrote before it ended is in the pipes now; take it.
    ReadAvailable();
    return true;
}

std::optional<int> ChildProcess::Wait() {
    WaitFor(std::chrono::milliseconds(-1));
    return status_;
}

bool ChildProcess::Terminate() {
    return child_.Signal(SIGTERM);
}

bool ChildProcess::Kill() {
    return child_.Signal(SIGKILL);
}

std::string ChildProcess::LastErrorLine() const {
    std::size_t end = errTail_.size();
    while (end > 0) {
        while (end > 0 && (errTail_[end - 1] == '\n' || errTail_[end - 1] == '\r')) {
            --end;
        }
        std::size_t begin = end;
        while (begin > 0 && errTail_[begin - 1] != '\n' && errTail_[begin - 1] != '\r') {
            --begin;
        }
        if (begin < end) {
            return errTail_.substr(begin, end - begin);
        }
    }
    return {};
}

}  // namespace platform
