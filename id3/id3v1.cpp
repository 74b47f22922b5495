#include "id3v1.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <span>

#include "byte_source.h"
#include "genre.h"
#include "id3v2_writer.h"
#include "numeric_text.h"
#include "text_codec.h"

namespace id3 {
namespace {

std::string FieldText(const Id3v1Block& block, size_t offset, size_t length) {
    const std::string text =
        DecodeTagText(std::span<const uint8_t>(block.data() + offset, length), 0, true);
    return std::string(TrimBlanks(text));
}

void PutText(Id3v1Block& block, size_t offset, size_t limit, std::string_view text) {
    uint8_t field[31] = {};
    EncodeTagText(text.substr(0, 4 * limit), limit, field, false);
    std::memcpy(block.data() + offset, field, limit);
}

uint8_t TrackByte(std::string_view track) {
    const std::string_view trimmed = TrimBlanks(track);
    if (trimmed.size() > 3) {
        return 0;
    }
    const auto number = ParseNumber(trimmed);
    if (!number) {
        return 0;
    }
    const double value = std::nearbyint(*number);
    return (value >= 1 && value <= 255) ? static_cast<uint8_t>(value) : 0;
}

std::string CrLfToBlank(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

bool ParseId3v1Block(const Id3v1Block& block, TagSet& tag) {
    if (std::memcmp(block.data(), "TAG", 3) != 0) {
        return false;
    }
    ClearTagSet(tag);
    tag.Artist = FieldText(block, 33, 30);
    tag.Album = FieldText(block, 63, 30);
    tag.Title = FieldText(block, 3, 30);
    if (block[125] != 0 || block[126] == 0) {
        tag.Comment = FieldText(block, 97, 30);
    } else {
        tag.Comment = FieldText(block, 97, 28);
        tag.Track = std::to_string(block[126]);
    }
    tag.Genre = GenreName(block[127]);
    tag.Year = FieldText(block, 93, 4);
    return true;
}

Id3v1Block RenderId3v1Block(const TagSet& tag) {
    Id3v1Block block{};
    std::memcpy(block.data(), "TAG", 3);
    PutText(block, 33, 30, tag.Artist);
    PutText(block, 63, 30, tag.Album);
    PutText(block, 3, 30, tag.Title);
    PutText(block, 97, 28, CrLfToBlank(tag.Comment));
    block[125] = 0;
    block[126] = TrackByte(tag.Track);
    block[127] = static_cast<uint8_t>(GenreIndex(tag.Genre));
    PutText(block, 93, 4, tag.Year);
    return block;
}

bool ReadId3v1(const std::string& path, TagSet& tag) {
    const auto file = FileSource::Open(path, false);
    if (!file || file->Size() < 128) {
        return false;
    }
    Id3v1Block block{};
    if (file->ReadAt(file->Size() - 128, block.data(), block.size()) != block.size()) {
        return false;
    }
    return ParseId3v1Block(block, tag);
}

WriteStatus WriteId3v1WithStatus(const std::string& path, const TagSet& tag, bool clearReadOnly) {
    constexpr const char* kKind = "ID3v1";
    if (clearReadOnly) {
        ClearReadOnly(path);
    }
    errno = 0;
    auto file = FileSource::Open(path, true);
    if (!file) {
        return SystemWriteFailed(kKind, "cannot open", path);
    }
    const int64_t size = file->Size();
    int64_t position = size;
    if (size >= 128) {
        uint8_t probe[3] = {};
        if (file->ReadAt(size - 128, probe, 3) == 3 && std::memcmp(probe, "TAG", 3) == 0) {
            position = size - 128;
        }
    }
    const Id3v1Block block = RenderId3v1Block(tag);
    errno = 0;
    if (!WriteAllAt(file->Fd(), position, block) || ::fsync(file->Fd()) != 0) {
        WriteStatus failed = SystemWriteFailed(kKind, "cannot write", path);
        if (position == size) {
            // Take back a partly appended block so the audio keeps its old end.
            const int ignored = ::ftruncate(file->Fd(), static_cast<off_t>(size));
            (void)ignored;
        }
        return failed;
    }
    return {};
}

bool WriteId3v1(const std::string& path, const TagSet& tag, bool clearReadOnly) {
    return WriteId3v1WithStatus(path, tag, clearReadOnly).Ok;
}

}  // namespace id3
