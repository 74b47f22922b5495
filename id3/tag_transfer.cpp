#include "tag_transfer.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "byte_source.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "numeric_text.h"

namespace id3 {
namespace {

// True when a field of `tag` holds more than blanks (a field of blanks is written as none).
bool HasAnyField(const TagSet& tag) {
    for (const auto* field :
         {&tag.Artist, &tag.Album, &tag.Title, &tag.Year, &tag.Genre, &tag.Comment, &tag.Track,
          &tag.EncodedBy, &tag.Url, &tag.Copyright, &tag.Composer, &tag.OriginalArtist}) {
        if (!TrimBlanks(*field).empty()) {
            return true;
        }
    }
    return false;
}

bool AnyFrameTravels(const CarriedFrames& frames) {
    return std::any_of(frames.begin(), frames.end(), IsCarriedFromSource);
}

// Why a collected frame does not travel; empty when it does or when the writer makes it itself.
std::string WhyNotCarried(const CarriedFrame& frame) {
    if (IsCarriedFromSource(frame) || !IsForeignFrameId(frame.Id)) {
        return {};
    }
    if (DescribesOldAudio(frame)) {
        return "describes the old audio";
    }
    return "has no ID3v2.3 form";
}

// Without a comment under an empty description, the record's comment came from the first
// comment under another description (not "iTun..."); that frame is not carried a second time.
void DropCommentOfRecord(CarriedFrames& frames) {
    for (const auto& frame : frames) {
        if (frame.Id == "COMM" && FrameDescription(frame).empty()) {
            return;
        }
    }
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        if (it->Id == "COMM" && FrameDescription(*it).rfind("iTun", 0) != 0) {
            frames.erase(it);
            return;
        }
    }
}

// The end of a file before an ID3v1 block was written there, to be put back.
struct TailSnapshot {
    int64_t size = 0;
    std::vector<uint8_t> last;  // the file's last bytes, up to 128
};

std::optional<TailSnapshot> TakeTail(const std::string& path) {
    const auto file = FileSource::Open(path, false);
    if (!file) {
        return std::nullopt;
    }
    TailSnapshot tail;
    tail.size = file->Size();
    const int64_t from = tail.size >= 128 ? tail.size - 128 : 0;
    tail.last = ReadBytes(*file, from, static_cast<size_t>(tail.size - from));
    return tail;
}

void RestoreTail(const std::string& path, const TailSnapshot& tail) {
    const auto file = FileSource::Open(path, true);
    if (!file) {
        return;
    }
    const int ignored = ::ftruncate(file->Fd(), static_cast<off_t>(tail.size));
    (void)ignored;
    WriteAllAt(file->Fd(), tail.size - static_cast<int64_t>(tail.last.size()), tail.last);
}

// The name of the first field in which `a` and `b` differ; empty when they are equal.
std::string FirstDifference(const TagSet& a, const TagSet& b) {
    const std::pair<const char*, std::string TagSet::*> fields[] = {
        {"Artist", &TagSet::Artist},     {"Album", &TagSet::Album},
        {"Title", &TagSet::Title},       {"Year", &TagSet::Year},
        {"Genre", &TagSet::Genre},       {"Comment", &TagSet::Comment},
        {"Track", &TagSet::Track},       {"EncodedBy", &TagSet::EncodedBy},
        {"Url", &TagSet::Url},           {"Copyright", &TagSet::Copyright},
        {"Composer", &TagSet::Composer}, {"OriginalArtist", &TagSet::OriginalArtist}};
    for (const auto& [name, field] : fields) {
        if (a.*field != b.*field) {
            return name;
        }
    }
    return {};
}

WriteStatus Differs(const std::string& kind, const std::string& path, const std::string& what) {
    return WriteFailed(
        kind, "the tag read back from '" + path + "' differs from the one written (" + what + ")");
}

WriteStatus VerifyId3v1(const std::string& path, const TagSet& tag) {
    TagSet expected;
    ParseId3v1Block(RenderId3v1Block(tag), expected);
    TagSet back;
    if (!ReadId3v1(path, back)) {
        return Differs("ID3v1", path, "no block");
    }
    const std::string field = FirstDifference(back, expected);
    return field.empty() ? WriteStatus{} : Differs("ID3v1", path, field);
}

// True when `back` (collected from the written file) holds exactly the frames of `frames` that
// travel, in order; compared in place, as pictures make these lists large.
bool SameCarriedFrames(const CarriedFrames& back, const CarriedFrames& frames) {
    auto wanted = frames.begin();
    for (const auto& frame : back) {
        if (!IsCarriedFromSource(frame)) {
            continue;  // the writer's own frames
        }
        while (wanted != frames.end() && !IsCarriedFromSource(*wanted)) {
            ++wanted;
        }
        if (wanted == frames.end() || !(*wanted == frame)) {
            return false;
        }
        ++wanted;
    }
    while (wanted != frames.end() && !IsCarriedFromSource(*wanted)) {
        ++wanted;
    }
    return wanted == frames.end();
}

// The comment a reader finds when the record has none of its own.
std::string ExpectedComment(const TagSet& expected, const CarriedFrames& frames) {
    if (!expected.Comment.empty()) {
        return expected.Comment;
    }
    for (const auto& frame : frames) {
        if (IsCarriedFromSource(frame) && frame.Id == "COMM") {
            return ReadFrameText(frame.Data, frame.Id).value_or(std::string());
        }
    }
    return {};
}

// Whether the tag of `source` (the file at `path`, or a chunk of it) holds `tag` and `frames`.
WriteStatus VerifyId3v2From(const ByteSource& source, const std::string& path, const TagSet& tag,
                            const CarriedFrames& frames) {
    TagSet expected = WrittenForm(tag, 3);
    expected.Comment = ExpectedComment(expected, frames);
    TagSet back;
    if (!ReadId3v2From(source, back)) {
        return Differs("ID3v2", path, "no tag");
    }
    const std::string field = FirstDifference(back, expected);
    if (!field.empty()) {
        return Differs("ID3v2", path, field);
    }
    CarriedFrames collected;
    if (!CollectId3v2FramesFrom(source, collected) || !SameCarriedFrames(collected, frames)) {
        return Differs("ID3v2", path, "carried frames");
    }
    return {};
}

WriteStatus VerifyId3v2(const std::string& path, const TagSet& tag, const CarriedFrames& frames) {
    const auto file = FileSource::Open(path, false);
    if (!file) {
        return Differs("ID3v2", path, "no tag");
    }
    return VerifyId3v2From(*file, path, tag, frames);
}

// The frames a source hands on, as ReadSourceTags keeps them, from what a tag chain collected.
void KeepTravellingFrames(CarriedFrames collected, SourceTags& tags) {
    for (auto& frame : collected) {
        ToVersion3Encoding(frame);  // the new tag is version 2.3
        if (std::string why = WhyNotCarried(frame); !why.empty()) {
            tags.Dropped.push_back({frame.Id, std::move(why)});
        }
    }
    DropUnregisteredGroups(collected, &tags.Dropped);
    DropCommentOfRecord(collected);
    tags.Frames = SelectCarriedFrames({}, std::move(collected));
}

}  // namespace

