#include "demuxer.h"

#include "local_files.h"

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

}  // namespace

Result<FormatHandle> OpenMedia(const std::string& path) {
    AVFormatContext* opened = nullptr;
    int rc = OpenInput(path, opened);
    if (rc < 0) {
        return Status::Failure(NotMedia(rc)        ? "not an audio or video file"
                               : rc == AVERROR_EOF ? "the file is empty or cut off"
                                                   : AvErrorText(rc));
    }
    FormatHandle format(opened);
    rc = avformat_find_stream_info(opened, nullptr);
    if (rc < 0) {
        return Status::Failure(NotMedia(rc)
                                   ? "not an audio or video file, or damaged beyond reading"
                               : rc == AVERROR_EOF ? "the file is empty or cut off"
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

}  // namespace transcoder
