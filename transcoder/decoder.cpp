#include "decoder.h"

#include <algorithm>

#include "demuxer.h"
#include "frame_header.h"
#include "local_files.h"
#include "source_check.h"

namespace transcoder {
namespace {

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

}  // namespace

Result<std::unique_ptr<Decoder>> Decoder::Open(const std::string& path, bool noCompression) {
    std::unique_ptr<Decoder> d(new Decoder());
    Result<FormatHandle> format = OpenMedia(path);
    if (!format) {
        return format.status();
    }
    d->format_ = std::move(*format);
    const std::optional<int> stream = TakeFirstAudioStream(*d->format_);
    if (!stream) {
        return Status::Failure(KindOf(*d->format_) + " file without an audio stream");
    }
    d->stream_ = *stream;
    if (Status opened = d->OpenCodec(noCompression); !opened.ok()) {
        return opened;
    }
    d->fileSize_ = d->format_->pb != nullptr ? avio_size(d->format_->pb) : 0;
    const Result<bool> first = d->Pull();
    if (!first) {
        return first.status();
    }
    if (!*first) {
        // A demuxer may take any bytes for a file of its name (raw FLAC or AAC frames are
        // looked for anywhere): bytes of no known kind are no audio file at all.
        return Status::Failure(MayBeMedia(path) ? "no audio could be decoded from the file"
                                                : "not an audio or video file");
    }
    d->haveFrame_ = true;
    if (Status started = d->conformer_.Start(*d->frame_); !started.ok()) {
        return started;
    }
    return d;
}

Status Decoder::OpenCodec(bool noCompression) {
    const AVCodecParameters* par = format_->streams[stream_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) {
        return Status::Failure("unsupported format: " + KindOf(*format_) + " file with " +
                               avcodec_get_name(par->codec_id) + " audio, which has no decoder");
    }
    codec_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    rest_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!codec_ || !packet_ || !rest_ || !frame_ ||
        avcodec_parameters_to_context(codec_.get(), par) < 0) {
        return Status::Failure("out of memory");
    }
    AVDictionary* opts = nullptr;
    if (noCompression) {
        av_dict_set(&opts, "drc_scale", "0", 0);
    }
    const int rc = avcodec_open2(codec_.get(), codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        return Status::Failure("cannot open the audio decoder: " + AvErrorText(rc));
    }
    return Status::Ok();
}

Result<bool> Decoder::Pull() {
    while (true) {
        const int rc = avcodec_receive_frame(codec_.get(), frame_.get());
        if (rc == 0) {
            CountFrame();
            return true;
        }
        if (rc == AVERROR_EOF) {
            return false;
        }
        if (rc != AVERROR(EAGAIN)) {
            DropRefused();
        }
        // Anything else is a damaged frame or junk between or after the frames: skipped.
        if (draining_) {
            return false;
        }
        if (Status fed = FeedMore(); !fed.ok()) {
            return fed;
        }
    }
}

void Decoder::CountFrame() {
    // An incomplete or damaged frame decodes with a flag: its sound is the decoder's guess,
    // so it counts as lost.
    const bool bad =
        frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT) != 0;
    const double seconds = frame_->sample_rate > 0
                               ? static_cast<double>(frame_->nb_samples) / frame_->sample_rate
                               : 0.0;
    const double at = pendingAt_ >= 0.0 ? pendingAt_ : decodedSeconds_;
    decodedSeconds_ += seconds;
    if (bad) {
        log_.Lost(at, seconds, sentBytes_, true);
    } else {
        audioBytes_ += sentBytes_;
        goodSeconds_ += seconds;
        log_.Decoded();
    }
    sentBytes_ = 0;
    pendingAt_ = -1.0;
    pendingSeconds_ = 0.0;
}

void Decoder::DropRefused() {
    if (sentBytes_ == 0) {
        return;
    }
    log_.Lost(pendingAt_ >= 0.0 ? pendingAt_ : decodedSeconds_, pendingSeconds_, sentBytes_, true);
    sentBytes_ = 0;
    pendingAt_ = -1.0;
    pendingSeconds_ = 0.0;
}

