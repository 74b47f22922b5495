#include "audio_source.h"

#include <utility>

#include "channel_plan.h"

namespace transcoder {

Result<std::unique_ptr<AudioSource>> AudioSource::Open(const Options& options) {
    std::unique_ptr<AudioSource> s(new AudioSource());
    Result<std::unique_ptr<Decoder>> decoder = Decoder::Open(options.input, options.allChannels);
    if (!decoder) {
        return decoder.status();
    }
    s->decoder_ = std::move(*decoder);
    const std::vector<AVChannel> first = ChannelRoles(s->decoder_->Layout());
    s->sourceRoles_ = SourceRoles(options, first);
    const std::vector<AVChannel> reference = ReferenceRoles(options, first, s->sourceRoles_);
    if (!reference.empty()) {
        if (Status conformed = s->decoder_->ConformTo(reference); !conformed.ok()) {
            return conformed;
        }
    }
    s->plan_ = ChoosePlan(options, ChannelRoles(s->decoder_->Layout()));
    return s;
}

Status AudioSource::ResampleTo(int outRate) {
    if (outRate == decoder_->SampleRate()) {
        return Status::Ok();
    }
    Result<std::unique_ptr<Resampler>> made =
        Resampler::Create(decoder_->SampleRate(), outRate, static_cast<int>(plan_.outRoles.size()));
    if (!made) {
        return made.status();
    }
    resampler_ = std::move(*made);
    return Status::Ok();
}

Result<Planes*> AudioSource::Decode(Depth& depth) {
    const Result<Piece> piece = decoder_->Next(decoded_);
    if (!piece) {
        return piece.status();
    }
    if (piece->frames == 0) {
        return static_cast<Planes*>(nullptr);
    }
    depth = piece->depth;
    if (plan_.identity) {
        return &decoded_;
    }
    ApplyMix(plan_, decoded_, mixed_);
    if (!RoutesOnly(plan_)) {
        depth = Depth::Finer;
    }
    return &mixed_;
}

Result<bool> AudioSource::Next(Block& block) {
    while (!flushed_) {
        Depth depth = Depth::Finer;
        const Result<Planes*> mixed = Decode(depth);
        if (!mixed) {
            return mixed.status();
        }
        Planes* ready = *mixed;
        if (ready == nullptr) {
            flushed_ = true;
            if (!resampler_) {
                return false;
            }
        }
        if (resampler_) {
            if (Status resampled = resampler_->Process(ready, resampled_); !resampled.ok()) {
                return resampled;
            }
            ready = &resampled_;
            depth = Depth::Finer;
        }
        if (FrameCount(*ready) > 0) {
            std::swap(block.planes, *ready);
            block.progress = decoder_->Progress();
            block.depth = depth;
            return true;
        }
    }
    return false;
}

}  // namespace transcoder
