#include "tag_transfer.h"

#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"

namespace id3 {
namespace {

bool HasArtistOrTitle(const TagSet& tag) {
    return !tag.Artist.empty() || !tag.Title.empty();
}

}  // namespace

bool IsTagTransferCase(const std::string& sourcePath, int targetFormat) {
    constexpr int kMp3Format = 1;
    if (targetFormat != kMp3Format || sourcePath.size() < 3) {
        return false;
    }
    std::string extension = sourcePath.substr(sourcePath.size() - 3);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension == "MP3";
}

SourceTags ReadSourceTags(const std::string& sourcePath) {
    SourceTags tags;
    ClearTagSet(tags.Id3v1);
    ReadId3v1(sourcePath, tags.Id3v1);
    ClearTagSet(tags.Id3v2);
    ReadId3v2(sourcePath, tags.Id3v2);
    return tags;
}

bool WriteTargetTags(const std::string& targetPath, const SourceTags& tags) {
    bool ok = true;
    if (HasArtistOrTitle(tags.Id3v1)) {
        ok = WriteId3v1(targetPath, tags.Id3v1, true) && ok;
    }
    if (HasArtistOrTitle(tags.Id3v2)) {
        ok = WriteId3v2(targetPath, tags.Id3v2, 3, true, true) && ok;
    }
    return ok;
}

}  // namespace id3
