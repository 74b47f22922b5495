#pragma once

#include <string>

namespace id3 {

// The descriptive tags of one file as UTF-8 text; an empty field means "not present".
struct TagSet {
    std::string Artist;
    std::string Album;
    std::string Title;
    std::string Year;
    std::string Genre;  // always a genre name or free text, never a number
    std::string Comment;
    std::string Track;
    std::string EncodedBy;
    std::string Url;
    std::string Copyright;
    std::string Composer;
    std::string OriginalArtist;

    bool operator==(const TagSet&) const = default;
};

// Sets all twelve fields of `tag` to the empty text.
void ClearTagSet(TagSet& tag);

}  // namespace id3
