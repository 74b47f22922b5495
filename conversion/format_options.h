#pragma once

#include <optional>
#include <string>

// The bitrate steps of the three bitrate bars and the texts shown above them.
namespace format_options {

// Which bar: the MP3 bar runs 6..14 (80..320 kbit/s), the AC3 and MPA bars 10..19 (160..640).
enum class BitrateBar { Mp3, Ac3, Mpa };

// Lowest and highest position of `bar`.
int MinPosition(BitrateBar bar);
int MaxPosition(BitrateBar bar);
// The position the bar starts at (192 kbit/s for MP3, 320 for AC3 and MPA).
int StartPosition(BitrateBar bar);

// The bitrate in kbit/s at `position`; nullopt when the bar's table has no such position.
std::optional<int> BitrateAt(BitrateBar bar, int position);

// The position at which `bar` shows `kbps`; nullopt when its table has no such bitrate.
std::optional<int> PositionOf(BitrateBar bar, int kbps);

// The bar of format `index` (1 MP3, 2 AC3, 3 MPA); nullopt for WAV, which has none, and
// for other numbers.
std::optional<BitrateBar> BarOfFormat(int index);

// The label text for `kbps`: "Bitrate: " + number + " KB/s".
std::string BitrateCaption(int kbps);

}  // namespace format_options
