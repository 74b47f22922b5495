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

int main(int argc, char** argv) {
    // Started by the converter (it names itself here): end with it, through the same SIGTERM
    // that removes our temporary output, so a killed program leaves no conversion behind.
    if (const char* parent = std::getenv("BESWEET_PARENT")) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (std::to_string(::getppid()) != parent) {
            std::fputs("BeSweet.exe: the program that started it has ended\n", stderr);
            return 1;
        }
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
    const transcoder::ParseResult parsed = transcoder::ParseOptions(words);
    if (!parsed.options) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", parsed.error.c_str());
        return 2;
    }
    // Writing the source over itself would lose it: refused before anything is created.
    const std::string clash = transcoder::InputAsOutputError(*parsed.options);
    if (!clash.empty()) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", clash.c_str());
        return 2;
    }
    // FFmpeg's own log lines would mix with ours; every failure is reported as one line.
    av_log_set_level(AV_LOG_QUIET);
    // A terminal gets one line rewritten in place; a pipe (--progress) gets a line per
    // percent, so a reader sees each as it comes.
    const bool onTerminal = isatty(STDOUT_FILENO) != 0;
    const bool showProgress = onTerminal || parsed.options->progressLines;
    int shown = -1;
    auto progress = [&](double share) {
        const int percent = static_cast<int>(share * 100.0);
        if (showProgress && percent != shown) {
            shown = percent;
            std::printf(onTerminal ? "\r%3d%%" : "%d%%\n", percent);
            std::fflush(stdout);
        }
    };
    auto warn = [](const std::string& text) {
        std::fprintf(stderr, "BeSweet.exe: warning: %s\n", text.c_str());
    };
    const transcoder::Status status = transcoder::Convert(*parsed.options, progress, warn);
    if (onTerminal && shown >= 0) {
        std::printf("\n");
    }
    if (!status.ok()) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", status.reason().c_str());
        return 1;
    }
    return 0;
}
