#include "riff_chunks.h"

#include <cstring>

namespace tags {
namespace {

// More chunks than this are taken as damage, not as a file.
constexpr size_t kMaxChunks = 100000;

uint32_t SizeField(const uint8_t* bytes, bool bigEndian) {
    if (bigEndian) {
        return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
               bytes[3];
    }
    return (uint32_t{bytes[3]} << 24) | (uint32_t{bytes[2]} << 16) | (uint32_t{bytes[1]} << 8) |
           bytes[0];
}

}  // namespace

std::optional<ChunkFile> ReadChunks(const id3::ByteSource& source) {
    const std::vector<uint8_t> head = id3::ReadBytes(source, 0, 12);
    if (head.size() < 12) {
        return std::nullopt;
    }
    ChunkFile file;
    file.Form.assign(reinterpret_cast<const char*>(head.data()), 4);
    file.Type.assign(reinterpret_cast<const char*>(head.data() + 8), 4);
    const bool bigEndian = file.Form == "FORM";
    if (!(bigEndian || file.Form == "RIFF" || file.Form == "RF64" || file.Form == "BW64")) {
        return std::nullopt;
    }
    const int64_t end = source.Size();
    int64_t at = 12;
    while (at + 8 <= end) {
        if (file.Chunks.size() >= kMaxChunks) {
            file.Damage = "more than " + std::to_string(kMaxChunks) + " chunks";
            break;
        }
        const std::vector<uint8_t> header = id3::ReadBytes(source, at, 12);
        Chunk chunk;
        chunk.Id.assign(reinterpret_cast<const char*>(header.data()), 4);
        chunk.Offset = at;
        chunk.Size = SizeField(header.data() + 4, bigEndian);
        if (chunk.Id == "LIST" && header.size() >= 12 && chunk.Size >= 4) {
            chunk.ListType.assign(reinterpret_cast<const char*>(header.data() + 8), 4);
        }
        if (at + 8 + chunk.Size > end) {
            file.Damage = "the chunk '" + chunk.Id + "' at " + std::to_string(at) +
                          " runs past the end of the file";
            file.Chunks.push_back(std::move(chunk));
            break;
        }
        at += 8 + chunk.Size + (chunk.Size & 1);
        file.Chunks.push_back(std::move(chunk));
    }
    if (file.Damage.empty() && at < end) {
        file.Damage = std::to_string(end - at) + " bytes behind the last chunk";
    }
    return file;
}

const Chunk* FindChunk(const ChunkFile& file, std::initializer_list<const char*> ids) {
    for (const auto& chunk : file.Chunks) {
        for (const char* id : ids) {
            if (chunk.Id == id) {
                return &chunk;
            }
        }
    }
    return nullptr;
}

std::optional<std::vector<uint8_t>> ChunkData(const id3::ByteSource& source, const Chunk& chunk,
                                              int64_t limit) {
    if (chunk.Size > limit) {
        return std::nullopt;
    }
    std::vector<uint8_t> data =
        id3::ReadBytes(source, chunk.Offset + 8, static_cast<size_t>(chunk.Size));
    if (static_cast<int64_t>(data.size()) != chunk.Size) {
        return std::nullopt;
    }
    return data;
}

}  // namespace tags
