#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_source.h"

namespace tags {

// One chunk of a RIFF (WAV) or IFF (AIFF) file.
struct Chunk {
    std::string Id;        // 4 characters
    int64_t Offset = 0;    // of its 8-byte header
    int64_t Size = 0;      // of its data, as its header says
    std::string ListType;  // the form of a LIST chunk ("INFO", "adtl", ...); else empty

    bool operator==(const Chunk&) const = default;
};

// The top-level chunks of a RIFF or IFF file, in file order.
struct ChunkFile {
    std::string Form;  // "RIFF", "RF64", "BW64" or "FORM"
    std::string Type;  // "WAVE", "AIFF", "AIFC"
    std::vector<Chunk> Chunks;
    // Why the walk stopped before the file's end: a chunk that runs past it, and the like.
    // Empty when every chunk lay whole inside the file.
    std::string Damage;

    bool operator==(const ChunkFile&) const = default;
};

// The chunk layout of `source`; nullopt when it is no RIFF, RF64 or IFF file. Sizes are
// little-endian in RIFF and big-endian in IFF; every chunk is padded to an even size.
std::optional<ChunkFile> ReadChunks(const id3::ByteSource& source);

// The first chunk whose id is one of `ids` ("id3 ", "ID3 ", ...); nullptr when there is none.
const Chunk* FindChunk(const ChunkFile& file, std::initializer_list<const char*> ids);

// The data bytes of `chunk`; nullopt when it is longer than `limit` or cut short by the end of
// the file.
std::optional<std::vector<uint8_t>> ChunkData(const id3::ByteSource& source, const Chunk& chunk,
                                              int64_t limit);

}  // namespace tags
