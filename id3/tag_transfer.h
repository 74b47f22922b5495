#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "byte_source.h"
#include "carried_frame.h"
#include "tag_set.h"
#include "write_status.h"

namespace id3 {

// What a converted file takes over from its source. The ID3v1 and ID3v2 records are never
// merged; the carried frames go into the new ID3v2 tag behind its own text frames.
struct SourceTags {
    TagSet Id3v1;
    TagSet Id3v2;
    CarriedFrames Frames;   // the source's other ID3v2 frames, in ID3v2.3 form, that travel
    DroppedFrames Dropped;  // the source's ID3v2 frames that do not travel, and why

    bool operator==(const SourceTags&) const = default;
};

// Reads the ID3v1 block and the ID3v2 tag of the source before the transcoder runs, and the
// frames of that tag beyond the twelve fields that a new file can take over (cover pictures,
// lyrics, disc numbers, sort names, user texts ...; not those about the old audio stream such
// as its length or gain, nor encrypted ones). A record stays empty where the source has no such
// tag or cannot be read.
SourceTags ReadSourceTags(const std::string& sourcePath);

// ReadSourceTags over the ID3v2 tag at the front of `source` (the data of a WAV or AIFF chunk),
// without an ID3v1 block: the ID3v1 record is left empty.
SourceTags ReadSourceTagsFrom(const ByteSource& source);

// The one record of a target that holds a single tag (a WAV file's chunks): the ID3v2 record,
// its empty fields filled from the ID3v1 record.
TagSet MergedRecord(const SourceTags& tags);

// The ID3v2.3 tag, without padding, that a container chunk holds for `tags` (MergedRecord and
// the frames that travel); nullopt when there is nothing to write or the tag would be too large.
std::optional<std::vector<uint8_t>> RenderChunkTag(const SourceTags& tags);

// Whether `bytes` (read back from the chunk of `path`) hold the tag RenderChunkTag made for
// `tags`; failed, with the first difference, when not.
WriteStatus VerifyChunkTag(std::span<const uint8_t> bytes, const SourceTags& tags,
                           const std::string& path);

// After the transcoder has made the target: writes the ID3v1 block when its record has any
// field, then the ID3v2.3 tag when its record has any field or any frame travels, making the
// target writable first; then reads both back and compares them with what was meant. A source
// without tags leaves the target untouched. A failed or refused ID3v2 write takes the ID3v1
// block back out, leaving the target as it was. The status is failed, with a one-line reason,
// when a write due failed or the read-back differs.
WriteStatus WriteTargetTags(const std::string& targetPath, const SourceTags& tags);

}  // namespace id3
