#pragma once

#include <optional>
#include <string>

#include "tag_set.h"

namespace tags_tool {

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// A JSON object with the twelve fields of `tag` under their names, or "null".
std::string JsonTagSet(const std::optional<id3::TagSet>& tag);

}  // namespace tags_tool
