#include "matroska_reader.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace tags {
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

struct IoCloser {
    void operator()(AVIOContext* io) const {
        if (io != nullptr) {
            av_freep(&io->buffer);
        }
        avio_context_free(&io);
    }
};
using IoPtr = std::unique_ptr<AVIOContext, IoCloser>;

// Bytes in memory read through an AVIOContext.
struct MemoryInput {
    std::span<const uint8_t> bytes;
    int64_t position = 0;
};

int ReadMemory(void* opaque, uint8_t* buffer, int size) {
    auto* input = static_cast<MemoryInput*>(opaque);
    const int64_t left = static_cast<int64_t>(input->bytes.size()) - input->position;
    if (left <= 0) {
        return AVERROR_EOF;
    }
    const int n = static_cast<int>(std::min<int64_t>(left, size));
    std::memcpy(buffer, input->bytes.data() + input->position, static_cast<size_t>(n));
    input->position += n;
    return n;
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
    auto* input = static_cast<MemoryInput*>(opaque);
    const auto size = static_cast<int64_t>(input->bytes.size());
    if ((whence & AVSEEK_SIZE) != 0) {
        return size;
    }
    int64_t target = offset;
    if ((whence & 3) == SEEK_CUR) {
        target += input->position;
    } else if ((whence & 3) == SEEK_END) {
        target += size;
    }
    if (target < 0 || target > size) {
        return AVERROR(EINVAL);
    }
    input->position = target;
    return target;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Matroska's tag names (as the demuxer gives them) and the common names of their fields.
std::string CommonKey(const std::string& key) {
    static const std::pair<const char*, const char*> kKeys[] = {
        {"ALBUM_ARTIST", "ALBUMARTIST"}, {"TRACK", "TRACKNUMBER"},
        {"PART_NUMBER", "TRACKNUMBER"},  {"TOTAL_PARTS", "TRACKTOTAL"},
        {"DISC", "DISCNUMBER"},          {"DATE_RELEASED", "DATE"},
        {"DATE_RECORDED", "DATE"},       {"LEAD_PERFORMER", "ARTIST"}};
    const std::string upper = Upper(key);
    for (const auto& [name, common] : kKeys) {
        if (upper == name) {
            return common;
        }
    }
    return upper;
}

std::string Tag(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry != nullptr && entry->value != nullptr ? entry->value : "";
}

// The picture type a Matroska attachment's file name suggests ("cover.jpg", "back.png", ...).
int PictureType(const std::string& fileName) {
    std::string lower = fileName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (lower.rfind("cover", 0) == 0 || lower.rfind("front", 0) == 0) {
        return 3;
    }
    return lower.rfind("back", 0) == 0 ? 4 : 0;
}

void Collect(const AVFormatContext& context, NeutralTags& out) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(context.metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        if (entry->key != nullptr && entry->value != nullptr && *entry->value != '\0') {
            out.Fields.push_back({CommonKey(entry->key), {entry->value}});
        }
    }
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream* stream = context.streams[i];
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            continue;
        }
        const AVPacket& packet = stream->attached_pic;
        if (packet.data == nullptr || packet.size <= 0) {
            out.Dropped.push_back({"attachment", "a picture without data"});
            continue;
        }
        const std::string fileName = Tag(stream->metadata, "filename");
        out.Pictures.push_back({PictureType(fileName), Tag(stream->metadata, "mimetype"), fileName,
                                std::vector<uint8_t>(packet.data, packet.data + packet.size)});
    }
}

// Opens with the Matroska demuxer alone; `io` is the input for bytes in memory, null for a file.
NeutralTags Open(const std::string& path, AVIOContext* io) {
    NeutralTags out;
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        out.Dropped.push_back({"(tags)", "could not be read: not enough memory"});
        return out;
    }
    raw->pb = io;
    if (io != nullptr) {
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", "matroska,webm", 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const AVInputFormat* matroska = av_find_input_format("matroska");
    const int opened =
        avformat_open_input(&raw, io != nullptr ? "" : path.c_str(), matroska, &options);
    av_dict_free(&options);
    if (opened < 0) {
        out.Dropped.push_back({"(tags)", "libavformat could not read the Matroska file"});
        return out;  // avformat_open_input has freed the context
    }
    const FormatPtr context(raw);
    Collect(*context, out);
    return out;
}

}  // namespace

NeutralTags ReadMatroskaFile(const std::string& path) {
    try {
        return Open(path, nullptr);
    } catch (const std::bad_alloc&) {
        return NeutralTags{{}, {}, {{"(tags)", "could not be read: not enough memory"}}};
    }
}

NeutralTags ReadMatroskaBytes(std::span<const uint8_t> bytes) {
    try {
        MemoryInput input{bytes};
        constexpr int kBufferSize = 1 << 14;
        auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
        if (buffer == nullptr) {
            return NeutralTags{{}, {}, {{"(tags)", "could not be read: not enough memory"}}};
        }
        IoPtr io(
            avio_alloc_context(buffer, kBufferSize, 0, &input, ReadMemory, nullptr, SeekMemory));
        if (!io) {
            av_free(buffer);
            return NeutralTags{{}, {}, {{"(tags)", "could not be read: not enough memory"}}};
        }
        return Open("", io.get());
    } catch (const std::bad_alloc&) {
        return NeutralTags{{}, {}, {{"(tags)", "could not be read: not enough memory"}}};
    }
}

}  // namespace tags
