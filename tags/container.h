#pragma once

#include <string>

#include "byte_source.h"

namespace tags {

// The kinds of file whose tags are read, each by the reader for its tag format.
enum class Container {
    Mpeg,       // MP3, MP2 and anything else without a container of its own: ID3v2 and ID3v1
    Flac,       // native FLAC: Vorbis comments and picture blocks
    OggVorbis,  // Ogg: Vorbis comments, METADATA_BLOCK_PICTURE
    OggOpus,
    OggFlac,
    OggSpeex,
    Mp4,        // MP4/M4A/M4B: iTunes atoms
    Asf,        // WMA/WMV: ASF attributes
    Ape,        // Monkey's Audio: APEv2
    WavPack,    // APEv2
    TrueAudio,  // ID3v2, APEv2
    Wav,        // RIFF INFO, id3 chunk
    Aiff,       // ID3 chunk
    Matroska,   // Matroska and WebM tags, attachments
};

// The container of `source` by its first bytes (past an ID3v2 tag in front, which FLAC, TTA,
// APE and WavPack files sometimes carry); by the extension of `path` (".flac", ".m4a", ...)
// where the bytes say nothing; Mpeg when neither does.
Container DetectContainer(const id3::ByteSource& source, const std::string& path);

// A short name of the container for messages and the tags tool: "FLAC", "Ogg Vorbis", ...
std::string ContainerName(Container container);

}  // namespace tags
