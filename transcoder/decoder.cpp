#include "decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "frame_header.h"
#include "local_files.h"
#include "source_bytes.h"

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

// False for a packet of a raw audio stream that does not even start with a frame header: junk
// (zeros, a tag) the demuxer passed on. Packets of other codecs come framed by a container.
bool StartsWithFrame(AVCodecID codec, const std::uint8_t* data, std::size_t size) {
    switch (codec) {
        case AV_CODEC_ID_AC3:
        case AV_CODEC_ID_EAC3:
            return Ac3FrameChannels(data, size).has_value();
        case AV_CODEC_ID_MP1:
        case AV_CODEC_ID_MP2:
        case AV_CODEC_ID_MP3:
        case AV_CODEC_ID_DTS:
            return DeclaredSize(codec, data, size) != 0;
        default:
            return true;
    }
}

// Formats whose file is the bare audio stream, so that all its bytes but its tags are
// frames. (In a real container the audio may well be a small share of the file.)
bool IsBareAudioFormat(const char* name) {
    for (const char* bare : {"mp3", "ac3", "eac3", "dts"}) {
        if (std::strcmp(name, bare) == 0) {
            return true;
        }
    }
    return false;
}

// Why a file that holds a bare audio stream is not audio: most of its bytes are not frames
// that decode (random data that happens to hold a few valid frames). Empty when it is.
std::string NotAudioReason(const char* formatName, const std::string& path,
                           std::int64_t audioBytes) {
    if (!IsBareAudioFormat(formatName)) {
        return {};
    }
    const std::optional<FileBytes> file = FileBytes::Open(path);
    const std::int64_t bytes = file ? UntaggedSpan(file->size(), file->Reader()).size() : 0;
    if (bytes <= 0 || audioBytes * 2 >= bytes) {
        return {};
    }
    return "not an audio file: only " + std::to_string(audioBytes) + " of its " +
           std::to_string(bytes) + " bytes are audio frames that decode";
}

std::string Seconds(double seconds, int decimals = 2) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f s", decimals, seconds);
    return text;
}

// "A s, B s" with as many decimals as it takes (2 to 6) for the two to differ.
std::string TwoDurations(double a, double b, const char* between) {
    int decimals = 2;
    while (decimals < 6 && Seconds(a, decimals) == Seconds(b, decimals)) {
        ++decimals;
    }
    return Seconds(a, decimals) + between + Seconds(b, decimals);
}

}  // namespace

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
    int rc = OpenInput(path, format);
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
    d->rest_.reset(av_packet_alloc());
    d->frame_.reset(av_frame_alloc());
    if (!d->codec_ || !d->packet_ || !d->rest_ || !d->frame_ ||
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
            // An incomplete or damaged frame decodes with a flag: its sound is the decoder's
            // guess, so it counts as lost.
            const bool bad =
                frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT) != 0;
            const double seconds =
                frame_->sample_rate > 0
                    ? static_cast<double>(frame_->nb_samples) / frame_->sample_rate
                    : 0.0;
            const double at = pendingAt_ >= 0.0 ? pendingAt_ : decodedSeconds_;
            decodedSeconds_ += seconds;
            if (bad) {
                Lost(at, seconds, sentBytes_, true);
            } else {
                audioBytes_ += sentBytes_;
                goodSeconds_ += seconds;
                holeOpen_ = false;
            }
            sentBytes_ = 0;
            pendingAt_ = -1.0;
            pendingSeconds_ = 0.0;
            return 1;
        }
        if (rc == AVERROR_EOF) {
            return 0;
        }
        if (rc != AVERROR(EAGAIN) && sentBytes_ > 0) {
            // The decoder gave up on what it was given: those bytes are a damaged stretch.
            Lost(pendingAt_ >= 0.0 ? pendingAt_ : decodedSeconds_, pendingSeconds_, sentBytes_,
                 true);
            sentBytes_ = 0;
            pendingAt_ = -1.0;
            pendingSeconds_ = 0.0;
        }
        // Anything else is a damaged frame or junk between or after the frames: skipped.
        if (draining_) {
            return 0;
        }
        if (rest_->size > 0) {
            FeedRest();
            continue;
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
            lastPacketAt_ = PacketTime(*packet_);
            lastPacketSeconds_ = packet_->duration > 0
                                     ? static_cast<double>(packet_->duration) *
                                           av_q2d(format_->streams[stream_]->time_base)
                                     : 0.0;
            Feed(*packet_);
        }
        av_packet_unref(packet_.get());
    }
}

