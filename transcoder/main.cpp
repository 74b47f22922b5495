// BeSweet.exe: converts one audio file as its module blocks ask, e.g.
//   BeSweet.exe -core( -input "a.mp3" -output "a.wav" -2ch ) -ssrc( --rate 48000 )
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "local_files.h"
#include "options.h"
#include "pipeline.h"

namespace {

using transcoder::Status;

// Started by the converter (it names itself in BESWEET_PARENT): ends with it, through the
// same SIGTERM that removes the temporary output, so a killed program leaves no conversion
// behind. Fails when the program that started it has ended already.
Status FollowParent() {
    const char* parent = std::getenv("BESWEET_PARENT");
    if (parent == nullptr) {
        return Status::Ok();
    }
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (std::to_string(::getppid()) != parent) {
        return Status::Failure("the program that started it has ended");
    }
    return Status::Ok();
}

// Prints the share done on stdout: a terminal gets one line rewritten in place; a pipe gets
// a line per percent when asked (--progress), so a reader sees each as it comes.
class ProgressLine {
public:
    explicit ProgressLine(bool asked) : onTerminal_(isatty(STDOUT_FILENO) != 0) {
        shown_ = onTerminal_ || asked;
    }

    void Show(double share) {
        const int percent = static_cast<int>(share * 100.0);
        if (shown_ && percent != last_) {
            last_ = percent;
            std::printf(onTerminal_ ? "\r%3d%%" : "%d%%\n", percent);
            std::fflush(stdout);
        }
    }

    // Ends the line on a terminal.
    void End() const {
        if (onTerminal_ && last_ >= 0) {
            std::printf("\n");
        }
    }

private:
    bool onTerminal_;
    bool shown_ = false;
    int last_ = -1;
};

// Prints `status` as the one error line on stderr and gives its exit status.
int Report(const Status& status) {
    if (!status.ok()) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", status.Line().c_str());
    }
    return status.ExitCode();
}

// Converts as `options` ask, with the progress line and the warnings on the way.
Status Run(const transcoder::Options& options) {
    // FFmpeg's own log lines would mix with ours; every failure is reported as one line.
    av_log_set_level(AV_LOG_QUIET);
    ProgressLine progress(options.progressLines);
    auto warn = [](const std::string& text) {
        std::fprintf(stderr, "BeSweet.exe: warning: %s\n", text.c_str());
    };
    Status status = transcoder::Convert(
        options, [&progress](double share) { progress.Show(share); }, warn);
    progress.End();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (Status followed = FollowParent(); !followed.ok()) {
        return Report(followed);
    }
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fputs(transcoder::UsageText().c_str(), stderr);
        return 2;
    }
    if (const std::optional<std::string> info = transcoder::InfoText(words)) {
        std::fputs(info->c_str(), stdout);
        return 0;
    }
    const transcoder::Result<transcoder::Options> options = transcoder::ParseOptions(words);
    if (!options) {
        return Report(options.status());
    }
    // Writing the source over itself would lose it: refused before anything is created.
    if (Status spared = transcoder::CheckOutputsSpareInput(*options); !spared.ok()) {
        return Report(spared);
    }
    return Report(Run(*options));
}
