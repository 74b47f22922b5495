#include "ac3_sink.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <vector>

#include "av_handles.h"
#include "channel_mix.h"
#include "output_file.h"

namespace transcoder {
namespace {

const AVCodec* Ac3Encoder() {
    return avcodec_find_encoder(AV_CODEC_ID_AC3);
}

class Ac3Sink : public AudioSink {
public:
    static Result<std::unique_ptr<AudioSink>> Create(const std::string& path,
                                                     const StreamShape& shape, int bitrate) {
        std::unique_ptr<Ac3Sink> s(new Ac3Sink());
        const AVCodec* codec = Ac3Encoder();
        s->codec_.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
        s->frame_.reset(av_frame_alloc());
        s->packet_.reset(av_packet_alloc());
        if (!s->codec_ || !s->frame_ || !s->packet_) {
            return Status::Failure("cannot start the AC3 encoder");
        }
        AVCodecContext* c = s->codec_.get();
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        c->sample_rate = shape.rate;
        c->bit_rate = static_cast<std::int64_t>(bitrate) * 1000;
        if (!NativeLayout(shape.roles, c->ch_layout)) {
            return Status::Failure("the AC3 encoder cannot take this channel layout");
        }
        const int rc = avcodec_open2(c, codec, nullptr);
        if (rc < 0) {
            return Status::Failure("the AC3 encoder refuses the settings: " + AvErrorText(rc));
        }
        s->channels_ = static_cast<std::size_t>(shape.Channels());
        s->frameSize_ = static_cast<std::size_t>(c->frame_size);
        s->frame_->nb_samples = c->frame_size;
        s->frame_->format = c->sample_fmt;
        s->frame_->sample_rate = c->sample_rate;
        if (av_channel_layout_copy(&s->frame_->ch_layout, &c->ch_layout) < 0) {
            return Status::Failure("out of memory");
        }
        Result<std::unique_ptr<OutputFile>> file = OutputFile::Create(path);
        if (!file) {
            return file.status();
        }
        s->file_ = std::move(*file);
        return std::unique_ptr<AudioSink>(std::move(s));
    }

    // The encoder takes float samples: nothing to dither.
    Status Write(const Planes& planes, Depth) override {
        const std::size_t frames = FrameCount(planes);
        std::size_t done = 0;
        while (done < frames) {
            if (filled_ == 0) {
                if (Status prepared = PrepareFrame(); !prepared.ok()) {
                    return prepared;
                }
            }
            const std::size_t take = std::min(frameSize_ - filled_, frames - done);
            for (std::size_t c = 0; c < channels_; ++c) {
                float* plane = reinterpret_cast<float*>(frame_->extended_data[c]) + filled_;
                std::copy_n(planes[c].data() + done, take, plane);
            }
            filled_ += take;
            done += take;
            if (filled_ == frameSize_) {
                if (Status sent = SendFrame(); !sent.ok()) {
                    return sent;
                }
            }
        }
        return Status::Ok();
    }

    Status Finish() override {
        if (filled_ > 0) {
            // The encoder takes whole frames only: pad the last one with silence.
            for (std::size_t c = 0; c < channels_; ++c) {
                float* plane = reinterpret_cast<float*>(frame_->extended_data[c]);
                std::fill(plane + filled_, plane + frameSize_, 0.0f);
            }
            filled_ = frameSize_;
            if (Status sent = SendFrame(); !sent.ok()) {
                return sent;
            }
        }
        if (Status flushed = Send(nullptr); !flushed.ok()) {
            return flushed;
        }
        return file_->Close();
    }

    Status Commit() override { return file_->Commit(); }

private:
    Ac3Sink() = default;

    // Makes the frame's buffers writable (the encoder may still hold the last ones).
    Status PrepareFrame() {
        const int rc = frame_->data[0] == nullptr ? av_frame_get_buffer(frame_.get(), 0)
                                                  : av_frame_make_writable(frame_.get());
        return rc < 0 ? Status::Failure("out of memory") : Status::Ok();
    }

    Status SendFrame() {
        frame_->pts = pts_;
        pts_ += static_cast<std::int64_t>(frameSize_);
        filled_ = 0;
        return Send(frame_.get());
    }

    Status Send(const AVFrame* frame) {
        int rc = avcodec_send_frame(codec_.get(), frame);
        if (rc < 0) {
            return Status::Failure("the AC3 encoder failed: " + AvErrorText(rc));
        }
        while ((rc = avcodec_receive_packet(codec_.get(), packet_.get())) == 0) {
            Status written = file_->Write(packet_->data, static_cast<std::size_t>(packet_->size));
            av_packet_unref(packet_.get());
            if (!written.ok()) {
                return written;
            }
        }
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
            return Status::Failure("the AC3 encoder failed: " + AvErrorText(rc));
        }
        return Status::Ok();
    }

    std::unique_ptr<AVCodecContext, CodecFreer> codec_;
    std::unique_ptr<AVFrame, FrameFreer> frame_;
    std::unique_ptr<AVPacket, PacketFreer> packet_;
    std::unique_ptr<OutputFile> file_;
    std::size_t channels_ = 0;
    std::size_t frameSize_ = 0;
    std::size_t filled_ = 0;  // frames already in frame_
    std::int64_t pts_ = 0;
};

}  // namespace

bool Ac3TakesLayout(const std::vector<AVChannel>& roles) {
    const AVCodec* codec = Ac3Encoder();
    AVChannelLayout layout{};
    if (codec == nullptr || !NativeLayout(roles, layout)) {
        return false;
    }
    bool found = false;
    for (const AVChannelLayout* l = codec->ch_layouts; l != nullptr && l->nb_channels != 0; ++l) {
        found = found || av_channel_layout_compare(l, &layout) == 0;
    }
    av_channel_layout_uninit(&layout);
    return found;
}

Result<std::unique_ptr<AudioSink>> CreateAc3Sink(const std::string& path, const StreamShape& shape,
                                                 int bitrate) {
    return Ac3Sink::Create(path, shape, bitrate);
}

}  // namespace transcoder
