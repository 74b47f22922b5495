#include "frame_bytes.h"

namespace id3 {

std::optional<int32_t> DecodeSize32(const uint8_t* b, bool synchsafe) {
    if (((b[0] | b[1] | b[2] | b[3]) & 0x80) != 0) {
        synchsafe = false;
    }
    if (synchsafe) {
        return static_cast<int32_t>((b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]);
    }
    if (b[0] >= 0x80) {
        return std::nullopt;
    }
    return static_cast<int32_t>((uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) |
                                (uint32_t{b[2]} << 8) | b[3]);
}

void EncodeSize32(uint32_t value, bool synchsafe, uint8_t* d) {
    if (synchsafe) {
        d[0] = static_cast<uint8_t>((value >> 21) & 127);
        d[1] = static_cast<uint8_t>((value >> 14) & 127);
        d[2] = static_cast<uint8_t>((value >> 7) & 127);
        d[3] = static_cast<uint8_t>(value & 127);
    } else {
        d[0] = static_cast<uint8_t>(value >> 24);
        d[1] = static_cast<uint8_t>((value >> 16) & 255);
        d[2] = static_cast<uint8_t>((value >> 8) & 255);
        d[3] = static_cast<uint8_t>(value & 255);
    }
}

int64_t Deunsynchronise(uint8_t* bytes, int64_t length) {
    if (length <= 0) {
        return 0;
    }
    int64_t r = 0;
    int64_t w = 0;
    int64_t removed = 0;
    while (true) {
        bytes[w++] = bytes[r];
        if (r > length - 2) {
            break;
        }
        if (bytes[r] == 0xFF && bytes[r + 1] == 0x00) {
            r += 2;
            ++removed;
            if (r == length) {
                break;
            }
        } else {
            ++r;
        }
    }
    return removed;
}

bool IsFrameIdBytes(const uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = bytes[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == 0)) {
            return false;
        }
    }
    return true;
}

}  // namespace id3
