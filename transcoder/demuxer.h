#pragma once

#include <optional>
#include <string>

#include "av_handles.h"
#include "status.h"

namespace transcoder {

// The demuxers a source may be read with, none of which opens another file: those of the
// converter's first formats (mp3 for mp2, mp3 and mpa; ac3 and eac3; dts and dtshd; mpeg for
// the program stream of a vob; avi; ogg, which holds Vorbis, Opus and FLAC; wav for WAV and
// RF64; w64) and those of a music library (flac; mov for MP4, M4A and M4B; matroska for MKA,
// MKV and WebM; asf for WMA and WMV; aiff for AIFF and AIFC; wv for WavPack; ape for Monkey's
// Audio; tta; mpegts for TS and M2TS; aac for ADTS). Playlists and scripts that name other
// files (concat, hls ...) are never opened.
inline constexpr const char* kInputFormats =
    "mp3,ac3,eac3,dts,dtshd,mpeg,avi,ogg,wav,w64,"
    "flac,mov,matroska,asf,aiff,wv,ape,tta,mpegts,aac";

// Opens the local file `path` (never a URL) with the demuxers of kInputFormats and reads the
// parameters of its streams. Fails with the reason for the user: a file of a kind no demuxer
// of the list reads (named when FFmpeg knows it: a playlist, an image, an unsupported audio
// format), an empty or cut-off file, one that cannot be read.
Result<FormatHandle> OpenMedia(const std::string& path);

// The index of the first audio stream of `format`, all other streams set to be discarded;
// empty when there is none.
std::optional<int> TakeFirstAudioStream(AVFormatContext& format);

// False only when the bytes of the regular file `path` are of no kind FFmpeg knows by its
// contents (a demuxer may still have taken it for its name's sake); true for a pipe.
bool MayBeMedia(const std::string& path);

// What kind of file `format` was opened as, for messages: "Matroska", "MP4", "Ogg" ...
std::string KindOf(const AVFormatContext& format);

}  // namespace transcoder
