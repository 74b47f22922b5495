// Fuzz target over the WAV size check: the walk over a RIFF file's chunks to its data chunk,
// and what the data chunk promises against what the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "source_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto fileSize = static_cast<std::int64_t>(size);
    long reads = 0;
    const transcoder::ReadAt read = [&](std::int64_t offset, unsigned char* out, std::size_t n) {
        ++reads;
        if (offset < 0 || offset > fileSize || n > static_cast<std::size_t>(fileSize - offset)) {
            return false;
        }
        std::memcpy(out, data + offset, n);
        return true;
    };
    const auto chunk = transcoder::WavDataChunk(fileSize, read);
    // Bounded work whatever the chunk sizes say, and a data chunk within the file.
    if (reads > 4097 + 1) {
        std::abort();
    }
    if (chunk && (chunk->offset < 20 || chunk->offset > fileSize || chunk->present < 0 ||
                  chunk->present > chunk->declared || chunk->offset + chunk->present > fileSize ||
                  chunk->declared <= 0 || chunk->declared >= 0xFFFFFFFFll)) {
        std::abort();
    }
    return 0;
}
