#include "batch_run.h"

#include <cmath>
#include <utility>

#include "paths.h"
#include "tag_rule.h"
#include "tag_transfer.h"

namespace batch {
namespace {

std::string StartFailureReason(const RunResult& result) {
    std::string reason = "BeSweet.exe konnte nicht gestartet werden";
    if (!result.Reason.empty()) {
        reason += ": " + result.Reason;
    }
    return reason;
}

std::string ExitFailureReason(const RunResult& result) {
    if (!result.Reason.empty()) {
        return result.Reason;
    }
    return "BeSweet.exe endete mit dem Status " + std::to_string(result.ExitStatus);
}

ConversionJob FillJob(BatchHost& host, TargetFormat format, std::string sourcePath,
                      std::string targetPath) {
    ConversionJob job;
    job.SourceKind = SourceKindOf(sourcePath);
    job.SourcePath = std::move(sourcePath);
    job.TargetPath = std::move(targetPath);
    job.Format = format;
    // The bitrate handler runs first, so the value belongs to the format being built.
    if (format != TargetFormat::Wav) {
        job.Bitrate = host.Bitrate(format);
    }
    const FormatOptions options = host.Options(format);
    job.ResampleChoice = options.ResampleChoice;
    job.Normalise = options.Normalise;
    job.SplitToSixWav = options.SplitToSixWav;
    return job;
}

bool IsEligible(const Entry& entry, bool convertAll) {
    return (convertAll || entry.Selected) && !IsFolderEntry(entry.Text);
}

}  // namespace

bool IsFolderEntry(std::string_view text) {
    return !text.empty() && text.front() == '[';
}

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

Report Run(BatchHost& host, MessageSink& messages, const Setup& setup) {
    Report report;
    host.FocusSink();
    if (host.Entries().empty()) {
        return report;
    }

    host.SetBusyPointer(true);
    host.ShowProgress(true);
    host.SetProgress(0);
    host.SetBusyHeight(true);
    host.Yield();

    const bool convertAll = host.ConvertAll();
    // Read again: the yield above may have let the list change.
    const std::vector<Entry> entries = host.Entries();
    report.Total = CountEligible(entries, convertAll);

    const int chosen = host.ChosenFormat();
    const bool haveFormat = chosen >= 0 && chosen <= 3;
    const auto format = static_cast<TargetFormat>(haveFormat ? chosen : 0);
    const std::string folder = paths::AddBackslash(host.Folder());

    for (const Entry& entry : entries) {
        if (!IsEligible(entry, convertAll)) {
            continue;
        }
        if (host.StopRequested()) {
            report.Stopped = true;
            break;
        }
        host.SetTitle(entry.Text + " - " + setup.AppTitle);
        const std::string sourcePath = folder + entry.Text;
        const std::string targetPath = TargetPathFor(sourcePath, format, paths::FileExists);

        if (!IsSafeForCommandLine(sourcePath) || !IsSafeForCommandLine(targetPath)) {
            report.Failures.push_back(
                {sourcePath,
                 "Der Name enthält ein Anführungszeichen oder ein Steuerzeichen und wird "
                 "nicht an BeSweet.exe übergeben"});
            continue;
        }
        if (paths::FileExists(targetPath)) {
            messages.Show(FileExistsMessage(targetPath), MessageKind::Warning, setup.AppTitle);
            continue;
        }

        const ConversionJob job = FillJob(host, format, sourcePath, targetPath);
        const std::string arguments = TranscoderCommandLine(job);
        const bool carriesTags = CarriesTags(job);
        id3::SourceTags tags;
        if (carriesTags) {
            tags = id3::ReadSourceTags(job.SourcePath);
        }

        const std::int16_t showMode = host.HideConsole() == 1 ? 0 : -1;
        const RunResult result = host.Run(setup.TranscoderPath + arguments, showMode, entry.Text);
        if (host.StopRequested()) {
            // The child was stopped on the way out; what it left is not a result.
            report.Stopped = true;
            break;
        }

        if (!result.Started) {
            report.Failures.push_back({sourcePath, StartFailureReason(result)});
        } else if (result.ExitStatus != 0) {
            report.Failures.push_back({sourcePath, ExitFailureReason(result)});
        } else if (!paths::FileExists(job.TargetPath)) {
            report.Failures.push_back(
                {sourcePath, "BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt"});
        } else if (carriesTags) {
            const id3::WriteStatus written = id3::WriteTargetTags(job.TargetPath, tags);
            if (!written.Ok) {
                report.Failures.push_back({sourcePath, written.Reason.empty()
                                                           ? "Die ID3-Tags konnten nicht in '" +
                                                                 job.TargetPath +
                                                                 "' geschrieben werden"
                                                           : "ID3-Tags: " + written.Reason});
            }
        }

        ++report.Done;
        host.SetProgress(ProgressPercent(report.Total, report.Done));
    }

    if (!report.Stopped) {
        for (int i = 0; i < setup.ClosingYields && !host.StopRequested(); ++i) {
            host.Yield();
        }
        report.Stopped = host.StopRequested();
    }
    if (!report.Stopped) {
        host.Refresh();
    }
    host.SetBusyPointer(false);
    host.ShowProgress(false);
    host.SetBusyHeight(false);

    if (!report.Stopped && !report.Failures.empty()) {
        messages.Show(FailureMessage(report.Failures), MessageKind::Warning, setup.AppTitle);
    }
    return report;
}

}  // namespace batch
