#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch_engine.h"
#include "child_process.h"

namespace batch {

// One transcoder started for the batch run, watched without blocking: the caller waits for
// its descriptors (poll or a socket notifier) and calls Service when one is readable. The
// transcoder runs with its progress lines on (one "NN%" line per percent on stdout), is told
// this program's process id so it ends when the program dies, and gets the thread count of
// the request. Destroying the object stops a transcoder that still runs.
class TranscoderChild {
public:
    // What Service saw.
    struct Seen {
        std::optional<double> Share;  // the newest progress share (0 to 1), if one came
        bool Ended = false;           // the transcoder has ended (Result is final)
    };

    // Starts the transcoder of `request`. Check Started().
    explicit TranscoderChild(const LaunchRequest& request);
    TranscoderChild(const TranscoderChild&) = delete;
    TranscoderChild& operator=(const TranscoderChild&) = delete;

    bool Started() const { return process_.Started(); }
    // Why it could not be started; empty when started.
    const std::string& StartError() const { return process_.StartError(); }
    pid_t Pid() const { return process_.Pid(); }

    // The descriptors to wait for: the output pipes while open, and one that becomes
    // readable when the child ends (when the system offers one). A descriptor not listed
    // any more has been closed; stop watching it before anything else opens one.
    std::vector<int> Descriptors() const;
    // True when the end of the child is seen only by calling Service now and then.
    bool NeedsPolling() const { return process_.Started() && process_.ExitFd() < 0; }

    // Takes what the child wrote and checks, without blocking, whether it has ended.
    Seen Service();

    // How it ended; meaningful once Service has seen the end.
    RunResult Result() const;

    // Asks the transcoder to end (SIGTERM): it removes its temporary output.
    void Terminate() { process_.Terminate(); }
    // Ends it at once (SIGKILL), for one that does not heed Terminate.
    void Kill() { process_.Kill(); }

    // Every chunk the child writes goes to `console` too (its console window).
    void SetConsole(std::function<void(std::string_view)> console);

    // The environment entry that tells a transcoder to end when process `parent` ends.
    static std::string ParentEntry(pid_t parent);

private:
    void Take(platform::ChildStream stream, std::string_view bytes);

    platform::ChildProcess process_;
    std::function<void(std::string_view)> console_;
    std::string outLine_;  // stdout bytes after the last line end
    std::string errLine_;  // stderr bytes after the last line end
    std::optional<double> share_;
    std::vector<std::string> warnings_;
    bool ended_ = false;
};

// The share a progress line such as "42%" stands for; empty for any other line.
std::optional<double> ProgressShare(std::string_view line);

// What a transcoder's warning line ("BeSweet.exe: warning: 'FILE': WHAT") says, without
// the program's name and the file; empty for a line that is not a warning.
std::optional<std::string> WarningText(std::string_view line);

}  // namespace batch
