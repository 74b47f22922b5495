#include "stream_conformer.h"

#include "sample_format.h"

namespace transcoder {

StreamConformer::~StreamConformer() {
    av_channel_layout_uninit(&layout_);
    av_channel_layout_uninit(&conformFrom_);
}

Status StreamConformer::Start(const AVFrame& first) {
    rate_ = first.sample_rate;
    av_channel_layout_uninit(&layout_);
    if (av_channel_layout_copy(&layout_, &first.ch_layout) < 0 || rate_ <= 0 ||
        layout_.nb_channels <= 0) {
        return Status::Failure("the audio stream has no valid sample rate or channel count");
    }
    return Status::Ok();
}

Status StreamConformer::ConformTo(const std::vector<AVChannel>& roles) {
    AVChannelLayout reference{};
    if (!NativeLayout(roles, reference)) {
        return Status::Failure("no channel layout for the output's channels");
    }
    av_channel_layout_uninit(&layout_);
    layout_ = reference;
    av_channel_layout_uninit(&conformFrom_);  // the plan for the next part is made anew
    return Status::Ok();
}

Result<Depth> StreamConformer::Take(const AVFrame& frame, Planes& out) {
    const int frameRate = frame.sample_rate;
    const bool sameRate = frameRate == rate_;
    if (Status converted = ToLayout(frame, sameRate ? out : otherRate_); !converted.ok()) {
        return converted;
    }
    // A part at another sample rate is resampled to the rate the stream began with; what
    // the resampler of an earlier part still holds comes first.
    tail_.clear();
    if (rateFix_ && (sameRate || rateFixFrom_ != frameRate)) {
        if (Status ended = EndRateFix(tail_); !ended.ok()) {
            return ended;
        }
    }
    if (!sameRate) {
        if (!rateFix_) {
            Result<std::unique_ptr<Resampler>> made =
                Resampler::Create(frameRate, rate_, layout_.nb_channels);
            if (!made) {
                return made.status();
            }
            rateFix_ = std::move(*made);
            rateFixFrom_ = frameRate;
        }
        if (Status resampled = rateFix_->Process(&otherRate_, out); !resampled.ok()) {
            return resampled;
        }
    }
    for (std::size_t c = 0; c < tail_.size() && c < out.size(); ++c) {
        out[c].insert(out[c].begin(), tail_[c].begin(), tail_[c].end());
    }
    const bool routed =
        av_channel_layout_compare(&frame.ch_layout, &layout_) == 0 || RoutesOnly(conform_);
    const bool exact = FitsSixteenBits(frame.format) && routed && sameRate && tail_.empty();
    return exact ? Depth::Sixteen : Depth::Finer;
}

Status StreamConformer::Flush(Planes& out) {
    out.clear();
    return rateFix_ ? EndRateFix(out) : Status::Ok();
}

Status StreamConformer::ToLayout(const AVFrame& frame, Planes& target) {
    const bool sameLayout = av_channel_layout_compare(&frame.ch_layout, &layout_) == 0;
    if (Status converted = ToPlanarFloat(frame, sameLayout ? target : changed_); !converted.ok()) {
        return converted;
    }
    if (!sameLayout) {
        if (av_channel_layout_compare(&frame.ch_layout, &conformFrom_) != 0) {
            av_channel_layout_uninit(&conformFrom_);
            if (av_channel_layout_copy(&conformFrom_, &frame.ch_layout) < 0) {
                return Status::Failure("out of memory");
            }
            conform_ = ConformPlan(ChannelRoles(frame.ch_layout), ChannelRoles(layout_));
        }
        ApplyMix(conform_, changed_, target);
    }
    return Status::Ok();
}

Status StreamConformer::EndRateFix(Planes& tail) {
    Status ended = rateFix_->Process(nullptr, tail);
    rateFix_.reset();
    return ended;
}

}  // namespace transcoder
