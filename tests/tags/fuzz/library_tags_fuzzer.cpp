// Fuzz target over the readers of every source kind and the mapping to ID3v2.3: the first byte
// picks the family (its reader is run whatever the bytes say), the rest is the file. What the
// mapping gives must render as an ID3v2.3 tag, an INFO list and an ID3v1 block, and the tag
// must read back as what was meant.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "byte_source.h"
#include "id3_mapping.h"
#include "id3v1.h"
#include "matroska_reader.h"
#include "riff_chunks.h"
#include "source_tags.h"
#include "taglib_reader.h"
#include "wav_target.h"

namespace {

constexpr tags::Container kFamilies[] = {
    tags::Container::Flac,    tags::Container::OggVorbis, tags::Container::OggOpus,
    tags::Container::OggFlac, tags::Container::OggSpeex,  tags::Container::Mp4,
    tags::Container::Asf,     tags::Container::Ape,       tags::Container::WavPack,
    tags::Container::Wav,     tags::Container::Aiff,      tags::Container::Matroska,
    tags::Container::Mpeg};
constexpr const char* kNames[] = {"x.flac", "x.ogg", "x.opus", "x.oga",  "x.spx", "x.m4a", "x.wma",
                                  "x.ape",  "x.wv",  "x.wav",  "x.aiff", "x.mka", "x.mp3"};
constexpr size_t kCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

// Small bounds, so that the limits are reached by small inputs too.
tags::ReadOptions SmallBounds() {
    tags::ReadOptions options;
    options.MaxPictureBytes = 8192;
    options.MaxAllPictureBytes = 12000;
    options.MaxFieldBytes = 512;
    return options;
}

void CheckRendering(const id3::SourceTags& tags) {
    if (const auto tag = id3::RenderChunkTag(tags)) {
        if (!id3::VerifyChunkTag(*tag, tags, "fuzz").Ok) {
            std::abort();  // the tag written does not read back as meant
        }
    }
    tags::RenderInfoList(id3::MergedRecord(tags), tags.Frames);
    id3::RenderId3v1Block(tags.Id3v1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const size_t family = data[0] % kCount;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    const tags::ReadOptions options = SmallBounds();
    const tags::Container container = kFamilies[family];
    id3::SourceTags mapped;
    if (container == tags::Container::Matroska) {
        mapped = tags::MapToId3(tags::ReadMatroskaBytes(bytes), options);
    } else if (container == tags::Container::Wav || container == tags::Container::Aiff ||
               container == tags::Container::Mpeg) {
        const id3::MemorySource source(bytes);
        tags::ReadChunks(source);
        mapped = tags::ReadSourceTagsFrom(bytes, kNames[family], options);
    } else {
        mapped = tags::MapToId3(tags::ReadTagLibBytes(bytes, container), options);
    }
    CheckRendering(mapped);
    // The dispatch by content as a conversion does it.
    CheckRendering(tags::ReadSourceTagsFrom(bytes, kNames[family], options));
    return 0;
}
