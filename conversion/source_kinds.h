#pragma once

#include <string>
#include <string_view>
#include <vector>

// The kinds of file the transcoder takes, told by their names' extensions: the one list the
// browser's "erlaubte Formate" filter and start-up's choice of a filter are made from.
namespace source_kinds {

// The extensions, lower case and without their dot, of every kind the transcoder opens: the
// DVD-era kinds first (avi, ac3, mp2, mp3, mpa, ogg, vob, wav), then those of a music library.
const std::vector<std::string>& Extensions();

// True when `extension` (lower case, without its dot) is one of Extensions().
bool IsSourceExtension(std::string_view extension);

// The file-list pattern of every kind: "*.avi;*.ac3;...", in the order of Extensions().
std::string AllowedPattern();

// The extension of the file name at the end of `path`: what follows the last dot of the name,
// lower case. Empty when the name has no dot, or only a leading one (".hidden"); a dot in a
// folder's name is never an extension.
std::string ExtensionOf(std::string_view path);

// `path` without the extension of its file name and that extension's dot ("/m/song.flac" gives
// "/m/song", "/m/noext" stays as it is, "/m/live.2024.mp3" gives "/m/live.2024").
std::string WithoutExtension(std::string_view path);

}  // namespace source_kinds
