#include "demuxer.h"

extern "C" {
#include <libavutil/avstring.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "local_files.h"
#include "source_bytes.h"

namespace transcoder {
namespace {

bool NotMedia(int code) {
    return code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL);
}

// Opens `path` with the demuxers of kInputFormats into `format`; FFmpeg's error code,
// negative on failure (AVERROR(EINVAL) for another format).
int OpenInput(const std::string& path, AVFormatContext*& format) {
    // The name is a local file's, never a URL: only the file protocol may open it, and the
    // list binds whatever the demuxer opens in turn. The demuxers are those of the input
    // formats, none of which opens another file.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kInputFormats, 0);
    const int rc = avformat_open_input(&format, LocalFileUrl(path).c_str(), nullptr, &options);
    av_dict_free(&options);
    return rc;
}

// Demuxers of lists that name other files to be read in their stead.
bool NamesOtherFiles(const char* name) {
    for (const char* list : {"hls", "concat", "dash", "imf", "webm_dash_manifest"}) {
        if (std::strcmp(name, list) == 0) {
            return true;
        }
    }
    return false;
}

// The demuxer FFmpeg would take for the first bytes of `file`, judged by its contents alone
// and only when it is fairly sure; null for an unknown kind.
const AVInputFormat* ProbeKind(const std::optional<FileBytes>& file) {
    if (!file) {
        return nullptr;
    }
    constexpr std::int64_t kProbeBytes = 1 << 18;
    const std::size_t size = static_cast<std::size_t>(std::min(file->size(), kProbeBytes));
    std::vector<unsigned char> head(size + AVPROBE_PADDING_SIZE, 0);
    if (size == 0 || !file->Reader()(0, head.data(), size)) {
        return nullptr;
    }
    AVProbeData probe{};
    probe.filename = "";
    probe.buf = head.data();
    probe.buf_size = static_cast<int>(size);
    int score = 0;
    const AVInputFormat* kind = av_probe_input_format3(&probe, 1, &score);
    return score >= AVPROBE_SCORE_RETRY ? kind : nullptr;
}

// Why `path` does not open with the demuxers of kInputFormats (FFmpeg said `code`): what it
// is when FFmpeg knows the kind, else that it is no audio or video file.
std::string RefusalReason(const std::string& path, int code) {
    const AVInputFormat* kind = ProbeKind(FileBytes::Open(path));
    if (kind == nullptr) {
        return "not an audio or video file";
    }
    const char* name = kind->long_name != nullptr ? kind->long_name : kind->name;
    if (NamesOtherFiles(kind->name)) {
        return std::string("not an audio file but a playlist naming other files (") + name + ")";
    }
    if (av_match_list(kind->name, kInputFormats, ',') > 0) {
        return std::string("cannot be read as ") + name + ": " + AvErrorText(code);
    }
    return std::string("unsupported format: ") + name;
}

// Why `path` ended before its streams could be read: empty or cut off, unless its bytes
// are of no known kind and a demuxer only took it for its name.
std::string EndReason(const std::string& path) {
    const std::optional<FileBytes> file = FileBytes::Open(path);
    if (file && file->size() > 0 && ProbeKind(file) == nullptr) {
        return "not an audio or video file";
    }
    return "the file is empty or cut off";
}

}  // namespace

Result<FormatHandle> OpenMedia(const std::string& path) {
    AVFormatContext* opened = nullptr;
    int rc = OpenInput(path, opened);
    if (rc < 0) {
        return Status::Failure(NotMedia(rc)        ? RefusalReason(path, rc)
                               : rc == AVERROR_EOF ? EndReason(path)
                                                   : AvErrorText(rc));
    }
    FormatHandle format(opened);
    rc = avformat_find_stream_info(opened, nullptr);
    if (rc < 0) {
        return Status::Failure(NotMedia(rc)
                                   ? "not an audio or video file, or damaged beyond reading"
                               : rc == AVERROR_EOF ? EndReason(path)
                                                   : "cannot read the streams: " + AvErrorText(rc));
    }
    return format;
}

std::optional<int> TakeFirstAudioStream(AVFormatContext& format) {
    std::optional<int> audio;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (!audio && format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audio = static_cast<int>(i);
        } else {
            format.streams[i]->discard = AVDISCARD_ALL;
        }
    }
    return audio;
}

bool MayBeMedia(const std::string& path) {
    const std::optional<FileBytes> file = FileBytes::Open(path);
    return !file || ProbeKind(file) != nullptr;
}

std::string KindOf(const AVFormatContext& format) {
    struct Kind {
        const char* demuxer;
        const char* name;
    };
    static constexpr Kind kKinds[] = {
        {"matroska", "Matroska"},
        {"mov", "MP4"},
        {"asf", "ASF"},
        {"avi", "AVI"},
        {"mpeg", "MPEG program stream"},
        {"mpegts", "MPEG transport stream"},
        {"ogg", "Ogg"},
        {"wav", "WAV"},
        {"w64", "Wave64"},
        {"aiff", "AIFF"},
    };
    for (const Kind& kind : kKinds) {
        if (av_match_list(format.iformat->name, kind.demuxer, ',') > 0) {
            return kind.name;
        }
    }
    return format.iformat->long_name != nullptr ? format.iformat->long_name : format.iformat->name;
}

}  // namespace transcoder
