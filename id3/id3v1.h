#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tag_set.h"
#include "write_status.h"

namespace id3 {

using Id3v1Block = std::array<uint8_t, 128>;

// Fills `tag` (cleared first) from a block starting with "TAG"; false, `tag` untouched, otherwise.
bool ParseId3v1Block(const Id3v1Block& block, TagSet& tag);

// The ID3v1.1 block for `tag`: texts cut to their fields, track and genre as numbers.
Id3v1Block RenderId3v1Block(const TagSet& tag);

// Reads the ID3v1 block at the end of the file into `tag`; false when the file cannot be read or
// has no block (then `tag` is untouched).
bool ReadId3v1(const std::string& path, TagSet& tag);

// Writes `tag` as an ID3v1.1 block over the file's old block or appended behind its end, after
// making the file writable when `clearReadOnly`. False when the file could not be opened or the
// block not written; the file is then as it was.
bool WriteId3v1(const std::string& path, const TagSet& tag, bool clearReadOnly);

// WriteId3v1 with the reason of a failure.
WriteStatus WriteId3v1WithStatus(const std::string& path, const TagSet& tag, bool clearReadOnly);

}  // namespace id3
