#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "carried_frame.h"

namespace tags {

// One item of a source's tag under the common name TagLib gives it ("TITLE", "ALBUMARTIST",
// "MUSICBRAINZ_ALBUMID", ...) or, for items without one, under the source's own name.
struct Field {
    std::string Key;
    std::vector<std::string> Values;  // UTF-8

    bool operator==(const Field&) const = default;
};

// A picture of a source's tag.
struct Picture {
    int Type = 3;  // the ID3v2 picture type: 3 front cover, 4 back cover, 0 other, ...
    std::string Mime;
    std::string Description;
    std::vector<uint8_t> Data;

    bool operator==(const Picture&) const = default;
};

// What a source's tags hold, whatever their container: the neutral form between the readers of
// each format and the mapping to ID3v2.3.
struct NeutralTags {
    std::vector<Field> Fields;  // in the source's order
    std::vector<Picture> Pictures;
    id3::DroppedFrames Dropped;  // items the reader could not take, and why

    bool operator==(const NeutralTags&) const = default;
};

// Bounds on what a source may hand over; beyond them an item is dropped with a reason.
struct ReadOptions {
    size_t MaxPictureBytes = size_t{16} << 20;     // one picture
    size_t MaxAllPictureBytes = size_t{64} << 20;  // all pictures of one source together
    size_t MaxFieldBytes = size_t{1} << 20;        // one text value

    bool operator==(const ReadOptions&) const = default;
};

}  // namespace tags
