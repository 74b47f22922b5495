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

std::string FailureMessage(const std::vector<Failure>& failures) {
    if (failures.empty()) {
        return {};
    }
    std::string text = failures.size() == 1 ? "Eine Datei wurde nicht konvertiert:\n"
                                            : std::to_string(failures.size()) +
                                                  " Dateien wurden nicht konvertiert:\n";
    for (const Failure& failure : failures) {
        text += "\n" + failure.SourcePath + "\n    " + failure.Reason + "\n";
    }
    return text;
}

std::string EndOfRunMessage(const Report& report) {
    std::string text = FailureMessage(report.Failures);
    auto section = [&text](const std::string& heading) {
        if (!text.empty()) {
            text += "\n";
        }
        text += heading;
    };
    if (!report.Interrupted.empty()) {
        section(report.Interrupted.size() == 1
                    ? "Eine Datei wurde abgebrochen:\n"
                    : std::to_string(report.Interrupted.size()) + " Dateien wurden abgebrochen:\n");
        for (const std::string& source : report.Interrupted) {
            text += "\n" + source + "\n";
        }
    }
    if (!report.Warnings.empty()) {
        section(report.Warnings.size() == 1 ? "Eine Datei wurde mit Warnungen konvertiert:\n"
                                            : std::to_string(report.Warnings.size()) +
                                                  " Dateien wurden mit Warnungen konvertiert:\n");
        for (const Failure& warned : report.Warnings) {
            text += "\n" + warned.SourcePath + "\n    " + warned.Reason + "\n";
        }
    }
    return text;
}

int JobCount(int setting, int cores) {
    // More transcoders than cores only take turns; past eight, the disk is the limit.
    constexpr int kMostFromCores = 8;
    constexpr int kMostFromSetting = 64;
    return setting >= 1 ? std::min(setting, kMostFromSetting)
                        : std::clamp(cores, 1, kMostFromCores);
}

}  // namespace batch
