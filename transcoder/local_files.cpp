#include "local_files.h"

#include <sys/stat.h>

#include "wav_sink.h"

namespace transcoder {
namespace {

constexpr char kFilePrefix[] = "file:";
constexpr std::size_t kFilePrefixLength = sizeof kFilePrefix - 1;

}  // namespace

std::string LocalFileUrl(const std::string& path) {
    // FFmpeg's file protocol takes off exactly one prefix, so a local name that starts
    // with "file:" itself keeps it.
    return kFilePrefix + path;
}

std::string LocalFilePath(const std::string& url) {
    return url.starts_with(kFilePrefix) ? url.substr(kFilePrefixLength) : url;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::vector<std::string> OutputNames(const Options& options) {
    std::vector<std::string> names = {options.output};
    if (options.sixWaves) {
        // Back surrounds share the side files' names, so these six cover every source.
        const StreamShape shape{0,
                                {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_FRONT_CENTER,
                                 AV_CHAN_LOW_FREQUENCY, AV_CHAN_SIDE_LEFT, AV_CHAN_SIDE_RIGHT}};
        for (const std::string& name : SixWavNames(options.output, shape)) {
            names.push_back(name);
        }
    }
    return names;
}

Status CheckOutputsSpareInput(const Options& options) {
    for (const std::string& name : OutputNames(options)) {
        if (SameFile(options.input, name)) {
            return Status::BadCall(name == options.output
                                       ? "-input and -output name the same file"
                                       : "-input names one of the files the six-channel "
                                         "profile writes")
                .Of(name);
        }
    }
    return Status::Ok();
}

}  // namespace transcoder
