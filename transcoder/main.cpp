// BeSweet.exe: converts one audio file as its module blocks ask, e.g.
//   BeSweet.exe -core( -input "a.mp3" -output "a.wav" -2ch ) -ssrc( --rate 48000 )
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "pipeline.h"

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fputs(transcoder::UsageText().c_str(), stderr);
        return 2;
    }
    const transcoder::ParseResult parsed = transcoder::ParseOptions(words);
    if (!parsed.options) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", parsed.error.c_str());
        return 2;
    }
    const bool showProgress = isatty(STDOUT_FILENO) != 0;
    int shown = -1;
    auto progress = [&](double share) {
        const int percent = static_cast<int>(share * 100.0);
        if (showProgress && percent != shown) {
            shown = percent;
            std::printf("\r%3d%%", percent);
            std::fflush(stdout);
        }
    };
    auto warn = [](const std::string& text) {
        std::fprintf(stderr, "BeSweet.exe: warning: %s\n", text.c_str());
    };
    std::string error;
    const bool ok = transcoder::Convert(*parsed.options, progress, warn, error);
    if (showProgress && shown >= 0) {
        std::printf("\n");
    }
    if (!ok) {
        std::fprintf(stderr, "BeSweet.exe: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
