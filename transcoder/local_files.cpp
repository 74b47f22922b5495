#include "local_files.h"

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

}  // namespace transcoder
