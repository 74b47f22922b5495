#include "batch_engine.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "file_attributes.h"
#include "messages.h"
#include "paths.h"
#include "tag_rule.h"

namespace batch {
namespace {

std::string StartFailureReason(const std::string& why) {
    std::string reason = "BeSweet.exe konnte nicht gestartet werden";
    if (!why.empty()) {
        reason += ": " + why;
    }
    return reason;
}

std::string ExitFailureReason(const RunResult& result) {
    if (!result.Reason.empty()) {
        return result.Reason;
    }
    return "BeSweet.exe endete mit dem Status " + std::to_string(result.ExitStatus);
}

std::string JoinedWarnings(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& warning : warnings) {
        text += (text.empty() ? "" : "\n    ") + warning;
    }
    return text;
}

std::string TooLongReason(std::size_t bytes, std::size_t limit) {
    return "Der Name der Ausgabedatei wäre mit " + std::to_string(bytes) +
           " Bytes länger, als der Ordner erlaubt (höchstens " + std::to_string(limit) + ")";
}

bool IsEligible(const Entry& entry, bool convertAll) {
    return (convertAll || entry.Selected) && !entry.Folder;
}

}  // namespace

Engine::Engine(EngineHost& host, Setup setup, RunInput input)
    : host_(host), setup_(std::move(setup)), input_(std::move(input)) {
    const bool haveFormat = input_.Format >= 0 && input_.Format <= 3;
    format_ = static_cast<TargetFormat>(haveFormat ? input_.Format : 0);
    folder_ = paths::AddBackslash(input_.Folder);
}

void Engine::Start() {
    if (phase_ != Phase::Idle) {
        return;
    }
    if (input_.Entries.empty()) {
        phase_ = Phase::Done;
        host_.Finished(report_);
        return;
    }
    phase_ = Phase::Preparing;
    host_.SetBusyPointer(true);
    host_.ShowProgress(true);
    host_.SetProgress(0);
    shownProgress_ = 0;
    host_.SetBusyHeight(true);
    host_.Yield();
}

void Engine::Yielded() {
    if (phase_ == Phase::Preparing) {
        report_.Total = CountEligible(input_.Entries, input_.ConvertAll);
        eligibleLeft_ = report_.Total;
        phase_ = Phase::Working;
        Advance();
    } else if (phase_ == Phase::Closing) {
        if (--yieldsLeft_ > 0) {
            host_.Yield();
        } else {
            Restore();
        }
    }
}

void Engine::MessageClosed() {
    if (!awaitingMessage_) {
        return;
    }
    awaitingMessage_ = false;
    if (phase_ == Phase::Restored) {
        phase_ = Phase::Done;
        host_.Finished(report_);
        return;
    }
    Advance();
}

void Engine::Progress(int slot, double share) {
    const auto job = running_.find(slot);
    if (job == running_.end() || phase_ != Phase::Working) {
        return;
    }
    job->second.Share = std::clamp(share, 0.0, 1.0);
    const int percent = ProgressNow();
    if (percent != shownProgress_) {
        shownProgress_ = percent;
        host_.SetProgress(percent);
    }
}

void Engine::Ended(int slot, const RunResult& result) {
    const auto found = running_.find(slot);
    if (found == running_.end()) {
        return;
    }
    Job job = std::move(found->second);
    running_.erase(found);
    reserved_.erase(job.Target);

    const bool ok = result.Started && result.ExitStatus == 0;
    if (job.Terminated && !(ok && paths::FileExists(job.Target))) {
        // The stop ended it; the transcoder has taken its temporary output away.
        report_.Interrupted.push_back(job.Source);
    } else {
        if (!result.Started) {
            report_.Failures.push_back({job.Source, StartFailureReason(result.Reason)});
        } else if (result.ExitStatus != 0) {
            report_.Failures.push_back({job.Source, ExitFailureReason(result)});
        } else if (!paths::FileExists(job.Target)) {
            report_.Failures.push_back(
                {job.Source, "BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt"});
        } else {
            bool written = true;
            if (job.CarriesTags) {
                const id3::WriteStatus status = id3::WriteTargetTags(job.Target, job.Tags);
                written = status.Ok;
                if (!status.Ok) {
                    report_.Failures.push_back(
                        {job.Source, status.Reason.empty() ? "Die ID3-Tags konnten nicht in '" +
                                                                 job.Target + "' geschrieben werden"
                                                           : "ID3-Tags: " + status.Reason});
                }
            }
            if (written && !result.Warnings.empty()) {
                report_.Warnings.push_back({job.Source, JoinedWarnings(result.Warnings)});
            }
        }
        FileEnded();
    }
    Advance();
}

