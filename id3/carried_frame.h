#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace id3 {

// A frame of an old tag that the writer does not produce itself, kept to be written again.
struct CarriedFrame {
    std::string Id;  // 4 characters after conversion; an unlisted version-2 id keeps its 3
    std::vector<uint8_t> Data;
    int Group = -1;  // the group symbol of a frame in a group (see GRID frames), -1 for none

    bool operator==(const CarriedFrame&) const = default;
};

// The frames collected from an old tag, in tag order.
using CarriedFrames = std::vector<CarriedFrame>;

// A frame of a tag that cannot be carried into another tag, and why.
struct DroppedFrame {
    std::string Id;  // as the tag has it
    std::string Reason;

    bool operator==(const DroppedFrame&) const = default;
};

using DroppedFrames = std::vector<DroppedFrame>;

// The ID3v2.3 id for a version-2 id (iTunes' own TCP, TST, TSA, TSP, TS2, TSC, GP1, MVN, MVI
// included) or for the version-4 ids TDOR, TIPL and TMCL; other ids unchanged.
std::string MapFrameIdToV23(const std::string& id);

// Brings frames[index] to ID3v2.3 form: a PIC gets a MIME type instead of its image format, a
// LNK a 4-character frame id, a TDOR keeps only its year, and the id is mapped. Out-of-range
// indexes are ignored.
void ConvertCarriedFrame(CarriedFrames& frames, size_t index);

// Brings what the frames from `from` on (one tag's) hold in version-2.4 form to version 2.3:
// the day and time of a TDRC date are added behind it as TDAT ("DDMM") and TIME ("HHMM") unless
// the tag has those frames already, and several IPLS frames (from TIPL and TMCL) become one.
void ConvertVersion4Frames(CarriedFrames& frames, size_t from);

// Removes the frames in a group that no GRID frame of `frames` registers (a target could not
// tell what the group means); each removed frame is added to `dropped` when it is given.
void DropUnregisteredGroups(CarriedFrames& frames, DroppedFrames* dropped);

// The description of an APIC, COMM, TXXX or USLT frame as UTF-8; empty for other ids and for
// data too short to hold one.
std::string FrameDescription(const CarriedFrame& frame);

// The place a frame fills in a tag; a frame replaces another of the same place: its id and, for
// APIC, COMM, TXXX and USLT, its description.
std::string FrameSlotKey(const CarriedFrame& frame);

// Re-encodes the text of a frame written in UTF-8 or UTF-16 big-endian without byte-order mark
// (text encodings 3 and 2, which exist only in version 2.4) as UTF-16 with a byte-order mark
// (encoding 1), for text frames, IPLS, TXXX, COMM, USLT and APIC; other frames stay as they are.
void ToVersion3Encoding(CarriedFrame& frame);

// True for frames that describe the bytes, timing or level of the audio stream they were
// written for (lengths, seek tables, gain and gapless data); they are wrong for other audio.
bool DescribesOldAudio(const CarriedFrame& frame);

}  // namespace id3
