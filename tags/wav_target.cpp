#include "wav_target.h"

#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "numeric_text.h"
#include "riff_chunks.h"
#include "safe_replace.h"

namespace tags {
namespace {

constexpr const char* kKind = "WAV";

void AppendLe32(std::vector<uint8_t>& out, uint64_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void AppendChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& data) {
    out.insert(out.end(), id, id + 4);
    AppendLe32(out, data.size());
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
}

// "yyyy-MM-dd" from the record's year and a TDAT frame ("DDMM"); the year alone without one.
std::string InfoDate(const std::string& year, const id3::CarriedFrames& frames) {
    if (year.size() != 4) {
        return year;
    }
    for (const auto& frame : frames) {
        if (frame.Id != "TDAT") {
            continue;
        }
        const std::string day = id3::ReadFrameText(frame.Data, frame.Id).value_or("");
        if (day.size() == 4) {
            return year + "-" + day.substr(2, 2) + "-" + day.substr(0, 2);
        }
    }
    return year;
}

std::string LeadingNumber(const std::string& text) {
    const std::string_view trimmed = id3::TrimBlanks(text);
    size_t n = 0;
    while (n < trimmed.size() && trimmed[n] >= '0' && trimmed[n] <= '9') {
        ++n;
    }
    return std::string(trimmed.substr(0, n));
}

// A piece that copies `chunk` whole from the old file, its pad byte included.
void KeepChunk(const id3::FileSource& file, const Chunk& chunk, std::vector<id3::FilePiece>& pieces,
               int64_t& total) {
    static const uint8_t kPad[1] = {0};
    const int64_t length = 8 + chunk.Size;
    const bool odd = chunk.Size % 2 != 0;
    const bool padInFile = odd && chunk.Offset + length < file.Size();
    pieces.push_back({{}, chunk.Offset, length + (padInFile ? 1 : 0)});
    if (odd && !padInFile) {
        pieces.push_back({std::span<const uint8_t>(kPad, 1)});
    }
    total += length + (odd ? 1 : 0);
}

bool IsOldTagChunk(const Chunk& chunk) {
    return (chunk.Id == "LIST" && chunk.ListType == "INFO") || chunk.Id == "id3 " ||
           chunk.Id == "ID3 ";
}

// Reads the new file back: intact chunks, the RIFF size right, one each of the chunks written,
// holding what was written.
id3::WriteStatus Verify(const std::string& path, const std::vector<uint8_t>& info,
                        const std::vector<uint8_t>& id3Chunk, const id3::SourceTags& tags) {
    const auto file = id3::FileSource::Open(path, false);
    if (!file) {
        return id3::SystemWriteFailed(kKind, "cannot read back", path);
    }
    const auto chunks = ReadChunks(*file);
    const auto differs = [&path](const std::string& what) {
        return id3::WriteFailed(kKind, "the file read back from '" + path +
                                           "' differs from the one written (" + what + ")");
    };
    if (!chunks || !chunks->Damage.empty()) {
        return differs(chunks ? chunks->Damage : "no RIFF file");
    }
    const auto size = id3::ReadBytes(*file, 4, 4);
    const uint64_t declared = size.size() == 4 ? (uint64_t{size[0]} | uint64_t{size[1]} << 8 |
                                                  uint64_t{size[2]} << 16 | uint64_t{size[3]} << 24)
                                               : 0;
    if (declared + 8 != static_cast<uint64_t>(file->Size())) {
        return differs("RIFF size");
    }
    int infos = 0;
    int id3s = 0;
    for (const auto& chunk : chunks->Chunks) {
        if (chunk.Id == "LIST" && chunk.ListType == "INFO") {
            ++infos;
            const auto bytes = id3::ReadBytes(*file, chunk.Offset, info.size());
            if (bytes != info) {
                return differs("LIST/INFO");
            }
        } else if (chunk.Id == "id3 " || chunk.Id == "ID3 ") {
            ++id3s;
            const auto data = ChunkData(*file, chunk, chunk.Size);
            if (!data) {
                return differs("id3 chunk");
            }
            if (id3::WriteStatus status = id3::VerifyChunkTag(*data, tags, path); !status.Ok) {
                return status;
            }
        }
    }
    if (infos != (info.empty() ? 0 : 1) || id3s != (id3Chunk.empty() ? 0 : 1)) {
        return differs("tag chunks");
    }
    return {};
}

}  // namespace

std::vector<uint8_t> RenderInfoList(const id3::TagSet& record, const id3::CarriedFrames& frames) {
    const std::pair<const char*, std::string> fields[] = {
        {"INAM", record.Title},
        {"IART", record.Artist},
        {"IPRD", record.Album},
        {"ICRD", InfoDate(std::string(id3::TrimBlanks(record.Year)), frames)},
        {"IGNR", record.Genre},
        {"ICMT", record.Comment},
        {"ITRK", LeadingNumber(record.Track)},
        {"ICOP", record.Copyright},
        {"IMUS", record.Composer},
        {"ITCH", record.EncodedBy}};
    std::vector<uint8_t> body = {'I', 'N', 'F', 'O'};
    for (const auto& [id, value] : fields) {
        std::string text(id3::TrimBlanks(value));
        text = text.substr(0, text.find('\0'));  // the text ends at its first zero byte
        if (text.empty()) {
            continue;
        }
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        AppendChunk(body, id, data);
    }
    std::vector<uint8_t> out;
    if (body.size() > 4) {
        AppendChunk(out, "LIST", body);
    }
    return out;
}

id3::WriteStatus WriteWavTags(const std::string& path, const id3::SourceTags& tags) {
    const id3::TagSet record = id3::MergedRecord(tags);
    const std::vector<uint8_t> info = RenderInfoList(record, tags.Frames);
    std::vector<uint8_t> id3Chunk;
    if (const auto tag = id3::RenderChunkTag(tags)) {
        AppendChunk(id3Chunk, "id3 ", *tag);
    }
    if (info.empty() && id3Chunk.empty()) {
        return {};
    }
    id3::ClearReadOnly(path);
    const auto file = id3::FileSource::Open(path, false);
    if (!file) {
        return id3::SystemWriteFailed(kKind, "cannot open", path);
    }
    const auto chunks = ReadChunks(*file);
    if (!chunks || chunks->Form == "FORM" || chunks->Type != "WAVE") {
        return id3::WriteFailed(kKind, "'" + path + "' is no RIFF WAVE file");
    }
    if (chunks->Form != "RIFF") {
        return {true, "WAV: '" + path + "' is an " + chunks->Form +
                          " file, whose sizes this writer does not rewrite; it keeps no tags"};
    }
    if (!chunks->Damage.empty()) {
        return id3::WriteFailed(kKind, "'" + path + "' is damaged: " + chunks->Damage);
    }
    static const uint8_t kHeaderPlaceholder[12] = {};
    std::vector<id3::FilePiece> pieces = {{std::span<const uint8_t>(kHeaderPlaceholder, 12)}};
    int64_t total = 12;
    for (const auto& chunk : chunks->Chunks) {
        if (!IsOldTagChunk(chunk)) {
            KeepChunk(*file, chunk, pieces, total);
        }
    }
    // The tag chunks go behind the audio: a file whose old tags were there keeps its audio
    // where it was, and the kernel copies it without passing it through memory.
    if (!info.empty()) {
        pieces.push_back({info});
        total += static_cast<int64_t>(info.size());
    }
    if (!id3Chunk.empty()) {
        pieces.push_back({id3Chunk});
        total += static_cast<int64_t>(id3Chunk.size());
    }
    if (total - 8 > int64_t{0xFFFFFFFF}) {
        return {true, "WAV: '" + path +
                          "' would grow past the 4 GiB a RIFF size can tell; it keeps no tags"};
    }
    std::vector<uint8_t> header = {'R', 'I', 'F', 'F'};
    AppendLe32(header, static_cast<uint64_t>(total - 8));
    header.insert(header.end(), {'W', 'A', 'V', 'E'});
    pieces[0] = {header};
    errno = 0;
    if (!id3::ReplaceWithPieces(path, *file, pieces)) {
        return id3::SystemWriteFailed(kKind, "could not replace", path);
    }
    return Verify(path, info, id3Chunk, tags);
}

}  // namespace tags
