#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace id3 {

// A frame of an old tag that the writer does not produce itself, kept to be written again.
struct CarriedFrame {
    std::string Id;  // 4 characters after conversion; an unlisted version-2 id keeps its 3
    std::vector<uint8_t> Data;

    bool operator==(const CarriedFrame&) const = default;
};

// The frames collected from an old tag, in tag order.
using CarriedFrames = std::vector<CarriedFrame>;

// The ID3v2.3 id for a version-2 id or for the version-4 ids TDOR and TIPL; others unchanged.
std::string MapFrameIdToV23(const std::string& id);

// Brings frames[index] to ID3v2.3 form: a PIC gets a MIME type instead of its image format, a
// LNK a 4-character frame id, a TDOR is cut to its year, and the id is mapped. Out-of-range
// indexes are ignored.
void ConvertCarriedFrame(CarriedFrames& frames, size_t index);

// The description of an APIC, COMM, TXXX or USLT frame as UTF-8; empty for other ids and for
// data too short to hold one.
std::string FrameDescription(const CarriedFrame& frame);

// The place a frame fills in a tag; a frame replaces another of the same place: its id and, for
// APIC, COMM, TXXX and USLT, its description.
std::string FrameSlotKey(const CarriedFrame& frame);

// Re-encodes the text of a frame written in UTF-8 or UTF-16 big-endian without byte-order mark
// (text encodings 3 and 2, which exist only in version 2.4) as UTF-16 with a byte-order mark
// (encoding 1), for text frames, TXXX, COMM, USLT and APIC; other frames stay as they are.
void ToVersion3Encoding(CarriedFrame& frame);

// True for frames that describe the bytes, timing or level of the audio stream they were
// written for (lengths, seek tables, gain and gapless data); they are wrong for other audio.
bool DescribesOldAudio(const CarriedFrame& frame);

}  // namespace id3
