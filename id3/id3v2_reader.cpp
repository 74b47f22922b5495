#include "id3v2_reader.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "frame_bytes.h"
#include "frame_inflate.h"
#include "genre.h"
#include "text_codec.h"

namespace id3 {
namespace {

// A tag chain longer than this is taken as a loop of SEEK frames.
constexpr int kMaxChainedTags = 64;

bool IsCommentId(const std::string& id) {
    return id == "COMM" || id == "COM" || id == "COM ";
}

// How well a comment frame stands for the record's comment: 2 for an empty description (the
// comment proper), 1 for another description, 0 for the machine data some players keep in
// comments under descriptions beginning with "iTun" (gain, gapless playback), which never is.
int CommentRank(std::span<const uint8_t> data) {
    if (data.size() <= 4) {
        return 2;
    }
    const int e = data[0];
    const std::string description =
        DecodeTagText(data.subspan(4, SkipTerminatedString(data, 4, e) - 4), e, true);
    if (description.empty()) {
        return 2;
    }
    return description.rfind("iTun", 0) == 0 ? 0 : 1;
}

// What one tag's frame walk has stored so far.
struct WalkState {
    int64_t next = -1;
    int commentRank = -1;  // CommentRank of the comment stored, -1 before any
};

// The frames whose text a record field takes as it stands, by their version-3/4 and version-2
// ids.
struct PlainField {
    const char* id;
    const char* v2Id;
    std::string TagSet::*field;
};
constexpr PlainField kPlainFields[] = {{"TPE1", "TP1", &TagSet::Artist},
                                       {"TALB", "TAL", &TagSet::Album},
                                       {"TIT2", "TT2", &TagSet::Title},
                                       {"TRCK", "TRK", &TagSet::Track},
                                       {"TYER", "TYE", &TagSet::Year},
                                       {"TENC", "TEN", &TagSet::EncodedBy},
                                       {"WXXX", "WXX", &TagSet::Url},
                                       {"TCOP", "TCR", &TagSet::Copyright},
                                       {"TOPE", "TOA", &TagSet::OriginalArtist},
                                       {"TCOM", "TCM", &TagSet::Composer}};

// Stores a frame's text in the record; false on a fault in the genre text. `commentRank` is the
// CommentRank of a comment frame: the first frame of the best rank gives the comment.
bool StoreFrameText(const std::string& id, const std::string& text, int commentRank,
                    int64_t seekBase, TagSet& tag, WalkState& state) {
    for (const auto& plain : kPlainFields) {
        if (id == plain.id || id == plain.v2Id) {
            tag.*plain.field = text;
            return true;
        }
    }
    if (id == "TDRC") {
        tag.Year = FirstChars(text, 4);
    } else if (id == "TCON" || id == "TCO") {
        auto genre = ParseGenreText(text);
        if (!genre) {
            return false;
        }
        tag.Genre = std::move(*genre);
    } else if (IsCommentId(id)) {
        if (commentRank > state.commentRank && commentRank > 0) {
            tag.Comment = text;
            state.commentRank = commentRank;
        }
    } else if (id == "SEEK" && !text.empty()) {
        state.next = seekBase + std::stoll(text);
    }
    return true;
}

// The text of a frame to store: read mode (and a SEEK frame in any mode) decodes it, collect
// mode carries the frame in ID3v2.3 form and gives the empty text. nullopt on a fault.
std::optional<std::string> TakeFrame(const std::string& id, std::span<const uint8_t> data,
                                     int group, CarriedFrames* collect) {
    if (id == "SEEK" || collect == nullptr) {
        return ReadFrameText(data, id);
    }
    if (!data.empty()) {
        collect->push_back({id, std::vector<uint8_t>(data.begin(), data.end()), group});
        ConvertCarriedFrame(*collect, collect->size() - 1);
    }
    return std::string();
}

void Drop(DroppedFrames* dropped, const std::string& id, const char* reason) {
    if (dropped != nullptr) {
        dropped->push_back({id, reason});
    }
}

struct TagLayout {
    int version = 0;
    bool unsynchronised = false;
    int64_t size = 0;          // bytes in the buffer that belong to the tag
    int64_t declaredSize = 0;  // the header's size, footer included
    int64_t footerLength = 0;
};

// Walks the version-2 frames of `buffer`.
ParseResult WalkV2Frames(std::vector<uint8_t>& buffer, const TagLayout& layout, int64_t seekBase,
                         TagSet& tag, CarriedFrames* collect, DroppedFrames* dropped) {
    ParseResult result;
    WalkState state;
    const int64_t size = layout.size;
    int64_t p = 0;
    while (!(p > size - 6 || p < 0)) {
        const uint8_t* header = buffer.data() + p;
        p += 6;
        const std::string id(reinterpret_cast<const char*>(header), 3);
        if (header[0] == 0 && header[1] == 0 && header[2] == 0) {
            break;
        }
        const int64_t fsize = (int64_t{header[3]} << 16) | (header[4] << 8) | header[5];
        if (p > size - fsize) {
            break;
        }
        const std::span<const uint8_t> data(buffer.data() + p, static_cast<size_t>(fsize));
        if (id == "CRM") {
            Drop(dropped, id, "encrypted");
        }
        const auto text = id == "CRM" ? std::string() : TakeFrame(id, data, -1, collect);
        const int rank = IsCommentId(id) ? CommentRank(data) : 0;
        p += fsize;
        if (!text || !StoreFrameText(id, *text, rank, seekBase, tag, state)) {
            result.Fault = true;
            result.Next = state.next;
            return result;
        }
    }
    result.Next = state.next;
    return result;
}

// Where the bytes a frame's format flags announce lie in front of its data.
struct FrameLayout {
    bool compressed = false;
    bool encrypted = false;
    bool unsynchronised = false;  // version 4 only; version 3 knows it for the whole tag
    int64_t prefix = 0;           // bytes in front of the data
    int64_t groupAt = -1;         // offset of the group symbol, -1 for none
    int64_t sizeAt = -1;          // offset of the inflated size, -1 for none
};

// Version 3 puts the inflated size, the encryption method and the group symbol in front of
// the data, in this order; version 4 the group symbol, the encryption method and the data
// length (the inflated size of a compressed frame).
FrameLayout LayoutOf(uint8_t flags, bool v4) {
    FrameLayout f;
    const bool grouped = (flags & (v4 ? 0x40 : 0x20)) != 0;
    f.compressed = (flags & (v4 ? 0x08 : 0x80)) != 0;
    f.encrypted = (flags & (v4 ? 0x04 : 0x40)) != 0;
    if (v4) {
        f.unsynchronised = (flags & 0x02) != 0;
        f.groupAt = grouped ? 0 : -1;
        f.prefix = (grouped ? 1 : 0) + (f.encrypted ? 1 : 0);
        if ((flags & 0x01) != 0) {
            f.sizeAt = f.prefix;
            f.prefix += 4;
        }
    } else {
        if (f.compressed) {
            f.sizeAt = 0;
            f.prefix = 4;
        }
        f.prefix += f.encrypted ? 1 : 0;
        if (grouped) {
            f.groupAt = f.prefix;
            f.prefix += 1;
        }
    }
    return f;
}

// What a step of the frame walk found.
enum class Step { Frame, Stop, Fault };

struct FrameHeader {
    std::string id;
    int64_t size = 0;  // of the data, as the header (or its plain reading) says
    uint8_t formatFlags = 0;
};

// Reads the version-3 or version-4 frame header at `p` and moves `p` behind it. Stop at
// padding or at a frame that runs past `end`; Fault on a size that overflows. Where a size
// does not lead to another frame id behind the frame, it is read again as plain: some
// version-4 writers store plain sizes.
Step ReadFrameHeader(const std::vector<uint8_t>& buffer, bool v4, int64_t end, int64_t& p,
                     FrameHeader& frame) {
    const uint8_t* header = buffer.data() + p;
    p += 10;
    frame.id.assign(reinterpret_cast<const char*>(header), 4);
    if (header[0] == 0 && header[1] == 0 && header[2] == 0 && header[3] == 0) {
        return Step::Stop;
    }
    auto decoded = DecodeSize32(header + 4, v4);
    if (!decoded) {
        return Step::Fault;
    }
    frame.size = *decoded;
    if (p > end - frame.size) {
        return Step::Stop;
    }
    if (p <= end - frame.size - 4 && !IsFrameIdBytes(buffer.data() + p + frame.size)) {
        decoded = DecodeSize32(header + 4, false);
        if (!decoded) {
            return Step::Fault;
        }
        frame.size = *decoded;
        if (p > end - frame.size) {
            return Step::Stop;
        }
    }
    frame.formatFlags = header[9];
    return Step::Frame;
}

// The data of one frame as the record or the collection takes it.
struct FrameData {
    bool unreadable = false;  // encrypted, or compressed and not inflating: the record keeps
                              // what it has
    std::span<const uint8_t> raw;
    std::optional<std::vector<uint8_t>> inflated;
    int group = -1;

