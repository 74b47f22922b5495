#include "source_tags.h"

#include <cstring>
#include <functional>
#include <new>
#include <set>

#include "id3_mapping.h"
#include "id3v1.h"
#include "matroska_reader.h"
#include "numeric_text.h"
#include "riff_chunks.h"
#include "taglib_reader.h"
#include "wav_target.h"

namespace tags {
namespace {

// An ID3 chunk larger than an ID3v2 tag can be is damage.
constexpr int64_t kMaxTagChunk = int64_t{256} << 20;

std::string LeadingNumber(const std::string& text) {
    const std::string_view trimmed = id3::TrimBlanks(text);
    size_t n = 0;
    while (n < trimmed.size() && trimmed[n] >= '0' && trimmed[n] <= '9') {
        ++n;
    }
    return std::string(trimmed.substr(0, n));
}

// The tags of the ID3 chunk of a WAV or AIFF file; empty records when it has none.
id3::SourceTags ChunkTags(const id3::ByteSource& source, Container container) {
    id3::SourceTags out;
    const auto chunks = ReadChunks(source);
    if (!chunks) {
        out.Dropped.push_back({"(chunks)", "not a RIFF or IFF file"});
        return out;
    }
    const Chunk* chunk = FindChunk(*chunks, {"id3 ", "ID3 "});
    if (chunk == nullptr) {
        if (!chunks->Damage.empty() && container == Container::Aiff) {
            out.Dropped.push_back({"(chunks)", chunks->Damage});
        }
        return out;
    }
    const auto data = ChunkData(source, *chunk, kMaxTagChunk);
    if (!data) {
        out.Dropped.push_back({chunk->Id, "an ID3 chunk cut short or larger than an ID3 tag"});
        return out;
    }
    const id3::MemorySource tag(*data);
    return id3::ReadSourceTagsFrom(tag);
}

bool HasAnyField(const id3::TagSet& tag) {
    return !(tag == id3::TagSet{});
}

// The id3 chunk's tags completed by the INFO list's: fields the chunk lacks, frames of places
// the chunk does not fill.
id3::SourceTags Combine(id3::SourceTags chunk, id3::SourceTags info) {
    if (!HasAnyField(chunk.Id3v2) && chunk.Frames.empty()) {
        info.Dropped.insert(info.Dropped.begin(), chunk.Dropped.begin(), chunk.Dropped.end());
        return info;
    }
    chunk.Id3v2 = id3::MergedRecord({info.Id3v2, chunk.Id3v2, {}, {}});
    std::set<std::string> slots;
    for (const auto& frame : chunk.Frames) {
        slots.insert(id3::FrameSlotKey(frame));
    }
    for (auto& frame : info.Frames) {
        if (slots.count(id3::FrameSlotKey(frame)) == 0) {
            chunk.Frames.push_back(std::move(frame));
        }
    }
    chunk.Dropped.insert(chunk.Dropped.end(), info.Dropped.begin(), info.Dropped.end());
    return chunk;
}

// A record for the ID3v1 block of a target, from the one record of a source without ID3v1.
void FillId3v1(id3::SourceTags& tags) {
    tags.Id3v1 = tags.Id3v2;
    tags.Id3v1.Track = LeadingNumber(tags.Id3v2.Track);
}

// The readers of one source, over a file or over bytes.
struct Readers {
    std::function<id3::SourceTags()> mpeg;
    std::function<NeutralTags(Container)> taglib;
    std::function<NeutralTags()> matroska;
};

id3::SourceTags Dispatch(const id3::ByteSource& source, Container container, const Readers& readers,
                         const ReadOptions& options) {
    switch (container) {
        case Container::Mpeg:
        case Container::TrueAudio:
            return readers.mpeg();
        case Container::Wav: {
            id3::SourceTags tags =
                Combine(ChunkTags(source, container), MapToId3(readers.taglib(container), options));
            FillId3v1(tags);
            return tags;
        }
        case Container::Aiff: {
            id3::SourceTags tags = ChunkTags(source, container);
            FillId3v1(tags);
            return tags;
        }
        case Container::Matroska:
            return MapToId3(readers.matroska(), options);
        default:
            return MapToId3(readers.taglib(container), options);
    }
}

// Runs a read; a failed allocation ends it with a reason instead of an exception.
id3::SourceTags Guarded(const std::function<id3::SourceTags()>& read) {
    try {
        return read();
    } catch (const std::bad_alloc&) {
        return {{}, {}, {}, {{"(tags)", "could not be read: not enough memory"}}};
    } catch (...) {
        return {{}, {}, {}, {{"(tags)", "could not be read"}}};
    }
}

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return extension;
}

id3::WriteStatus WriteOne(const std::string& target, TargetKind kind, const id3::SourceTags& tags) {
    switch (kind) {
        case TargetKind::Mp3:
        case TargetKind::Mpa:
            return id3::WriteTargetTags(target, tags);
        case TargetKind::Wav:
            return WriteWavTags(target, tags);
        case TargetKind::Ac3:
            return {};
    }
    return {};
}

}  // namespace

