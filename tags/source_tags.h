#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container.h"
#include "neutral_tags.h"
#include "tag_transfer.h"

// The tags of a conversion, whatever the source's kind: read before the transcoder runs, written
// into its targets after it. Nothing here throws.
namespace tags {

// The kinds of target a conversion writes.
enum class TargetKind { Mp3, Mpa, Wav, Ac3 };

// The target kind a file name's extension (.mp3, .mp2/.mpa, .wav, .ac3, any case) stands for;
// nullopt for any other.
std::optional<TargetKind> TargetKindOf(const std::string& path);

// The tags of the source at `source`, ready for any target. MP3 and other MPEG audio sources
// (and TTA, which holds ID3) are read by the ID3 reader exactly as an MP3 to MP3 transfer reads
// them; WAV sources by their LIST/INFO (TagLib) and id3 chunks; AIFF by its ID3 chunk; Matroska
// by libavformat; every other kind by TagLib. The kind is told by content, then by extension.
// A source that cannot be read gives empty records with the reason in Dropped.
id3::SourceTags ReadSourceTags(const std::string& source, const ReadOptions& options = {});

// ReadSourceTags over a file's bytes in memory; `name` gives its extension.
id3::SourceTags ReadSourceTagsFrom(std::span<const uint8_t> bytes, const std::string& name,
                                   const ReadOptions& options = {});

// The container ReadSourceTags takes `source` for; Mpeg when it cannot be opened.
Container SourceContainer(const std::string& source);

// Writes `tags` into the finished target `target` of kind `kind`: MP3 and MPA get the ID3v1
// block and the ID3v2.3 tag (id3::WriteTargetTags), WAV a LIST/INFO and an id3 chunk
// (WriteWavTags), AC3 nothing (raw AC-3 has no place for tags). Ok with an empty Reason when
// done or nothing was due; Ok with a Reason when the target was left bare on purpose (an RF64
// WAV); failed, with the reason, when a write failed, the target then as it was.
id3::WriteStatus WriteTargetTags(const std::string& target, TargetKind kind,
                                 const id3::SourceTags& tags);

// WriteTargetTags for each of `targets` (the six mono WAV files of a split and the like): all
// are written; the status is the first failure, else the first note, else Ok.
id3::WriteStatus WriteTargetTags(const std::vector<std::string>& targets, TargetKind kind,
                                 const id3::SourceTags& tags);

}  // namespace tags
