#pragma once

#include <string>

#include "tag_set.h"

namespace id3 {

// The two tag records of one source file; they are never merged.
struct SourceTags {
    TagSet Id3v1;
    TagSet Id3v2;

    bool operator==(const SourceTags&) const = default;
};

// True when tags are carried over: the target format is MP3 (format index 1) and the source's
// path ends in "mp3" in any case.
bool IsTagTransferCase(const std::string& sourcePath, int targetFormat);

// Reads the ID3v1 block and the ID3v2 tag of the source before the transcoder runs; a record
// stays empty where the source has no such tag or cannot be read.
SourceTags ReadSourceTags(const std::string& sourcePath);

// After the transcoder has made the target: writes the ID3v1 block, then the ID3v2.3 tag, each
// only when its record has an artist or a title, making the target writable first. False when a
// write that was due failed (the target is then as the failed step found it).
bool WriteTargetTags(const std::string& targetPath, const SourceTags& tags);

}  // namespace id3
