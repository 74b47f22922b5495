// The scan BeSweet.exe makes before decoding an AC-3 source whose output could take more
// channels than the stream begins with, on its own, to be timed from outside against the
// whole conversion (scan_vs_conversion.sh):
//   layout_scan_bench FILE   prints the channels found in all parts of FILE's AC-3 stream
// Exit status 0 when the scan found channels, 1 when it found none.
#include <cstdio>
#include <string>

#include "layout_scan.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: layout_scan_bench FILE\n", stderr);
        return 2;
    }
    const std::vector<AVChannel> roles = transcoder::Ac3StreamRoles(argv[1]);
    for (const AVChannel role : roles) {
        char name[32] = {};
        av_channel_name(name, sizeof name, role);
        std::printf("%s ", name);
    }
    std::printf("\n");
    return roles.empty() ? 1 : 0;
}