Status Decoder::FeedMore() {
    if (rest_->size > 0) {
        FeedRest();
        return Status::Ok();
    }
    const int rc = av_read_frame(format_.get(), packet_.get());
    if (rc == AVERROR_EOF) {
        draining_ = true;
        avcodec_send_packet(codec_.get(), nullptr);
        return Status::Ok();
    }
    if (rc < 0) {
        return Status::Failure("read error: " + AvErrorText(rc));
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
    return Status::Ok();
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
            log_.Lost(lastPacketAt_, lastPacketSeconds_, packet.size,
                      StartsWithFrame(codec_->codec_id, packet.data, size));
            return;
        }
        rest_->data += frame;
        rest_->size -= static_cast<int>(frame);
        packet.size = static_cast<int>(frame);
        if (avcodec_send_packet(codec_.get(), &packet) != 0) {
            log_.Lost(lastPacketAt_, lastPacketSeconds_, packet.size, true);
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
    PacketHandle slice(frame ? av_packet_alloc() : nullptr);
    if (slice && av_packet_ref(slice.get(), rest_.get()) == 0) {
        slice->size = static_cast<int>(take);
        slice->pts = AV_NOPTS_VALUE;
        slice->dts = AV_NOPTS_VALUE;
        Feed(*slice);
    } else {
        log_.Lost(lastPacketAt_, lastPacketSeconds_, static_cast<std::int64_t>(take), frame);
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

Result<Piece> Decoder::Next(Planes& out) {
    while (!finished_) {
        if (!haveFrame_) {
            const Result<bool> pulled = Pull();
            if (!pulled) {
                return pulled.status();
            }
            if (!*pulled) {
                // The tail of a part at another rate comes before the end.
                if (Status flushed = conformer_.Flush(out); !flushed.ok()) {
                    return flushed;
                }
                if (FrameCount(out) > 0) {
                    return Piece{FrameCount(out), Depth::Finer};
                }
                finished_ = true;
                if (Status finished = Finish(); !finished.ok()) {
                    return finished;
                }
                return Piece{};
            }
        }
        haveFrame_ = false;
        const Result<Depth> taken = conformer_.Take(*frame_, out);
        av_frame_unref(frame_.get());
        if (!taken) {
            return taken.status();
        }
        if (FrameCount(out) > 0) {
            return Piece{FrameCount(out), *taken};
        }
    }
    return Piece{};
}

double Decoder::ByteRate() const {
    // To measure stretches whose packets do not tell their own length (a damaged packet may
    // hold several frames).
    if (goodSeconds_ > 0.0 && audioBytes_ > 0) {
        return static_cast<double>(audioBytes_) / goodSeconds_;
    }
    return static_cast<double>(format_->streams[stream_]->codecpar->bit_rate) / 8.0;
}

Status Decoder::Finish() {
    const std::string path = LocalFilePath(format_->url);
    if (Status audio = CheckBareAudio(format_->iformat->name, path, audioBytes_); !audio.ok()) {
        return audio;
    }
    // A last MPEG audio or DTS frame shorter than its header says still decodes, into
    // something: it counts as lost all the same.
    if (lastPacketBad_ && !log_.InStretch()) {
        log_.Lost(lastPacketAt_, lastPacketSeconds_, 0, true);
    }
    log_.Close(ByteRate());
    const double promised = PromisedSeconds(*format_, *format_->streams[stream_], path,
                                            decodedSeconds_, log_.LostSeconds());
    damage_ = log_.Lines(promised, decodedSeconds_);
    return Status::Ok();
}

double Decoder::Progress() const {
    if (fileSize_ <= 0 || format_->pb == nullptr) {
        return 0.0;
    }
    const double share = static_cast<double>(avio_tell(format_->pb)) / fileSize_;
    return share < 0.0 ? 0.0 : (share > 1.0 ? 1.0 : share);
}

}  // namespace transcoder
