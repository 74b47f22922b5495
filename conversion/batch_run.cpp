#include "batch_run.h"

#include <algorithm>
#include <cmath>

namespace batch {
namespace {

bool IsEligible(const Entry& entry, bool convertAll) {
    return (convertAll || entry.Selected) && !entry.Folder;
}

}  // namespace

int CountEligible(const std::vector<Entry>& entries, bool convertAll) {
    int total = 0;
    for (const Entry& entry : entries) {
        total += IsEligible(entry, convertAll) ? 1 : 0;
    }
    return total;
}

std::string TargetExtension(TargetFormat format) {
    switch (format) {
        case TargetFormat::Wav:
            return ".wav";
        case TargetFormat::Mp3:
            return ".mp3";
        case TargetFormat::Ac3:
            return ".ac3";
        case TargetFormat::Mpa:
            return ".mpa";
    }
    return ".wav";
}

int ProgressPercent(int total, int done) {
    if (total <= 0) {
        return 0;
    }
    const double perFile = 100.0 / static_cast<double>(total);
    return static_cast<int>(std::floor(perFile * static_cast<double>(done)));
}

int JobCount(int setting, int cores) {
    // More transcoders than cores only take turns; past eight, the disk is the limit.
    constexpr int kMostFromCores = 8;
    constexpr int kMostFromSetting = 64;
    return setting >= 1 ? std::min(setting, kMostFromSetting)
                        : std::clamp(cores, 1, kMostFromCores);
}

}  // namespace batch
