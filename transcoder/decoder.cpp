#include "decoder.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame_header.h"
#include "local_files.h"

namespace transcoder {
namespace {

template <typename T>
float Sample(const T v);
template <>
float Sample(const std::uint8_t v) {
    return static_cast<float>(static_cast<int>(v) - 128) * (1.0f / 128.0f);
}
template <>
float Sample(const std::int16_t v) {
    return static_cast<float>(v) * (1.0f / 32768.0f);
}
template <>
float Sample(const std::int32_t v) {
    return static_cast<float>(static_cast<double>(v) * (1.0 / 2147483648.0));
}
template <>
float Sample(const std::int64_t v) {
    return static_cast<float>(static_cast<double>(v) * (1.0 / 9223372036854775808.0));
}
template <>
float Sample(const float v) {
    return v;
}
template <>
float Sample(const double v) {
    return static_cast<float>(v);
}

template <typename T>
void Convert(const AVFrame& frame, bool planar, Planes& out) {
    const std::size_t channels = out.size();
    const std::size_t n = static_cast<std::size_t>(frame.nb_samples);
    for (std::size_t c = 0; c < channels; ++c) {
        float* dst = out[c].data();
        if (planar) {
            const T* src = reinterpret_cast<const T*>(frame.extended_data[c]);
            for (std::size_t i = 0; i < n; ++i) {
                dst[i] = Sample<T>(src[i]);
            }
        } else {
            const T* src = reinterpret_cast<const T*>(frame.extended_data[0]) + c;
            for (std::size_t i = 0; i < n; ++i) {
                dst[i] = Sample<T>(src[i * channels]);
            }
        }
    }
}

bool NotMedia(int code) {
    return code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL);
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// For a RIFF WAV file: how many bytes of the declared data chunk are missing at the end
// of the file. 0 when complete, when the size is left open or for other files.
std::int64_t MissingWavBytes(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;  // a pipe has no size to compare with, and must not be read twice
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return 0;
    }
    std::int64_t missing = 0;
    unsigned char head[12];
    if (std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, "RIFF", 4) == 0 &&
        std::memcmp(head + 8, "WAVE", 4) == 0) {
        std::int64_t offset = 12;
        unsigned char chunk[8];
        while (std::fread(chunk, 1, sizeof chunk, f) == sizeof chunk) {
            const std::uint32_t size = Le32(chunk + 4);
            offset += 8;
            if (std::memcmp(chunk, "data", 4) == 0) {
                if (size != 0 && size != 0xFFFFFFFFu && std::fseek(f, 0, SEEK_END) == 0) {
                    const std::int64_t have = std::ftell(f) - offset;
                    missing = have < size ? size - have : 0;
                }
                break;
            }
            offset += size + (size & 1);
            if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) {
                break;
            }
        }
    }
    std::fclose(f);
    return missing;
}

// The frame length a packet's own header declares; 0 when unknown.
std::size_t DeclaredSize(AVCodecID codec, const std::uint8_t* data, std::size_t size) {
    switch (codec) {
        case AV_CODEC_ID_MP1:
        case AV_CODEC_ID_MP2:
        case AV_CODEC_ID_MP3:
            return MpegAudioFrameSize(data, size);
        case AV_CODEC_ID_DTS:
            return DtsFrameSize(data, size);
        default:
            return 0;
    }
}

std::uint32_t SyncSafe28(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] & 0x7F) << 21 |
           static_cast<std::uint32_t>(p[1] & 0x7F) << 14 |
           static_cast<std::uint32_t>(p[2] & 0x7F) << 7 | static_cast<std::uint32_t>(p[3] & 0x7F);
}

// Formats whose file is the bare audio stream, so that all its bytes but its tags are
// frames. (In a real container the audio may well be a small share of the file.)
bool IsBareAudioFormat(const char* name) {
    for (const char* bare : {"mp3", "ac3", "eac3", "dts", "aac", "mlp", "truehd"}) {
        if (std::strcmp(name, bare) == 0) {
            return true;
        }
    }
    return false;
}

