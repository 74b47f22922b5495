#pragma once

#include <cstdint>
#include <optional>

namespace id3 {

// A 4-byte size: synchsafe (7 bits a byte) or plain big-endian. A byte with its top bit set
// makes it plain whatever was asked; a plain value that overflows 32 signed bits (first byte
// 0x80 or more) gives nullopt, a fault that abandons the operation.
std::optional<int32_t> DecodeSize32(const uint8_t* bytes, bool synchsafe);

// Writes `value` as 4 bytes, synchsafe or plain big-endian.
void EncodeSize32(uint32_t value, bool synchsafe, uint8_t* destination);

// Removes the zero byte of every 0xFF 0x00 pair of `length` bytes in place; returns how many
// bytes were removed (the area's last that many bytes are then leftovers).
int64_t Deunsynchronise(uint8_t* bytes, int64_t length);

// True when each of the 4 bytes is "A"-"Z", "0"-"9" or zero.
bool IsFrameIdBytes(const uint8_t* bytes);

}  // namespace id3
