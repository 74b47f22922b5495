#pragma once

#include <string>
#include <string_view>
#include <vector>

// Name comparison and wildcard matching as the browser lists names: letters compared
// without regard to case (ASCII), everything else byte by byte.
namespace names {

// The text after the last "/" of `path` (a directory entry's full path).
std::string LeafName(std::string_view path);

// True when `a` sorts before `b`, case ignored; names equal but for case sort by their bytes.
bool NameLess(std::string_view a, std::string_view b);

// Sorts `names` ascending by NameLess.
void SortNames(std::vector<std::string>& names);

// True when `name` matches one of the ";"-separated wildcard patterns ("*" any run, "?" one
// byte), case ignored. "*.*" matches every name, with or without a dot; an empty pattern none.
bool MatchesPattern(std::string_view name, std::string_view patterns);

}  // namespace names