void Decoder::Feed(AVPacket& packet) {
    // An MPEG audio or DTS frame shorter than its header says is a cut-off frame; a packet
    // the decoder refuses (junk, say, after the last frame) is skipped.
    const std::size_t size = static_cast<std::size_t>(packet.size);
    const std::size_t declared = DeclaredSize(codec_->codec_id, packet.data, size);
    if (declared != 0) {
        lastPacketBad_ = declared > size;
    }
    if (avcodec_send_packet(codec_.get(), &packet) != 0) {
        // FFmpeg's AC-3 parser joins what follows a damaged frame (junk after the last
        // frame, or the frames after a hole up to the next frame it trusts) into one packet,
        // which the decoder then refuses as a whole. Its frames are fed one by one instead.
        const bool ac3 =
            codec_->codec_id == AV_CODEC_ID_AC3 || codec_->codec_id == AV_CODEC_ID_EAC3;
        const std::size_t frame = ac3 ? Ac3FrameSize(packet.data, size) : 0;
        if (frame == 0 || frame >= size || av_packet_ref(rest_.get(), &packet) < 0) {
            Lost(lastPacketAt_, lastPacketSeconds_, packet.size,
                 StartsWithFrame(codec_->codec_id, packet.data, size));
            return;
        }
        rest_->data += frame;
        rest_->size -= static_cast<int>(frame);
        packet.size = static_cast<int>(frame);
        if (avcodec_send_packet(codec_.get(), &packet) != 0) {
            Lost(lastPacketAt_, lastPacketSeconds_, packet.size, true);
            return;
        }
    }
    if (pendingAt_ < 0.0) {
        pendingAt_ = lastPacketAt_;
    }
    pendingSeconds_ += lastPacketSeconds_;
    sentBytes_ += packet.size;
}

void Decoder::FeedRest() {
    // The next frame of the rest, or the junk up to the next sync word.
    const std::size_t size = static_cast<std::size_t>(rest_->size);
    std::size_t take = std::min(Ac3FrameSize(rest_->data, size), size);
    const bool frame = take != 0;
    if (!frame) {
        take = 1;
        while (take + 1 < size && !(rest_->data[take] == 0x0B && rest_->data[take + 1] == 0x77)) {
            ++take;
        }
        if (take + 1 >= size) {
            take = size;
        }
    }
    // Each frame of the rest follows the one before; AC-3 frames hold 1536 samples.
    lastPacketAt_ += lastPacketSeconds_;
    lastPacketSeconds_ = frame && codec_->sample_rate > 0 ? 1536.0 / codec_->sample_rate : 0.0;
    std::unique_ptr<AVPacket, PacketFreer> slice(frame ? av_packet_alloc() : nullptr);
    if (slice && av_packet_ref(slice.get(), rest_.get()) == 0) {
        slice->size = static_cast<int>(take);
        slice->pts = AV_NOPTS_VALUE;
        slice->dts = AV_NOPTS_VALUE;
        Feed(*slice);
    } else {
        Lost(lastPacketAt_, lastPacketSeconds_, static_cast<std::int64_t>(take), frame);
    }
    rest_->data += take;
    rest_->size -= static_cast<int>(take);
    if (rest_->size == 0) {
        av_packet_unref(rest_.get());
    }
}

double Decoder::PacketTime(const AVPacket& packet) const {
    const AVStream* stream = format_->streams[stream_];
    if (packet.pts == AV_NOPTS_VALUE) {
        return decodedSeconds_;
    }
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const double at = static_cast<double>(packet.pts - start) * av_q2d(stream->time_base);
    return at > 0.0 ? at : 0.0;
}