// The bytes of the regular file `path` that are not tags: its size without leading ID3v2
// tags and a trailing ID3v1 or APEv2 tag. -1 for a pipe or a file that cannot be read.
std::int64_t UntaggedBytes(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return -1;
    }
    std::int64_t begin = 0;
    std::int64_t end = info.st_size;
    unsigned char head[10];
    while (std::fseek(f, static_cast<long>(begin), SEEK_SET) == 0 &&
           std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, "ID3", 3) == 0) {
        const bool footer = (head[5] & 0x10) != 0;
        begin += 10 + SyncSafe28(head + 6) + (footer ? 10 : 0);
    }
    unsigned char tail[128];
    if (end - begin >= 128 && std::fseek(f, static_cast<long>(end - 128), SEEK_SET) == 0 &&
        std::fread(tail, 1, sizeof tail, f) == sizeof tail && std::memcmp(tail, "TAG", 3) == 0) {
        end -= 128;
    }
    // An APEv2 footer states the tag's size without its header; a flag tells of the header.
    if (end - begin >= 32 && std::fseek(f, static_cast<long>(end - 32), SEEK_SET) == 0 &&
        std::fread(tail, 1, 32, f) == 32 && std::memcmp(tail, "APETAGEX", 8) == 0) {
        const bool header = (tail[23] & 0x80) != 0;
        end -= static_cast<std::int64_t>(Le32(tail + 12)) + (header ? 32 : 0);
    }
    std::fclose(f);
    return end > begin ? end - begin : 0;
}

// Why a file that holds a bare audio stream is not audio: most of its bytes are not frames
// that decode (random data that happens to hold a few valid frames). Empty when it is.
std::string NotAudioReason(const char* formatName, const std::string& path,
                           std::int64_t audioBytes) {
    if (!IsBareAudioFormat(formatName)) {
        return {};
    }
    const std::int64_t bytes = UntaggedBytes(path);
    if (bytes <= 0 || audioBytes * 2 >= bytes) {
        return {};
    }
    return "not an audio file: only " + std::to_string(audioBytes) + " of its " +
           std::to_string(bytes) + " bytes are audio frames that decode";
}

}  // namespace

std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool ToPlanarFloat(const AVFrame& frame, Planes& out) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    out.resize(static_cast<std::size_t>(frame.ch_layout.nb_channels));
    for (auto& plane : out) {
        plane.resize(static_cast<std::size_t>(frame.nb_samples));
    }
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            Convert<std::uint8_t>(frame, planar, out);
            return true;
        case AV_SAMPLE_FMT_S16:
            Convert<std::int16_t>(frame, planar, out);
            return true;
        case AV_SAMPLE_FMT_S32:
            Convert<std::int32_t>(frame, planar, out);
            return true;
        case AV_SAMPLE_FMT_S64:
            Convert<std::int64_t>(frame, planar, out);
            return true;
        case AV_SAMPLE_FMT_FLT:
            Convert<float>(frame, planar, out);
            return true;
        case AV_SAMPLE_FMT_DBL:
            Convert<double>(frame, planar, out);
            return true;
        default:
            return false;
    }
}