    std::span<const uint8_t> Bytes() const {
        return inflated ? std::span<const uint8_t>(*inflated) : raw;
    }
};

// Undoes what the format flags of the frame at `p` did to its data: unsynchronisation (in
// place), the bytes in front of the data, compression. Frames that cannot be read are listed in
// `dropped`.
FrameData ReadFrameData(std::vector<uint8_t>& buffer, const TagLayout& layout, int64_t p,
                        const FrameHeader& header, DroppedFrames* dropped, int64_t& inflateBudget) {
    const bool v4 = layout.version == 4;
    const FrameLayout frame = LayoutOf(header.formatFlags, v4);
    FrameData out;
    if (frame.encrypted) {
        Drop(dropped, header.id, "encrypted");
        out.unreadable = true;
        return out;
    }
    int64_t removed = 0;
    if (v4 && (frame.unsynchronised || layout.unsynchronised)) {
        removed = Deunsynchronise(buffer.data() + p, header.size);
    }
    const int64_t n = header.size - frame.prefix - removed;
    if (n <= 0) {
        if (frame.compressed) {
            Drop(dropped, header.id, "compressed, and too short to hold its data");
            out.unreadable = true;
        }
        return out;
    }
    const uint8_t* at = buffer.data() + p;
    out.raw = std::span<const uint8_t>(at + frame.prefix, static_cast<size_t>(n));
    out.group = frame.groupAt < 0 ? -1 : at[frame.groupAt];
    if (frame.compressed) {
        const int64_t declared =
            frame.sizeAt < 0 ? -1 : DecodeSize32(at + frame.sizeAt, v4).value_or(-1);
        out.inflated = InflateFrameData(out.raw, declared, inflateBudget);
        if (!out.inflated) {
            Drop(dropped, header.id, "compressed, and its data does not inflate");
            out.unreadable = true;
            return out;
        }
        inflateBudget -= static_cast<int64_t>(out.inflated->size());
    }
    return out;
}

// Takes a frame into the record (read mode) or the collection; false on a fault.
bool StoreFrame(const std::string& id, const FrameData& data, int64_t seekBase, TagSet& tag,
                CarriedFrames* collect, WalkState& state) {
    const std::span<const uint8_t> bytes = data.Bytes();
    const auto text = TakeFrame(id, bytes, data.group, collect);
    const int rank = IsCommentId(id) && !bytes.empty() ? CommentRank(bytes) : 0;
    return text && StoreFrameText(id, *text, rank, seekBase, tag, state);
}

// Walks the version-3 or version-4 frames of `buffer` from offset `p`.
ParseResult WalkFrames(std::vector<uint8_t>& buffer, const TagLayout& layout, int64_t p,
                       int64_t seekBase, TagSet& tag, CarriedFrames* collect,
                       DroppedFrames* dropped, int64_t& inflateBudget) {
    WalkState state;
    const int64_t end = layout.size - layout.footerLength;
    while (!(p > end - 10 || p < 0)) {
        FrameHeader header;
        const Step step = ReadFrameHeader(buffer, layout.version == 4, end, p, header);
        if (step == Step::Fault) {
            return {-1, true};
        }
        if (step == Step::Stop) {
            break;
        }
        const FrameData data = ReadFrameData(buffer, layout, p, header, dropped, inflateBudget);
        p += header.size;
        if (data.unreadable) {
            continue;
        }
        if (!StoreFrame(header.id, data, seekBase, tag, collect, state)) {
            return {state.next, true};
        }
    }
    return {state.next, false};
}

// Some writers set the extended-header flag and write no extended header. Then the bytes
// where its size would stand are the first frame's id, and a frame at offset 0 fits the tag.
bool FrameAtStartDespiteExtendedFlag(const std::vector<uint8_t>& buffer, const TagLayout& layout) {
    const int64_t end = layout.size - layout.footerLength;
    if (end < 10 || !IsFrameIdBytes(buffer.data()) ||
        (buffer[0] == 0 && buffer[1] == 0 && buffer[2] == 0 && buffer[3] == 0)) {
        return false;
    }
    const auto fsize = DecodeSize32(buffer.data() + 4, layout.version == 4);
    return fsize && *fsize <= end - 10;
}

bool HasMagic(const ByteSource& source, int64_t offset, const char* magic) {
    const auto bytes = ReadBytes(source, offset, 3);
    return bytes.size() == 3 && std::memcmp(bytes.data(), magic, 3) == 0;
}

}  // namespace

std::optional<std::string> ReadFrameText(std::span<const uint8_t> data, const std::string& id) {
    if (data.empty()) {
        return std::string();
    }
    const int e = data[0];
    if (!id.empty() && id[0] == 'T') {
        return DecodeTagText(data.subspan(1), e, true);
    }
    if (id == "COMM" || id == "COM" || id == "COM ") {
        if (data.size() <= 4) {
            return std::string();
        }
        const size_t k = SkipTerminatedString(data, 4, e);
        return DecodeTagText(data.subspan(k), e, true);
    }
    if (id == "WXXX" || id == "WXX") {
        // The URL behind the description is single-byte text in every encoding but UTF-8.
        const size_t k = SkipTerminatedString(data, 1, e);
        return DecodeTagText(data.subspan(k), e == 3 ? 3 : 0, true);
    }
    if (id == "SEEK" && data.size() >= 4) {
        const auto offset = DecodeSize32(data.data(), false);
        if (!offset) {
            return std::nullopt;
        }
        return std::to_string(*offset);
    }
    return std::string();
}

namespace {

// ParseId3v2Tag, with the bytes its compressed frames may still inflate to (shared by the tags
// of a chain, so that no chain of small tags can ask for more memory than one large tag).
// Where the frames of a tag begin (behind its extended header, when flagged) and whether the
// tag is an update of the tags before it; nullopt when the extended header's size overflows.
std::optional<std::pair<int64_t, bool>> FramesStart(const std::vector<uint8_t>& buffer,
                                                    const TagLayout& layout, bool extended) {
    if (!extended) {
        return std::pair<int64_t, bool>{0, false};
    }
    uint8_t ext[6] = {};
    std::copy_n(buffer.begin(), std::min<size_t>(6, buffer.size()), ext);
    const auto extSize = DecodeSize32(ext, layout.version == 4);
    if (!extSize) {
        return std::nullopt;
    }
    if (FrameAtStartDespiteExtendedFlag(buffer, layout)) {
        return std::pair<int64_t, bool>{0, false};
    }
    const int64_t first = layout.version == 3 ? int64_t{*extSize} + 4 : int64_t{*extSize};
    return std::pair<int64_t, bool>{first, layout.version == 4 && (ext[5] & 0x40) != 0};
}

ParseResult ParseTag(const ByteSource& file, int64_t start, TagSet& tag, CarriedFrames* collect,
                     DroppedFrames* dropped, int64_t& inflateBudget) {
    ParseResult result;
    const std::vector<uint8_t> header = ReadPadded(file, start, 10);
    TagLayout layout;
    layout.version = header[3];
    if (layout.version < 2 || layout.version > 4) {
        return result;
    }
    const auto sizeField = DecodeSize32(header.data() + 6, true);
    if (!sizeField || *sizeField == 0) {
        result.Fault = true;
        return result;
    }
    layout.declaredSize = *sizeField;
    layout.unsynchronised = (header[5] & 0x80) != 0;
    const bool extended = layout.version >= 3 && (header[5] & 0x40) != 0;
    if (layout.version == 4 && (header[5] & 0x10) != 0) {
        layout.declaredSize += 10;
        layout.footerLength = 10;
    }
    // Never hold more than the file has behind the header.
    std::vector<uint8_t> buffer =
        ReadBytes(file, start + 10, static_cast<size_t>(layout.declaredSize));
    layout.size = static_cast<int64_t>(buffer.size());
    if (layout.version <= 3 && layout.unsynchronised) {
        layout.size -= Deunsynchronise(buffer.data(), layout.size);
    }
    const auto frames = FramesStart(buffer, layout, extended);
    if (!frames) {
        result.Fault = true;
        return result;
    }
    const auto [first, update] = *frames;
    if (!update) {
        ClearTagSet(tag);
    }
    const int64_t seekBase = start + 10 + layout.declaredSize;
    const size_t firstCollected = collect != nullptr ? collect->size() : 0;
    result = layout.version == 2 ? WalkV2Frames(buffer, layout, seekBase, tag, collect, dropped)
                                 : WalkFrames(buffer, layout, first, seekBase, tag, collect,
                                              dropped, inflateBudget);
    if (collect != nullptr) {
        ConvertVersion4Frames(*collect, firstCollected);
    }
    return result;
}

}  // namespace

ParseResult ParseId3v2Tag(const ByteSource& file, int64_t start, TagSet& tag,
                          CarriedFrames* collect, DroppedFrames* dropped) {
    int64_t inflateBudget = kMaxInflatedTagBytes;
    return ParseTag(file, start, tag, collect, dropped, inflateBudget);
}

namespace {

struct ChainResult {
    bool found = false;
    bool fault = false;
};

// Parses the tag chain at the front of `source` (following SEEK frames) or, failing that, the
// tag announced by a footer at its end, in read mode or (with `collect`) collect mode.
ChainResult ParseTagChain(const ByteSource& source, TagSet& tag, CarriedFrames* collect,
                          DroppedFrames* dropped) {
    ChainResult chain;
    int64_t inflateBudget = kMaxInflatedTagBytes;
    std::set<int64_t> visited;
    int64_t p = 0;
    while (p >= 0 && HasMagic(source, p, "ID3")) {
        chain.found = true;
        if (!visited.insert(p).second || static_cast<int>(visited.size()) > kMaxChainedTags) {
            break;
        }
        const ParseResult parsed = ParseTag(source, p, tag, collect, dropped, inflateBudget);
        if (parsed.Fault) {
            chain.fault = true;
            return chain;
        }
        p = parsed.Next;
    }
    if (chain.found) {
        return chain;
    }
    int64_t s = source.Size();
    if (s >= 128 && HasMagic(source, s - 128, "TAG")) {
        s -= 128;
    }
    const int64_t q = std::max<int64_t>(0, s - 10);
    const std::vector<uint8_t> footer = ReadPadded(source, q, 10);
    if (std::memcmp(footer.data(), "3DI", 3) != 0) {
        return chain;
    }
    const auto n = DecodeSize32(footer.data() + 6, true);
    const int64_t start = n ? q - *n - 10 : -1;
    if (start < 0) {
        return chain;
    }
    chain.found = true;
    chain.fault = ParseTag(source, start, tag, collect, dropped, inflateBudget).Fault;
    return chain;
}

}  // namespace

bool ReadId3v2From(const ByteSource& source, TagSet& tag) {
    return ParseTagChain(source, tag, nullptr, nullptr).found;
}

bool CollectId3v2FramesFrom(const ByteSource& source, CarriedFrames& frames,
                            DroppedFrames* dropped) {
    TagSet scratch;
    return !ParseTagChain(source, scratch, &frames, dropped).fault;
}

bool CollectId3v2Frames(const std::string& path, CarriedFrames& frames, DroppedFrames* dropped) {
    const auto file = FileSource::Open(path, false);
    return file && CollectId3v2FramesFrom(*file, frames, dropped);
}

bool ReadId3v2(const std::string& path, TagSet& tag) {
    const auto file = FileSource::Open(path, false);
    return file && ReadId3v2From(*file, tag);
}

}  // namespace id3
