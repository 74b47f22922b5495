#pragma once

#include <optional>
#include <string>

#include "av_handles.h"
#include "status.h"

namespace transcoder {

// The demuxers a source may be read with: those of the converter's input formats (mp3, mp2
// and mpa; ac3 and eac3; dts; the MPEG program stream of a vob; avi; ogg; wav, w64 and
// rf64). Playlists and scripts that name other files (concat, hls ...) are never opened.
inline constexpr const char* kInputFormats = "mp3,ac3,eac3,dts,dtshd,mpeg,avi,ogg,wav,w64";

// Opens the local file `path` (never a URL) with the demuxers of kInputFormats and reads the
// parameters of its streams. Fails with the reason for the user: a file of another kind, an
// empty or cut-off file, one that cannot be read.
Result<FormatHandle> OpenMedia(const std::string& path);

// The index of the first audio stream of `format`, all other streams set to be discarded;
// empty when there is none.
std::optional<int> TakeFirstAudioStream(AVFormatContext& format);

}  // namespace transcoder
