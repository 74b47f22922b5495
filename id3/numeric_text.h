#pragma once

#include <optional>
#include <string_view>

namespace id3 {

// The value of a plain decimal number such as "17", " 5 ", "-3", "2.5" or "1e2" (blanks around
// it allowed); nullopt when the text is not such a number.
std::optional<double> ParseNumber(std::string_view text);

// Removes leading and trailing blanks (spaces only).
std::string_view TrimBlanks(std::string_view text);

}  // namespace id3
