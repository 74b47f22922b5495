#pragma once

#include "neutral_tags.h"
#include "tag_transfer.h"

namespace tags {

// The ID3v2.3 form of a non-MP3 source's tags: the record for the writer's own frames, the
// carried frames for the rest (album artist, disc, lyrics, sort names, pictures, MusicBrainz
// identifiers, every other item as TXXX), and the ID3v1 record filled from the same fields.
// Items that describe the old audio (gain, encoder, gapless data) and items beyond the bounds
// of `options` are listed in Dropped with the reason; nothing is left out silently.
id3::SourceTags MapToId3(const NeutralTags& source, const ReadOptions& options);

// The MIME type of an image judged by its first bytes (JPEG, PNG, GIF, BMP, WebP); empty when
// none of those.
std::string SniffImageMime(const std::vector<uint8_t>& data);

}  // namespace tags
