#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "byte_source.h"
#include "carried_frame.h"
#include "tag_set.h"

namespace id3 {

// Where the parse of one tag ends: the start of a further tag announced by a SEEK frame (-1 for
// none), or a fault that abandons the whole operation (the fields stored before it stay).
struct ParseResult {
    int64_t Next = -1;
    bool Fault = false;

    bool operator==(const ParseResult&) const = default;
};

// Parses the ID3v2 tag whose header is at `start`. Read mode (`collect` null) stores the known
// frames in `tag` (the comment: the first COMM with an empty description, else the first whose
// description does not begin with "iTun", else none); collect mode appends every frame, in ID3v2.3
// form, to `*collect`. Compressed frames are read inflated; encrypted frames and compressed ones
// that do not inflate are passed over and, when `dropped` is given, listed there.
ParseResult ParseId3v2Tag(const ByteSource& file, int64_t start, TagSet& tag,
                          CarriedFrames* collect, DroppedFrames* dropped = nullptr);

// The text of a frame's data for the frame ids the record knows (T..., COMM, WXXX, SEEK and their
// version-2 forms); empty for other ids. nullopt for a SEEK offset that overflows (a fault).
std::optional<std::string> ReadFrameText(std::span<const uint8_t> data, const std::string& id);

// Reads the ID3v2 tags at the front of the source (following SEEK frames), or else the tag
// announced by a footer at its end, into `tag`. True when a tag was found, even when its content
// was partly unreadable; false, `tag` untouched, when there is none.
bool ReadId3v2From(const ByteSource& source, TagSet& tag);

// ReadId3v2From over the file at `path`; false too when the file cannot be opened.
bool ReadId3v2(const std::string& path, TagSet& tag);

// Appends the frames of the tags ReadId3v2From would read, in ID3v2.3 form and tag order, to
// `frames`, and those it cannot read to `dropped` (when given). False on a fault in a tag (the
// frames collected before it stay); true for no tag.
bool CollectId3v2FramesFrom(const ByteSource& source, CarriedFrames& frames,
                            DroppedFrames* dropped = nullptr);

// CollectId3v2FramesFrom over the file at `path`; false too when the file cannot be opened.
bool CollectId3v2Frames(const std::string& path, CarriedFrames& frames,
                        DroppedFrames* dropped = nullptr);

}  // namespace id3
