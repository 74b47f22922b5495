#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace id3 {

// The 148 genre names, index 0 ("Blues") to 147 ("SynthPop"); built once on first use.
const std::vector<std::string>& GenreTable();

// The table name for 0 <= index <= 147; the empty text for any other index.
std::string GenreName(long long index);

// The index (0-147) of `name`, compared without case and surrounding blanks; 255 when unknown.
int GenreIndex(std::string_view name);

// The genre of a TCON/TCO text: "(17)..." and a bare "17" give "Rock", "(RX)" "Remix", "(CR)"
// "Cover", anything else stays. nullopt is a fault that abandons the read: ")" before "(" or a
// number too large.
std::optional<std::string> ParseGenreText(std::string_view text);

// The TCON text for a genre: "(17)Rock" for a table name (in any case), else the genre unchanged.
std::string GenreFrameText(std::string_view genre);

}  // namespace id3
