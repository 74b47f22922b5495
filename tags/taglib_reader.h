#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "container.h"
#include "neutral_tags.h"

namespace tags {

// Reads the tags of the file at `path`, a file of `container` (Flac, the Ogg kinds, Mp4, Asf,
// Ape, WavPack; for Wav its LIST/INFO fields), with TagLib. What TagLib cannot read gives an
// entry in Dropped, never an exception.
NeutralTags ReadTagLibFile(const std::string& path, Container container);

// ReadTagLibFile over bytes in memory.
NeutralTags ReadTagLibBytes(std::span<const uint8_t> bytes, Container container);

}  // namespace tags
