#pragma once

#include <optional>
#include <string>

#include "carried_frame.h"
#include "tag_set.h"

namespace tags_tool {

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// A JSON object with the twelve fields of `tag` under their names, or "null".
std::string JsonTagSet(const std::optional<id3::TagSet>& tag);

// A JSON array with one {"id": ..., "size": ...} object per frame, in list order, with a
// "description" for frames that have one (APIC, COMM, TXXX, USLT).
std::string JsonFrameList(const id3::CarriedFrames& frames);

// A JSON array with one {"id": ..., "reason": ...} object per dropped frame, in list order.
std::string JsonDroppedList(const id3::DroppedFrames& frames);

}  // namespace tags_tool
