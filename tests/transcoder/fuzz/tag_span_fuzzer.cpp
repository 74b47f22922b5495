// Fuzz target over the tag skipping of the byte-count rule: leading ID3v2 tags, a trailing
// ID3v1 block and an APEv2 tag, read through the same byte reader as a file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "source_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto fileSize = static_cast<std::int64_t>(size);
    const transcoder::ReadAt read = [&](std::int64_t offset, unsigned char* out, std::size_t n) {
        if (offset < 0 || offset > fileSize || n > static_cast<std::size_t>(fileSize - offset)) {
            return false;
        }
        std::memcpy(out, data + offset, n);
        return true;
    };
    const transcoder::ByteSpan span = transcoder::UntaggedSpan(fileSize, read);
    if (span.begin < 0 || span.begin > span.end || span.end > fileSize) {
        std::abort();
    }
    return 0;
}