SourceTags ReadSourceTags(const std::string& sourcePath) {
    SourceTags tags;
    ClearTagSet(tags.Id3v1);
    ReadId3v1(sourcePath, tags.Id3v1);
    ClearTagSet(tags.Id3v2);
    ReadId3v2(sourcePath, tags.Id3v2);
    CarriedFrames collected;
    // What came before a fault still travels.
    CollectId3v2Frames(sourcePath, collected, &tags.Dropped);
    KeepTravellingFrames(std::move(collected), tags);
    return tags;
}

SourceTags ReadSourceTagsFrom(const ByteSource& source) {
    SourceTags tags;
    ReadId3v2From(source, tags.Id3v2);
    CarriedFrames collected;
    CollectId3v2FramesFrom(source, collected, &tags.Dropped);
    KeepTravellingFrames(std::move(collected), tags);
    return tags;
}

TagSet MergedRecord(const SourceTags& tags) {
    TagSet merged = tags.Id3v2;
    for (auto field :
         {&TagSet::Artist, &TagSet::Album, &TagSet::Title, &TagSet::Year, &TagSet::Genre,
          &TagSet::Comment, &TagSet::Track, &TagSet::EncodedBy, &TagSet::Url, &TagSet::Copyright,
          &TagSet::Composer, &TagSet::OriginalArtist}) {
        if (TrimBlanks(merged.*field).empty()) {
            merged.*field = tags.Id3v1.*field;
        }
    }
    return merged;
}

std::optional<std::vector<uint8_t>> RenderChunkTag(const SourceTags& tags) {
    const TagSet record = MergedRecord(tags);
    if (!HasAnyField(record) && !AnyFrameTravels(tags.Frames)) {
        return std::nullopt;
    }
    CarriedFrames carried = SelectCarriedFrames({}, tags.Frames);
    const int64_t total = Id3v2FramesLength(record, carried);
    return RenderId3v2Tag(record, 3, carried, total);
}

WriteStatus VerifyChunkTag(std::span<const uint8_t> bytes, const SourceTags& tags,
                           const std::string& path) {
    const MemorySource source(bytes);
    return VerifyId3v2From(source, path, MergedRecord(tags), tags.Frames);
}

WriteStatus WriteTargetTags(const std::string& targetPath, const SourceTags& tags) {
    const bool v1Due = HasAnyField(tags.Id3v1);
    const bool v2Due = HasAnyField(tags.Id3v2) || AnyFrameTravels(tags.Frames);
    std::optional<TailSnapshot> tail;
    if (v1Due) {
        tail = TakeTail(targetPath);
        WriteStatus status = WriteId3v1WithStatus(targetPath, tags.Id3v1, true);
        if (!status.Ok) {
            return status;
        }
    }
    if (v2Due) {
        WriteStatus status =
            WriteId3v2WithStatus(targetPath, tags.Id3v2, 3, true, true, tags.Frames);
        if (!status.Ok) {
            if (tail) {
                RestoreTail(targetPath, *tail);
            }
            return status;
        }
    }
    if (v1Due) {
        if (WriteStatus status = VerifyId3v1(targetPath, tags.Id3v1); !status.Ok) {
            return status;
        }
    }
    if (v2Due) {
        return VerifyId3v2(targetPath, tags.Id3v2, tags.Frames);
    }
    return {};
}

}  // namespace id3
