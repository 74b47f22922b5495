#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "byte_source.h"
#include "carried_frame.h"
#include "tag_set.h"
#include "write_status.h"

namespace id3 {

// Total length (header, frames, padding, footer) of an ID3v2 tag at `position`; 0 when there is
// none; nullopt when its size field overflows (a fault).
std::optional<int64_t> Id3v2SizeAt(const ByteSource& file, int64_t position);

// Bytes of the frame the writer makes for `text` under `id` (T..., COMM, WXXX), with or without
// its 10-byte header; 0 when the text is only blanks or the id is none of those.
int64_t TextFrameSize(const std::string& id, const std::string& text, bool withHeader);

// Appends the frame for `text` under `id` (sizes plain for version 3, synchsafe for 4). Text
// whose characters Windows-1252 and ISO-8859-1 both hold as the same byte is written single-byte,
// other text as UTF-16. Returns the bytes appended.
size_t WriteTextFrame(std::vector<uint8_t>& destination, const std::string& id,
                      const std::string& text, int version);

// Appends frames[index] as a frame (TORY/IPLS renamed TDOR/TIPL for version 4); returns the
// bytes appended, 0 for an index out of range.
size_t WriteCarriedFrame(std::vector<uint8_t>& destination, CarriedFrames& frames, size_t index,
                         int version);

// False for the thirteen ids the writer makes itself, true for every other id.
bool IsForeignFrameId(const std::string& id);

// The length of a new tag whose frames take `total` bytes (header included), replacing a tag
// of `oldSize` bytes: the old length when it fits, else a 2048-byte multiple plus padding.
int64_t NewTagLength(int64_t total, int64_t oldSize);

// The complete tag of `newSize` bytes (frames of `tag` and the writable carried frames, then
// zero padding); nullopt when they do not fit in `newSize`.
std::optional<std::vector<uint8_t>> RenderId3v2Tag(const TagSet& tag, int version,
                                                   CarriedFrames& carried, int64_t newSize);

// The bytes the frames of `tag` and `carried` take, the 10-byte header included.
int64_t Id3v2FramesLength(const TagSet& tag, const CarriedFrames& carried);

// The frames a new tag carries: those of `source` (another file's tag) that the writer does not
// make itself and that do not describe the old audio, a comment under a description of its own
// included; then those of `old` (the file's own old tag) the writer does not make, unless a
// frame of `source` takes their place (same id, and same description for APIC/COMM/TXXX/USLT).
// Frames in a group that no GRID frame among them registers are left out.
CarriedFrames SelectCarriedFrames(CarriedFrames old, CarriedFrames source);

// True for a frame of another file's tag that SelectCarriedFrames takes.
bool IsCarriedFromSource(const CarriedFrame& frame);

// The record a reader gets back from the tag written for `tag` in `version`: texts of blanks
// are dropped, a genre takes its table form, a version-4 year its first four characters, a URL
// its percent-encoded form.
TagSet WrittenForm(const TagSet& tag, int version);

// Makes the file writable for its owner; nothing happens when that fails.
void ClearReadOnly(const std::string& path);

// Writes `tag` as a new ID3v2 tag (version 3 or 4) at the front of the file, replacing its old
// tag; frames of the old tag the writer does not make are kept unless `ignoreExistingFrames`.
// `workBuffer` (may be empty) is used where audio bytes pass through memory. False when the file
// could not be opened, its old tag is damaged or a read or write failed; the file is then as it
// was.
bool WriteId3v2(const std::string& path, const TagSet& tag, int version, bool ignoreExistingFrames,
                bool clearReadOnly, std::span<uint8_t> workBuffer = {});

// WriteId3v2, also writing the frames of `extra` (carried from another file's tag) as
// SelectCarriedFrames chooses them; the status says why a write failed.
WriteStatus WriteId3v2WithStatus(const std::string& path, const TagSet& tag, int version,
                                 bool ignoreExistingFrames, bool clearReadOnly,
                                 const CarriedFrames& extra = {},
                                 std::span<uint8_t> workBuffer = {});

}  // namespace id3
