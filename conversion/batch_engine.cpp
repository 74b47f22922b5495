#include "batch_engine.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "file_attributes.h"
#include "output_folder.h"
#include "paths.h"
#include "tag_rule.h"

namespace batch {
namespace {

// Folders read per round of the window's event loop while the sources are gathered: a
// round stays short however large the tree.
constexpr int kFoldersPerRound = 32;

std::string JoinedWarnings(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& warning : warnings) {
        text += (text.empty() ? "" : "\n") + warning;
    }
    return text;
}

// The six mono files the split writes beside `target`: its name without the extension, then
// the channel's role.
std::vector<std::string> SixWavParts(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::size_t dot = target.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string base = hasExtension ? target.substr(0, dot) : target;
    std::vector<std::string> parts;
    for (const char* role : {"_FL", "_FR", "_C", "_LFE", "_SL", "_SR"}) {
        parts.push_back(base + role + ".wav");
    }
    return parts;
}

FileReport FileOutcome(Outcome outcome, const std::string& source, const std::string& target,
                       Cause why = Cause::None, std::string detail = {}) {
    FileReport file;
    file.Result = outcome;
    file.Source = source;
    file.Target = target;
    file.Why = why;
    file.Detail = std::move(detail);
    return file;
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
    host_.Yield();
}

void Engine::Yielded() {
    if (phase_ == Phase::Preparing) {
        // The output folder is never a source, even where it lies inside a chosen tree.
        std::optional<platform::FolderId> skip;
        if (!input_.OutputFolder.empty()) {
            skip = platform::FolderIdOf(input_.OutputFolder);
        }
        walk_ = std::make_unique<SourceWalk>(input_.Folder, input_.Entries, input_.ConvertAll,
                                             input_.Pattern, skip, input_.SubFolders);
        phase_ = Phase::Gathering;
        Gather();
    } else if (phase_ == Phase::Gathering) {
        Gather();
    } else if (phase_ == Phase::Closing) {
        if (--yieldsLeft_ > 0) {
            host_.Yield();
        } else {
            Restore();
        }
    }
}

void Engine::Gather() {
    if (!report_.Stopped && !walk_->Step(kFoldersPerRound)) {
        host_.Yield();
        return;
    }
    // Taken once: what the run writes from now on is never one of its sources.
    if (!report_.Stopped) {
        sources_ = walk_->Sources();
        for (const UnreadableFolder& folder : walk_->Unreadable()) {
            FileReport file =
                FileOutcome(Outcome::Failed, folder.Path, {}, Cause::FolderUnreadable);
            file.Number = folder.Errno;
            report_.Files.push_back(std::move(file));
        }
    }
    walk_.reset();
    report_.Total = static_cast<int>(sources_.size());
    phase_ = Phase::Working;
    Advance();
}

void Engine::ReportClosed() {
    if (!awaitingReport_) {
        return;
    }
    awaitingReport_ = false;
    if (phase_ == Phase::Restored) {
        phase_ = Phase::Done;
        host_.Finished(report_);
    }
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
    for (const std::string& part : job.Parts) {
        reserved_.erase(part);
    }

    const bool ok = result.Started && result.ExitStatus == 0;
    if (job.Terminated && !(ok && paths::FileExists(job.Target))) {
        // The stop ended it; the transcoder has taken its temporary output away.
        report_.Files.push_back(FileOutcome(Outcome::Stopped, job.Source, job.Target));
    } else {
        if (!result.Started) {
            report_.Files.push_back(FileOutcome(Outcome::Failed, job.Source, job.Target,
                                                Cause::TranscoderNotStarted, result.Reason));
        } else if (result.ExitStatus != 0) {
            FileReport file = FileOutcome(Outcome::Failed, job.Source, job.Target,
                                          Cause::TranscoderFailed, result.Reason);
            file.Number = result.ExitStatus;
            report_.Files.push_back(std::move(file));
        } else if (!paths::FileExists(job.Target)) {
            report_.Files.push_back(
                FileOutcome(Outcome::Failed, job.Source, job.Target, Cause::NoOutput));
        } else {
            const id3::WriteStatus tags = WriteTags(job);
            std::vector<std::string> warnings = result.Warnings;
            if (tags.Ok && !tags.Reason.empty()) {
                warnings.push_back(tags.Reason);  // a target left bare on purpose
            }
            if (!tags.Ok) {
                report_.Files.push_back(FileOutcome(Outcome::Failed, job.Source, job.Target,
                                                    Cause::TagsNotWritten, tags.Reason));
            } else if (!warnings.empty()) {
                report_.Files.push_back(FileOutcome(Outcome::Warned, job.Source, job.Target,
                                                    Cause::Warnings, JoinedWarnings(warnings)));
            } else {
                report_.Files.push_back(FileOutcome(Outcome::Converted, job.Source, job.Target));
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
    if (phase_ != Phase::Preparing && phase_ != Phase::Gathering && phase_ != Phase::Working) {
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
    // Before the first yield nothing has started, and while the sources are gathered nothing
    // runs: the closing begins when the next yield comes.
    if (phase_ == Phase::Working) {
        Advance();
    }
}

std::string Engine::SourceOf(int slot) const {
    const auto found = running_.find(slot);
    return found == running_.end() ? std::string() : found->second.Source;
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
        if (phase_ != Phase::Working) {
            break;
        }
        while (!report_.Stopped && static_cast<int>(running_.size()) < setup_.Jobs && StartNext()) {
        }
        const bool more = !report_.Stopped && next_ < sources_.size();
        if (running_.empty() && !more) {
            Close();
        }
    } while (again_);
    advancing_ = false;
}

bool Engine::StartNext() {
    if (next_ >= sources_.size()) {
        return false;
    }
    Launch(sources_[next_++]);
    return true;
}

void Engine::Launch(const Source& source) {
    host_.SetTitle(source.Relative + " - " + setup_.AppTitle);
    order_.emplace(source.Path, order_.size());
    // A source deleted since the walk found it: said so, and the others go on.
    if (!platform::NameTaken(source.Path)) {
        EndWithout(FileOutcome(Outcome::Failed, source.Path, {}, Cause::SourceGone));
        return;
    }
    const std::string mirrored = MirroredPath(source);
    std::string targetPath;
    if (mirrored.empty() || !Admit(source.Path, mirrored, targetPath)) {
        return;
    }
    if (input_.DryRun) {
        reserved_.insert(targetPath);
        if (Splits(source.Path)) {
            const std::vector<std::string> parts = SixWavParts(targetPath);
            reserved_.insert(parts.begin(), parts.end());
        }
        EndWithout(FileOutcome(Outcome::Converted, source.Path, targetPath));
        return;
    }
    const ConversionJob conversion = ConversionFor(source.Path, targetPath);
    Job job;
    job.Source = source.Path;
    job.Target = targetPath;
    if (Splits(source.Path)) {
        job.Parts = SixWavParts(targetPath);
    }
    // Read before the transcoder runs. Only a regular file is read: a named pipe or a device is
    // the transcoder's alone, and opening it here could wait or take its data. Tags that cannot
    // be read leave empty records; the file converts all the same.
    job.Route = TagRouteFor(conversion);
    if (job.Route != TagRoute::None && platform::IsRegularFile(source.Path)) {
        job.Tags = job.Route == TagRoute::Id3Transfer ? id3::ReadSourceTags(source.Path)
                                                      : tags::ReadSourceTags(source.Path);
    }
    StartTranscoder(std::move(job), RequestFor(conversion, source.Relative));
}

std::string Engine::MirroredPath(const Source& source) {
    if (input_.OutputFolder.empty()) {
        return source.Path;
    }
    // Made one part at a time below the output folder and never through a link, so nothing
    // the run writes can land outside it.
    // A dry run only looks for what would be in the way.
    const std::string below = RelativeFolderOf(source.Relative);
    const platform::BelowResult made = input_.DryRun
                                           ? platform::CheckFoldersBelow(input_.OutputFolder, below)
                                           : platform::MakeFoldersBelow(input_.OutputFolder, below);
    if (!made.Ok()) {
        const std::string part = paths::AddBackslash(input_.OutputFolder) + made.Part;
        FileReport file;
        switch (made.Error) {
            case platform::BelowError::Link:
                file = FileOutcome(Outcome::Failed, source.Path, {}, Cause::LinkInOutput, part);
                break;
            case platform::BelowError::NotAFolder:
                file =
                    FileOutcome(Outcome::Failed, source.Path, {}, Cause::NotAFolderInOutput, part);
                break;
            default:
                file = FileOutcome(Outcome::Failed, source.Path, {}, Cause::FolderNotMade, part);
                file.Number = made.Errno;
                break;
        }
        EndWithout(std::move(file));
        return {};
    }
    return paths::AddBackslash(input_.OutputFolder) + source.Relative;
}

bool Engine::Admit(const std::string& sourcePath, const std::string& mirrored,
                   std::string& targetPath) {
    const bool split = Splits(sourcePath);
    if (input_.SkipExisting) {
        // The name the rule gives where nothing is in the way; beside a source of the target's
        // own kind that is the source itself, so there the "_new" name is the one looked for.
        const std::string natural = TargetPathFor(mirrored, format_, [&](const std::string& p) {
            return platform::SameFile(p, sourcePath);
        });
        if (TargetTaken(natural, split)) {
            EndWithout(FileOutcome(Outcome::Skipped, sourcePath, natural, Cause::TargetExists));
            return false;
        }
    }
    targetPath = TargetPathFor(mirrored, format_,
                               [&](const std::string& p) { return TargetTaken(p, split); });
    // A name longer than the folder allows could never be written: say so and write nothing.
    const std::size_t slash = targetPath.rfind('/');
    const std::size_t nameBytes = targetPath.size() - slash - 1;
    const std::size_t nameMax = platform::NameMax(targetPath.substr(0, slash + 1));
    if (nameBytes > nameMax) {
        FileReport file = FileOutcome(Outcome::Failed, sourcePath, targetPath, Cause::NameTooLong);
        file.Number = static_cast<std::int64_t>(nameBytes);
        file.Limit = static_cast<std::int64_t>(nameMax);
        EndWithout(std::move(file));
        return false;
    }
    // Nothing is ever overwritten: a name taken as well is refused, and the report says so.
    if (TargetTaken(targetPath, split)) {
        EndWithout(FileOutcome(Outcome::Refused, sourcePath, targetPath, Cause::TargetExists));
        return false;
    }
    return true;
}

void Engine::EndWithout(FileReport file) {
    report_.Files.push_back(std::move(file));
    FileEnded();
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
    const std::vector<std::string> parts = job.Parts;
    const int slot = nextSlot_++;
    running_.emplace(slot, std::move(job));
    reserved_.insert(targetPath);
    reserved_.insert(parts.begin(), parts.end());
    const std::string error = host_.Launch(slot, request);
    if (!error.empty() && running_.count(slot) != 0) {
        running_.erase(slot);
        reserved_.erase(targetPath);
        for (const std::string& part : parts) {
            reserved_.erase(part);
        }
        EndWithout(FileOutcome(Outcome::Failed, sourcePath, targetPath, Cause::TranscoderNotStarted,
                               error));
    }
}

id3::WriteStatus Engine::WriteTags(const Job& job) const {
    switch (job.Route) {
        case TagRoute::None:
            break;
        case TagRoute::Id3Transfer:
            return id3::WriteTargetTags(job.Target, job.Tags);
        case TagRoute::Library: {
            std::vector<std::string> targets = {job.Target};
            targets.insert(targets.end(), job.Parts.begin(), job.Parts.end());
            return tags::WriteTargetTags(targets, TagTargetOf(format_), job.Tags);
        }
    }
    return {};
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
    // Files end in any order when several run; the report lists them in run order.
    auto position = [this](const std::string& source) {
        const auto found = order_.find(source);
        return found == order_.end() ? order_.size() : found->second;
    };
    std::stable_sort(report_.Files.begin(), report_.Files.end(),
                     [&](const FileReport& a, const FileReport& b) {
                         return position(a.Source) < position(b.Source);
                     });
    host_.Refresh();
    host_.SetBusyPointer(false);
    host_.ShowProgress(false);
    if (report_.NeedsAWord()) {
        awaitingReport_ = true;
        host_.ShowReport(report_);
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
    const int left = static_cast<int>(sources_.size() - next_);
    const int together = std::min(setup_.Jobs, static_cast<int>(running_.size()) + 1 + left);
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

bool Engine::TargetTaken(const std::string& target, bool split) const {
    if (Taken(target)) {
        return true;
    }
    if (split) {
        const std::vector<std::string> parts = SixWavParts(target);
        return std::any_of(parts.begin(), parts.end(),
                           [this](const std::string& part) { return Taken(part); });
    }
    return false;
}

bool Engine::Splits(const std::string& sourcePath) const {
    return format_ == TargetFormat::Wav && input_.Options.SplitToSixWav &&
           IsMultichannelSource(SourceKindOf(sourcePath));
}

}  // namespace batch
