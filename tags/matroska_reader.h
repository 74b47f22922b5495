#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "neutral_tags.h"

namespace tags {

// Reads the tags of a Matroska or WebM file at `path` (its global tags and the pictures among
// its attachments) with libavformat's Matroska demuxer, and no other demuxer. What cannot be read
// gives an entry in Dropped.
NeutralTags ReadMatroskaFile(const std::string& path);

// ReadMatroskaFile over bytes in memory.
NeutralTags ReadMatroskaBytes(std::span<const uint8_t> bytes);

}  // namespace tags
