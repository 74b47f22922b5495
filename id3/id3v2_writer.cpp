#include "id3v2_writer.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "file_attributes.h"
#include "frame_bytes.h"
#include "genre.h"
#include "id3v2_reader.h"
#include "numeric_text.h"
#include "safe_replace.h"
#include "text_codec.h"

namespace id3 {
namespace {

constexpr int kMaxChainedTags = 64;

struct OwnFrame {
    const char* id;
    std::string TagSet::*field;
};

constexpr std::array<OwnFrame, 12> kOwnFrames = {{{"TPE1", &TagSet::Artist},
                                                  {"TALB", &TagSet::Album},
                                                  {"TIT2", &TagSet::Title},
                                                  {"TYER", &TagSet::Year},
                                                  {"TCON", &TagSet::Genre},
                                                  {"COMM", &TagSet::Comment},
                                                  {"TRCK", &TagSet::Track},
                                                  {"TENC", &TagSet::EncodedBy},
                                                  {"WXXX", &TagSet::Url},
                                                  {"TCOP", &TagSet::Copyright},
                                                  {"TCOM", &TagSet::Composer},
                                                  {"TOPE", &TagSet::OriginalArtist}}};

const char* OwnFrameId(size_t index, int version) {
    return (index == 3 && version == 4) ? "TDRC" : kOwnFrames[index].id;
}

// A URL as single bytes: characters that single-byte readers could take differently are
// percent-encoded in UTF-8.
std::string UrlBytes(const std::string& url) {
    std::string out;
    for (const char32_t cp : DecodeUtf8(url)) {
        const int b = Windows1252Byte(cp);
        if (b >= 0 && cp == static_cast<char32_t>(b)) {
            out += static_cast<char>(b);
            continue;
        }
        std::string utf8;
        AppendUtf8(utf8, cp);
        for (const char c : utf8) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            out += escaped;
        }
    }
    return out;
}

// The data of the frame for `text` under `id`; empty when no frame is written.
std::vector<uint8_t> TextFrameData(const std::string& id, const std::string& text) {
    std::vector<uint8_t> data;
    if (TrimBlanks(text).empty()) {
        return data;
    }
    if (id == "WXXX") {
        const std::string url = UrlBytes(text);
        data = {0, 0};
        data.insert(data.end(), url.begin(), url.end());
        data.push_back(0);
        return data;
    }
    const bool comment = id == "COMM";
    if (!comment && (id.empty() || id[0] != 'T')) {
        return data;
    }
    // Encoding 0 is ISO-8859-1 to other readers and Windows-1252 to ours: single bytes only
    // where both read the same character, UTF-16 otherwise.
    const auto single = ToSharedSingleByte(text);
    const bool fits = single.has_value();
    data.push_back(fits ? 0 : 1);
    if (comment) {
        data.insert(data.end(), {'e', 'n', 'g'});
        if (fits) {
            data.push_back(0);
        } else {
            AppendUtf16WithBom(data, "");
        }
    }
    if (fits) {
        data.insert(data.end(), single->begin(), single->end());
        data.push_back(0);
    } else {
        AppendUtf16WithBom(data, text);
    }
    return data;
}

// Appends a frame; one in a group (`group` 0-255) gets the group flag and its symbol in front of
// the data.
void AppendFrame(std::vector<uint8_t>& out, const std::string& id, const std::vector<uint8_t>& data,
                 int version, int group = -1) {
    const bool grouped = group >= 0 && group <= 255;
    uint8_t header[10] = {};
    std::memcpy(header, id.data(), 4);
    EncodeSize32(static_cast<uint32_t>(data.size() + (grouped ? 1 : 0)), version == 4, header + 4);
    if (grouped) {
        header[9] = version == 4 ? 0x40 : 0x20;
    }
    out.insert(out.end(), header, header + 10);
    if (grouped) {
        out.push_back(static_cast<uint8_t>(group));
    }
    out.insert(out.end(), data.begin(), data.end());
}

// Bytes a carried frame takes in a tag, its header included.
int64_t CarriedFrameLength(const CarriedFrame& frame) {
    return static_cast<int64_t>(frame.Data.size()) + 10 + (frame.Group >= 0 ? 1 : 0);
}

// True for a frame with a proper 4-character id (an unlisted version-2 id would break the frame
// layout) and a size a frame header can hold.
bool HasWritableForm(const CarriedFrame& frame) {
    if (frame.Id.size() != 4) {
        return false;
    }
    for (const char c : frame.Id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return frame.Data.size() < 0x0FFFFFFF && frame.Group <= 255;
}

// A comment frame under a description of its own is not the record's comment; it is carried.
bool IsDescribedComment(const CarriedFrame& frame) {
    return frame.Id == "COMM" && !FrameDescription(frame).empty();
}

// Carried frames are written when the writer does not make them itself and have a writable form.
bool IsWrittenCarriedFrame(const CarriedFrame& frame) {
    return HasWritableForm(frame) && (IsForeignFrameId(frame.Id) || IsDescribedComment(frame));
}

// Collects the frames of the old tag chain at the front; false on a fault in it.
bool CollectOldFrames(const ByteSource& file, CarriedFrames& carried) {
    std::set<int64_t> visited;
    int64_t p = 0;
    while (p >= 0 && static_cast<int>(visited.size()) < kMaxChainedTags &&
           visited.insert(p).second) {
        const auto magic = ReadBytes(file, p, 3);
        if (magic.size() != 3 || std::memcmp(magic.data(), "ID3", 3) != 0) {
            break;
        }
        TagSet scratch;
        const ParseResult parsed = ParseId3v2Tag(file, p, scratch, &carried);
        if (parsed.Fault) {
            return false;
        }
        p = parsed.Next;
    }
    return true;
}

}  // namespace

std::optional<int64_t> Id3v2SizeAt(const ByteSource& file, int64_t position) {
    const auto header = ReadBytes(file, position, 10);
    if (header.size() < 10 || std::memcmp(header.data(), "ID3", 3) != 0) {
        return int64_t{0};
    }
    const auto size = DecodeSize32(header.data() + 6, true);
    if (!size) {
        return std::nullopt;
    }
    const bool footer = header[3] >= 4 && (header[5] & 0x10) != 0;
    return int64_t{*size} + 10 + (footer ? 10 : 0);
}

int64_t TextFrameSize(const std::string& id, const std::string& text, bool withHeader) {
    const auto data = TextFrameData(id, text);
    if (data.empty()) {
        return 0;
    }
    return static_cast<int64_t>(data.size()) + (withHeader ? 10 : 0);
}

size_t WriteTextFrame(std::vector<uint8_t>& destination, const std::string& id,
                      const std::string& text, int version) {
    const auto data = TextFrameData(id, text);
    if (data.empty()) {
        return 0;
    }
    AppendFrame(destination, id, data, version);
    return data.size() + 10;
}

size_t WriteCarriedFrame(std::vector<uint8_t>& destination, CarriedFrames& frames, size_t index,
                         int version) {
    if (index >= frames.size()) {
        return 0;
    }
    CarriedFrame& frame = frames[index];
    if (version == 4 && frame.Id == "TORY") {
        frame.Id = "TDOR";
    } else if (version == 4 && frame.Id == "IPLS") {
        frame.Id = "TIPL";
    }
    std::string id = frame.Id;
    id.resize(4, '\0');
    AppendFrame(destination, id, frame.Data, version, frame.Group);
    return static_cast<size_t>(CarriedFrameLength(frame));
}

bool IsForeignFrameId(const std::string& id) {
    static const std::set<std::string> own = {"TALB", "TPE1", "TIT2", "TDRC", "TYER",
                                              "TCON", "COMM", "TENC", "TRCK", "WXXX",
                                              "TCOP", "TOPE", "TCOM"};
    return own.count(id) == 0;
}

int64_t NewTagLength(int64_t total, int64_t oldSize) {
    if (total <= oldSize) {
        return oldSize;
    }
    const int64_t base = (total / 2048) * 2048;
    return base + ((total % 2048) < 1024 ? 2048 : 4096) + 10;
}

int64_t Id3v2FramesLength(const TagSet& tag, const CarriedFrames& carried) {
    int64_t total = 10;
    TagSet copy = tag;
    copy.Genre = GenreFrameText(tag.Genre);
    for (size_t i = 0; i < kOwnFrames.size(); ++i) {
        total += TextFrameSize(OwnFrameId(i, 3), copy.*kOwnFrames[i].field, true);
    }
    for (const auto& frame : carried) {
        if (IsWrittenCarriedFrame(frame)) {
            total += CarriedFrameLength(frame);
        }
    }
    return total;
}

std::optional<std::vector<uint8_t>> RenderId3v2Tag(const TagSet& tag, int version,
                                                   CarriedFrames& carried, int64_t newSize) {
    if (newSize < 10 || newSize - 10 > 0x0FFFFFFF) {
        return std::nullopt;
    }
    TagSet copy = tag;
    copy.Genre = GenreFrameText(tag.Genre);
    std::vector<uint8_t> out = {'I', 'D', '3', static_cast<uint8_t>(version), 0, 0, 0, 0, 0, 0};
    out.reserve(static_cast<size_t>(newSize));  // large tags (pictures): one allocation
    EncodeSize32(static_cast<uint32_t>(newSize - 10), true, out.data() + 6);
    for (size_t i = 0; i < kOwnFrames.size(); ++i) {
        WriteTextFrame(out, OwnFrameId(i, version), copy.*kOwnFrames[i].field, version);
    }
    for (size_t i = 0; i < carried.size(); ++i) {
        if (IsWrittenCarriedFrame(carried[i])) {
            WriteCarriedFrame(out, carried, i, version);
        }
    }
    if (static_cast<int64_t>(out.size()) > newSize) {
        return std::nullopt;
    }
    out.resize(static_cast<size_t>(newSize), 0);
    return out;
}

bool IsCarriedFromSource(const CarriedFrame& frame) {
    return HasWritableForm(frame) && !DescribesOldAudio(frame) &&
           (IsForeignFrameId(frame.Id) || IsDescribedComment(frame));
}

CarriedFrames SelectCarriedFrames(CarriedFrames old, CarriedFrames source) {
    CarriedFrames selected;
    std::set<std::string> slots;
    for (auto& frame : source) {
        if (IsCarriedFromSource(frame)) {
            slots.insert(FrameSlotKey(frame));
            selected.push_back(std::move(frame));
        }
    }
    for (auto& frame : old) {
        if (HasWritableForm(frame) && IsForeignFrameId(frame.Id) &&
            slots.count(FrameSlotKey(frame)) == 0) {
            selected.push_back(std::move(frame));
        }
    }
    DropUnregisteredGroups(selected, nullptr);
    return selected;
}

TagSet WrittenForm(const TagSet& tag, int version) {
    // Text as the reader gives it back: characters the writer cannot store as themselves are
    // the ones it wrote instead, a zero character ends the text, and a text of blanks is none.
    auto stored = [](const std::string& text) {
        std::string out;
        for (const char32_t cp : DecodeUtf8(text)) {
            if (cp == 0) {
                break;
            }
            AppendUtf8(out, cp);
        }
        return TrimBlanks(out).empty() ? std::string() : out;
    };
    TagSet out;
    for (size_t i = 0; i < kOwnFrames.size(); ++i) {
        out.*kOwnFrames[i].field = stored(tag.*kOwnFrames[i].field);
    }
    const std::string genreText = stored(GenreFrameText(out.Genre));
    out.Genre = stored(ParseGenreText(genreText).value_or(std::string()));
    if (version == 4) {
        out.Year = FirstChars(out.Year, 4);
    }
    const std::string url = UrlBytes(out.Url);
    out.Url = DecodeTagText(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(url.data()), url.size()), 0,
        true);
    return out;
}