void Engine::Stop() {
    if (phase_ == Phase::Closing) {
        yieldsLeft_ = 1;  // every file has ended: only the closing yields are cut short
        return;
    }
    if (phase_ != Phase::Preparing && phase_ != Phase::Working) {
        return;
    }
    if (report_.Stopped) {
        return;
    }
    report_.Stopped = true;
    for (auto& [slot, job] : running_) {
        if (!job.Terminated) {
            job.Terminated = true;
            host_.Terminate(slot);
        }
    }
    // Before the first yield nothing has started; the closing begins when it comes.
    if (phase_ == Phase::Working) {
        Advance();
    }
}

void Engine::FileEnded() {
    ++report_.Done;
    const int percent = ProgressNow();
    shownProgress_ = percent;
    host_.SetProgress(percent);
}

void Engine::Advance() {
    // A host may call back from inside one of its calls; the loop below then goes round
    // once more instead of nesting.
    if (advancing_) {
        again_ = true;
        return;
    }
    advancing_ = true;
    do {
        again_ = false;
        if (phase_ != Phase::Working || awaitingMessage_) {
            break;
        }
        while (!report_.Stopped && !awaitingMessage_ &&
               static_cast<int>(running_.size()) < setup_.Jobs && StartNext()) {
        }
        const bool more = !report_.Stopped && next_ < input_.Entries.size();
        if (!awaitingMessage_ && running_.empty() && !more) {
            Close();
        }
    } while (again_);
    advancing_ = false;
}

bool Engine::StartNext() {
    while (next_ < input_.Entries.size()) {
        const Entry& entry = input_.Entries[next_++];
        if (IsEligible(entry, input_.ConvertAll)) {
            --eligibleLeft_;
            Launch(entry);
            return true;
        }
    }
    return false;
}

void Engine::Launch(const Entry& entry) {
    host_.SetTitle(entry.Text + " - " + setup_.AppTitle);
    const std::string sourcePath = folder_ + entry.Text;
    order_.emplace(sourcePath, order_.size());
    const std::string targetPath =
        TargetPathFor(sourcePath, format_, [this](const std::string& p) { return Taken(p); });
    if (!Admit(sourcePath, targetPath)) {
        return;
    }
    const ConversionJob conversion = ConversionFor(sourcePath, targetPath);
    Job job;
    job.Source = sourcePath;
    job.Target = targetPath;
    job.CarriesTags = CarriesTags(conversion);
    if (job.CarriesTags) {
        job.Tags = id3::ReadSourceTags(sourcePath);
    }
    StartTranscoder(std::move(job), RequestFor(conversion, entry.Text));
}

bool Engine::Admit(const std::string& sourcePath, const std::string& targetPath) {
    // A name longer than the folder allows could never be written: say so and write nothing.
    // The entry is finished all the same, so the bar still reaches its end.
    const std::size_t nameBytes = targetPath.size() - targetPath.rfind('/') - 1;
    const std::size_t nameMax = platform::NameMax(folder_);
    if (nameBytes > nameMax) {
        report_.Failures.push_back({sourcePath, TooLongReason(nameBytes, nameMax)});
        FileEnded();
        return false;
    }
    // A name that is taken is refused after the user's confirmation; that entry makes no
    // step, as designed.
    if (Taken(targetPath)) {
        awaitingMessage_ = true;
        host_.ShowMessage(FileExistsMessage(targetPath));
        return false;
    }
    return true;
}

ConversionJob Engine::ConversionFor(const std::string& sourcePath,
                                    const std::string& targetPath) const {
    ConversionJob conversion;
    conversion.SourceKind = SourceKindOf(sourcePath);
    conversion.SourcePath = sourcePath;
    conversion.TargetPath = targetPath;
    conversion.Format = format_;
    if (format_ != TargetFormat::Wav) {
        conversion.Bitrate = input_.Bitrate;
    }
    conversion.ResampleChoice = input_.Options.ResampleChoice;
    conversion.Normalise = input_.Options.Normalise;
    conversion.SplitToSixWav = input_.Options.SplitToSixWav;
    return conversion;
}