std::unique_ptr<Decoder> Decoder::Open(const std::string& path, bool noCompression,
                                       std::string& error) {
    std::unique_ptr<Decoder> d(new Decoder());
    AVFormatContext* format = nullptr;
    // The name is a local file's, never a URL: only the file protocol may open it, and the
    // list binds whatever the demuxer opens in turn (a playlist's entries, say).
    AVDictionary* openOptions = nullptr;
    av_dict_set(&openOptions, "protocol_whitelist", "file", 0);
    int rc = avformat_open_input(&format, LocalFileUrl(path).c_str(), nullptr, &openOptions);
    av_dict_free(&openOptions);
    if (rc < 0) {
        error = NotMedia(rc)        ? "not an audio or video file"
                : rc == AVERROR_EOF ? "the file is empty or cut off"
                                    : AvErrorText(rc);
        return nullptr;
    }
    d->format_.reset(format);
    rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) {
        error = NotMedia(rc)        ? "not an audio or video file, or damaged beyond reading"
                : rc == AVERROR_EOF ? "the file is empty or cut off"
                                    : "cannot read the streams: " + AvErrorText(rc);
        return nullptr;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (d->stream_ < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            d->stream_ = static_cast<int>(i);
        } else {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (d->stream_ < 0) {
        error = "the file holds no audio stream";
        return nullptr;
    }
    const AVCodecParameters* par = format->streams[d->stream_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) {
        error = "no decoder for the audio stream's codec";
        return nullptr;
    }
    d->codec_.reset(avcodec_alloc_context3(codec));
    d->packet_.reset(av_packet_alloc());
    d->frame_.reset(av_frame_alloc());
    if (!d->codec_ || !d->packet_ || !d->frame_ ||
        avcodec_parameters_to_context(d->codec_.get(), par) < 0) {
        error = "out of memory";
        return nullptr;
    }
    AVDictionary* opts = nullptr;
    if (noCompression) {
        av_dict_set(&opts, "drc_scale", "0", 0);
    }
    rc = avcodec_open2(d->codec_.get(), codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        error = "cannot open the audio decoder: " + AvErrorText(rc);
        return nullptr;
    }
    d->fileSize_ = format->pb != nullptr ? avio_size(format->pb) : 0;
    rc = d->Pull(error);
    if (rc <= 0) {
        if (rc == 0) {
            error = "no audio could be decoded from the file";
        }
        return nullptr;
    }
    d->haveFrame_ = true;
    d->rate_ = d->frame_->sample_rate;
    if (av_channel_layout_copy(&d->layout_, &d->frame_->ch_layout) < 0 || d->rate_ <= 0 ||
        d->layout_.nb_channels <= 0) {
        error = "the audio stream has no valid sample rate or channel count";
        return nullptr;
    }
    return d;
}

Decoder::~Decoder() {
    av_channel_layout_uninit(&layout_);
    av_channel_layout_uninit(&conformFrom_);
}

bool Decoder::ConformTo(const std::vector<AVChannel>& roles, std::string& error) {
    AVChannelLayout reference{};
    if (!NativeLayout(roles, reference)) {
        error = "no channel layout for the output's channels";
        return false;
    }
    av_channel_layout_uninit(&layout_);
    layout_ = reference;
    av_channel_layout_uninit(&conformFrom_);  // the plan for the next part is made anew
    return true;
}

int Decoder::Pull(std::string& error) {
    while (true) {
        int rc = avcodec_receive_frame(codec_.get(), frame_.get());
        if (rc == 0) {
            // An incomplete frame decodes with a flag; at the end it marks a cut-off file.
            lastFrameBad_ =
                frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT) != 0;
            audioBytes_ += lastFrameBad_ ? 0 : sentBytes_;
            sentBytes_ = 0;
            return 1;
        }
        if (rc == AVERROR_EOF) {
            return 0;
        }
        // Anything else is a damaged frame or junk between or after the frames: skipped.
        if (draining_) {
            return 0;
        }
        rc = av_read_frame(format_.get(), packet_.get());
        if (rc == AVERROR_EOF) {
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (rc < 0) {
            error = "read error: " + AvErrorText(rc);
            return -1;
        }
        if (packet_->stream_index == stream_) {
            // An MPEG audio or DTS frame shorter than its header says is a cut-off frame; a
            // packet the decoder refuses (junk, say, after the last frame) is skipped.
            const std::size_t size = static_cast<std::size_t>(packet_->size);
            const std::size_t declared = DeclaredSize(codec_->codec_id, packet_->data, size);
            if (declared != 0) {
                lastPacketBad_ = declared > size;
            }
            if (avcodec_send_packet(codec_.get(), packet_.get()) == 0) {
                sentBytes_ += packet_->size;
            }
        }
        av_packet_unref(packet_.get());
    }
}

long Decoder::Next(Planes& out, std::string& error) {
    while (!finished_) {
        if (!haveFrame_) {
            const int rc = Pull(error);
            if (rc < 0) {
                return -1;
            }
            if (rc == 0) {
                // The tail of a part at another rate comes before the end.
                if (rateFix_) {
                    if (!EndRateFix(out, error)) {
                        return -1;
                    }
                    if (FrameCount(out) > 0) {
                        decodedFrames_ += static_cast<std::int64_t>(FrameCount(out));
                        return static_cast<long>(FrameCount(out));
                    }
                }
                finished_ = true;
                return CheckComplete(error) ? 0 : -1;
            }
        }
        haveFrame_ = false;
        const int frameRate = frame_->sample_rate;
        const bool sameRate = frameRate == rate_;
        const bool converted = ToLayout(*frame_, sameRate ? out : otherRate_, error);
        av_frame_unref(frame_.get());
        if (!converted) {
            return -1;
        }
        // A part at another sample rate is resampled to the rate the stream began with.
        tail_.clear();
        if (rateFix_ && (sameRate || rateFixFrom_ != frameRate) && !EndRateFix(tail_, error)) {
            return -1;
        }
        if (!sameRate) {
            if (!rateFix_) {
                rateFix_ = Resampler::Create(frameRate, rate_, layout_.nb_channels, error);
                rateFixFrom_ = frameRate;
                if (!rateFix_) {
                    return -1;
                }
            }
            if (!rateFix_->Process(&otherRate_, out, error)) {
                return -1;
            }
        }
        for (std::size_t c = 0; c < tail_.size() && c < out.size(); ++c) {
            out[c].insert(out[c].begin(), tail_[c].begin(), tail_[c].end());
        }
        const std::size_t frames = FrameCount(out);
        if (frames > 0) {
            decodedFrames_ += static_cast<std::int64_t>(frames);
            return static_cast<long>(frames);
        }
    }
    return 0;
}

bool Decoder::ToLayout(const AVFrame& frame, Planes& target, std::string& error) {
    const bool sameLayout = av_channel_layout_compare(&frame.ch_layout, &layout_) == 0;
    if (!ToPlanarFloat(frame, sameLayout ? target : changed_)) {
        error = "unsupported sample format";
        return false;
    }
    if (!sameLayout) {
        if (av_channel_layout_compare(&frame.ch_layout, &conformFrom_) != 0) {
            av_channel_layout_uninit(&conformFrom_);
            if (av_channel_layout_copy(&conformFrom_, &frame.ch_layout) < 0) {
                error = "out of memory";
                return false;
            }
            conform_ = ConformPlan(ChannelRoles(frame.ch_layout), ChannelRoles(layout_));
        }
        ApplyMix(conform_, changed_, target);
    }
    return true;
}

bool Decoder::EndRateFix(Planes& tail, std::string& error) {
    const bool ok = rateFix_->Process(nullptr, tail, error);
    rateFix_.reset();
    return ok;
}

bool Decoder::CheckComplete(std::string& error) const {
    if (lastPacketBad_ || lastFrameBad_) {
        error = "the file is truncated or damaged at its end";
        return false;
    }
    const std::int64_t missingBytes = MissingWavBytes(LocalFilePath(format_->url));
    if (missingBytes > 0) {
        error = "the file is truncated: " + std::to_string(missingBytes) +
                " bytes of audio data are missing";
        return false;
    }
    const std::string notAudio =
        NotAudioReason(format_->iformat->name, LocalFilePath(format_->url), audioBytes_);
    if (!notAudio.empty()) {
        error = notAudio;
        return false;
    }
    const AVStream* stream = format_->streams[stream_];
    if (stream->duration <= 0 || stream->duration == AV_NOPTS_VALUE ||
        format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) {
        return true;
    }
    const double declared = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    const double decoded = static_cast<double>(decodedFrames_) / rate_;
    // Allow for encoder delay and padding; a file that stops short by more is cut off.
    if (decoded + 0.1 + 0.01 * declared < declared) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "the file is truncated: %.2f s of audio where %.2f s are declared", decoded,
                      declared);
        error = text;
        return false;
    }
    return true;
}

double Decoder::Progress() const {
    if (fileSize_ <= 0 || format_->pb == nullptr) {
        return 0.0;
    }
    const double share = static_cast<double>(avio_tell(format_->pb)) / fileSize_;
    return share < 0.0 ? 0.0 : (share > 1.0 ? 1.0 : share);
}

}  // namespace transcoder
