#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "byte_source.h"

namespace id3 {

// A part of a new file: `Bytes` as they are (held by the caller), or else `Length` bytes of the
// source from `Offset`.
struct FilePiece {
    std::span<const uint8_t> Bytes;
    int64_t Offset = 0;
    int64_t Length = 0;
};

// Writes the pieces one behind the other into a new file in the folder of `path` and renames it
// over `path` (a symbolic link is followed), keeping the file's mode and owner; synced as
// ReplaceWithHeadAndTail is. False, with `path` untouched and no file left behind, on any
// failure or short read.
bool ReplaceWithPieces(const std::string& path, const FileSource& source,
                       const std::vector<FilePiece>& pieces, std::span<uint8_t> workBuffer = {});

// Writes `head` and then the `tailLength` bytes of `source` from `tailOffset` into a new file in
// the folder of `path` and renames it over `path` (a symbolic link is followed), keeping the
// file's mode and owner. `workBuffer` (may be empty) is used where the bytes must pass through
// memory. The new file is synced before the rename and its folder after it. False, with `path`
// untouched and no file left behind, on any failure or short read.
bool ReplaceWithHeadAndTail(const std::string& path, const FileSource& source,
                            std::span<const uint8_t> head, int64_t tailOffset, int64_t tailLength,
                            std::span<uint8_t> workBuffer);

}  // namespace id3