LaunchRequest Engine::RequestFor(const ConversionJob& conversion,
                                 const std::string& sourceName) const {
    // The console shows the text; the transcoder gets the words it stands for, so a name
    // reaches it byte for byte whatever it holds.
    const TranscoderArguments arguments = BuildTranscoderArguments(conversion);
    LaunchRequest request;
    request.CommandLine = setup_.TranscoderPath + arguments.Text;
    request.Words.reserve(arguments.Words.size() + 1);
    request.Words.push_back(setup_.TranscoderPath);
    request.Words.insert(request.Words.end(), arguments.Words.begin(), arguments.Words.end());
    request.ShowMode = input_.HideConsole == 1 ? 0 : -1;
    request.SourceName = sourceName;
    request.Threads = ThreadsFor();
    return request;
}

void Engine::StartTranscoder(Job job, const LaunchRequest& request) {
    const std::string sourcePath = job.Source;
    const std::string targetPath = job.Target;
    const int slot = nextSlot_++;
    running_.emplace(slot, std::move(job));
    reserved_.insert(targetPath);
    const std::string error = host_.Launch(slot, request);
    if (!error.empty() && running_.count(slot) != 0) {
        running_.erase(slot);
        reserved_.erase(targetPath);
        report_.Failures.push_back({sourcePath, StartFailureReason(error)});
        FileEnded();
    }
}

void Engine::Close() {
    phase_ = Phase::Closing;
    yieldsLeft_ = setup_.ClosingYields;
    if (yieldsLeft_ > 0 && !report_.Stopped) {
        host_.Yield();
    } else {
        Restore();
    }
}

void Engine::Restore() {
    phase_ = Phase::Restored;
    // Files end in any order when several run; the message names them in list order.
    auto position = [this](const std::string& source) {
        const auto found = order_.find(source);
        return found == order_.end() ? order_.size() : found->second;
    };
    auto byPosition = [&](const Failure& a, const Failure& b) {
        return position(a.SourcePath) < position(b.SourcePath);
    };
    std::stable_sort(report_.Failures.begin(), report_.Failures.end(), byPosition);
    std::stable_sort(report_.Warnings.begin(), report_.Warnings.end(), byPosition);
    std::stable_sort(
        report_.Interrupted.begin(), report_.Interrupted.end(),
        [&](const std::string& a, const std::string& b) { return position(a) < position(b); });
    host_.Refresh();
    host_.SetBusyPointer(false);
    host_.ShowProgress(false);
    host_.SetBusyHeight(false);
    const std::string message = EndOfRunMessage(report_);
    if (!message.empty()) {
        awaitingMessage_ = true;
        host_.ShowMessage(message);
        return;
    }
    phase_ = Phase::Done;
    host_.Finished(report_);
}

int Engine::ThreadsFor() const {
    // A transcoder splits its work over two threads: a light one (decoding, mixing) and the
    // encoder, which takes a core to itself. As long as there are no more transcoders than
    // cores, the light threads only fill the gaps between the encoders and both are worth
    // having; with more transcoders than cores, a second thread each only adds switching.
    const int together =
        std::min(setup_.Jobs, static_cast<int>(running_.size()) + 1 + eligibleLeft_);
    return together <= setup_.Cores ? 2 : 1;
}

int Engine::ProgressNow() const {
    if (report_.Total <= 0) {
        return 0;
    }
    double share = 0.0;
    for (const auto& [slot, job] : running_) {
        share += job.Share;
    }
    // With nothing running in part this is the whole part of (100 / Total) * Done exactly.
    const double perFile = 100.0 / static_cast<double>(report_.Total);
    const double done = static_cast<double>(report_.Done) + share;
    return std::min(100, static_cast<int>(std::floor(perFile * done)));
}

bool Engine::Taken(const std::string& path) const {
    // Anything under the name keeps it taken, also a file this program cannot read: the
    // transcoder would otherwise replace it.
    return reserved_.count(path) != 0 || platform::NameTaken(path);
}

}  // namespace batch