std::optional<TargetKind> TargetKindOf(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == "mp3") {
        return TargetKind::Mp3;
    }
    if (extension == "mp2" || extension == "mpa") {
        return TargetKind::Mpa;
    }
    if (extension == "wav") {
        return TargetKind::Wav;
    }
    if (extension == "ac3") {
        return TargetKind::Ac3;
    }
    return std::nullopt;
}

Container SourceContainer(const std::string& source) {
    try {
        const auto file = id3::FileSource::Open(source, false);
        return file ? DetectContainer(*file, source) : Container::Mpeg;
    } catch (...) {
        return Container::Mpeg;  // out of memory for a few bytes: the plainest reading
    }
}

id3::SourceTags ReadSourceTags(const std::string& source, const ReadOptions& options) {
    return Guarded([&] {
        const auto file = id3::FileSource::Open(source, false);
        if (!file) {
            return id3::ReadSourceTags(source);  // empty records, as for any unreadable MP3
        }
        const Readers readers = {
            [&] { return id3::ReadSourceTags(source); },
            [&](Container container) { return ReadTagLibFile(source, container); },
            [&] { return ReadMatroskaFile(source); }};
        return Dispatch(*file, DetectContainer(*file, source), readers, options);
    });
}

id3::SourceTags ReadSourceTagsFrom(std::span<const uint8_t> bytes, const std::string& name,
                                   const ReadOptions& options) {
    return Guarded([&] {
        const id3::MemorySource source(bytes);
        const Readers readers = {
            [&] {
                id3::SourceTags tags = id3::ReadSourceTagsFrom(source);
                if (bytes.size() >= 128) {
                    id3::Id3v1Block block{};
                    std::memcpy(block.data(), bytes.data() + bytes.size() - 128, 128);
                    id3::ParseId3v1Block(block, tags.Id3v1);
                }
                return tags;
            },
            [&](Container container) { return ReadTagLibBytes(bytes, container); },
            [&] { return ReadMatroskaBytes(bytes); }};
        return Dispatch(source, DetectContainer(source, name), readers, options);
    });
}

id3::WriteStatus WriteTargetTags(const std::string& target, TargetKind kind,
                                 const id3::SourceTags& tags) {
    try {
        return WriteOne(target, kind, tags);
    } catch (const std::bad_alloc&) {
        return id3::WriteFailed("tags", "not enough memory to write the tags of '" + target + "'");
    } catch (...) {
        return id3::WriteFailed("tags", "the tags of '" + target + "' could not be written");
    }
}

id3::WriteStatus WriteTargetTags(const std::vector<std::string>& targets, TargetKind kind,
                                 const id3::SourceTags& tags) {
    id3::WriteStatus first;
    for (const auto& target : targets) {
        const id3::WriteStatus status = WriteTargetTags(target, kind, tags);
        if ((!status.Ok && first.Ok) || (first.Ok && first.Reason.empty())) {
            first = status;
        }
    }
    return first;
}

}  // namespace tags