void Decoder::Lost(double at, double seconds, std::int64_t bytes, bool framed) {
    if (holeOpen_ && !holes_.empty()) {
        holes_.back().seconds += seconds;
        holes_.back().bytes += bytes;
        holes_.back().framed = holes_.back().framed || framed;
        return;
    }
    holeOpen_ = true;
    if (holes_.size() <= kListedHoles) {
        holes_.push_back({at, seconds, bytes, 1, framed});
    } else {
        Hole& rest = holes_.back();
        rest.seconds += seconds;
        rest.bytes += bytes;
        ++rest.count;
        rest.framed = rest.framed || framed;
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

bool Decoder::CheckComplete(std::string& error) {
    const std::string path = LocalFilePath(format_->url);
    const std::string notAudio = NotAudioReason(format_->iformat->name, path, audioBytes_);
    if (!notAudio.empty()) {
        error = notAudio;
        return false;
    }
    // A last MPEG audio or DTS frame shorter than its header says still decodes, into
    // something: it counts as lost all the same.
    if (lastPacketBad_ && !holeOpen_) {
        Lost(lastPacketAt_, lastPacketSeconds_, 0, true);
    }
    // Junk after the last frame that holds no frame at all (padding, a tag) lost nothing.
    if (holeOpen_ && holes_.size() <= kListedHoles && !holes_.back().framed) {
        holes_.pop_back();
        holeOpen_ = false;
    }
    const bool cutOff = holeOpen_;  // the last damaged stretch runs to the end of the file
    // The bytes a second of this stream takes, to measure stretches whose packets do not
    // tell their own length (a damaged packet may hold several frames).
    const AVCodecParameters* par = format_->streams[stream_]->codecpar;
    const double byteRate = goodSeconds_ > 0.0 && audioBytes_ > 0
                                ? static_cast<double>(audioBytes_) / goodSeconds_
                                : static_cast<double>(par->bit_rate) / 8.0;
    double lostSeconds = 0.0;
    for (Hole& hole : holes_) {
        if (byteRate > 0.0) {
            hole.seconds = std::max(hole.seconds, static_cast<double>(hole.bytes) / byteRate);
        }
        lostSeconds += hole.seconds;
    }

    // A source shorter than its header promises: a WAV data chunk not filled, or a declared
    // duration not reached (allowing for encoder delay and padding).
    double promised = 0.0;
    std::optional<WavData> wav;
    if (std::strcmp(format_->iformat->name, "wav") == 0) {
        if (const std::optional<FileBytes> file = FileBytes::Open(path)) {
            wav = WavDataChunk(file->size(), file->Reader());
        }
    }
    const double wavByteRate = par->block_align > 0 && par->sample_rate > 0
                                   ? static_cast<double>(par->block_align) * par->sample_rate
                                   : static_cast<double>(par->bit_rate) / 8.0;
    const AVStream* stream = format_->streams[stream_];
    if (wav && wav->present < wav->declared && wavByteRate > 0.0) {
        promised =
            decodedSeconds_ + static_cast<double>(wav->declared - wav->present) / wavByteRate;
    } else if (stream->duration > 0 && stream->duration != AV_NOPTS_VALUE &&
               format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        const double declared = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
        if (decodedSeconds_ + lostSeconds + 0.1 + 0.01 * declared < declared) {
            promised = declared;
        }
    }

    damage_.clear();
    const std::size_t listed = std::min(holes_.size(), kListedHoles);
    for (std::size_t i = 0; i < listed; ++i) {
        // A short file says so in its own line, which covers the cut at its end.
        const bool last = i + 1 == holes_.size();
        if (!(last && cutOff && promised > 0.0)) {
            damage_.push_back(HoleText(i, last && cutOff));
        }
    }
    if (holes_.size() > kListedHoles) {
        const Hole& rest = holes_.back();
        damage_.push_back(std::to_string(rest.count) + " more damaged stretches, " +
                          Seconds(rest.seconds) + " in all, could not be decoded");
    }
    if (promised > 0.0) {
        damage_.push_back("the file is truncated: the header promises " +
                          TwoDurations(promised, decodedSeconds_, ", ") + " are present");
    }
    return true;
}

std::string Decoder::HoleText(std::size_t index, bool atEnd) const {
    const Hole& hole = holes_[index];
    // Less than a hundredth of a second still shows as lost.
    const std::string text =
        Seconds(std::max(hole.seconds, 0.01)) + " at " + Seconds(hole.at) + " could not be decoded";
    return atEnd ? "the file is cut off: " + text : text;
}

double Decoder::Progress() const {
    if (fileSize_ <= 0 || format_->pb == nullptr) {
        return 0.0;
    }
    const double share = static_cast<double>(avio_tell(format_->pb)) / fileSize_;
    return share < 0.0 ? 0.0 : (share > 1.0 ? 1.0 : share);
}

}  // namespace transcoder