void ClearReadOnly(const std::string& path) {
    platform::ClearReadOnly(path);
}

WriteStatus WriteId3v2WithStatus(const std::string& path, const TagSet& tag, int version,
                                 bool ignoreExistingFrames, bool clearReadOnly,
                                 const CarriedFrames& extra, std::span<uint8_t> workBuffer) {
    constexpr const char* kKind = "ID3v2";
    if (version != 3 && version != 4) {
        return WriteFailed(kKind, "version " + std::to_string(version) + " cannot be written");
    }
    if (clearReadOnly) {
        ClearReadOnly(path);
    }
    errno = 0;
    auto file = FileSource::Open(path, true);
    if (!file) {
        return SystemWriteFailed(kKind, "cannot open", path);
    }
    const int64_t fileSize = file->Size();
    const auto oldSize = Id3v2SizeAt(*file, 0);
    // A tag claiming more bytes than the file holds is damaged; leave such a file alone.
    if (!oldSize || *oldSize > fileSize) {
        return WriteFailed(kKind,
                           "the old tag of '" + path + "' claims more bytes than the file holds");
    }
    CarriedFrames old;
    if (*oldSize != 0 && !ignoreExistingFrames && !CollectOldFrames(*file, old)) {
        return WriteFailed(kKind, "the old tag of '" + path + "' is damaged");
    }
    CarriedFrames carried = SelectCarriedFrames(std::move(old), extra);
    const int64_t total = Id3v2FramesLength(tag, carried);
    const int64_t newSize = NewTagLength(total, *oldSize);
    const auto rendered = RenderId3v2Tag(tag, version, carried, newSize);
    if (!rendered) {
        return WriteFailed(kKind, "the new tag for '" + path + "' is too large");
    }
    errno = 0;
    if (newSize <= *oldSize) {
        // The tag fits: written in place, and on disk before success is reported.
        if (!WriteAllAt(file->Fd(), 0, *rendered) || ::fsync(file->Fd()) != 0) {
            return SystemWriteFailed(kKind, "cannot write", path);
        }
        return {};
    }
    if (!ReplaceWithHeadAndTail(path, *file, *rendered, *oldSize, fileSize - *oldSize,
                                workBuffer)) {
        return SystemWriteFailed(kKind, "cannot replace", path,
                                 "the file was cut short while it was copied");
    }
    // The old file is gone from the folder; only this descriptor still holds its blocks.
    CloseInBackground(file->TakeFd());
    return {};
}

bool WriteId3v2(const std::string& path, const TagSet& tag, int version, bool ignoreExistingFrames,
                bool clearReadOnly, std::span<uint8_t> workBuffer) {
    return WriteId3v2WithStatus(path, tag, version, ignoreExistingFrames, clearReadOnly, {},
                                workBuffer)
        .Ok;
}

}  // namespace id3
