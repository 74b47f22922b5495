#include "late_resampler.h"

#include <utility>

namespace transcoder {

Status LateResampler::Open(int inRate, int outRate, int channels) {
    if (outRate == inRate) {
        return Status::Ok();
    }
    // A single channel keeps one resampler, on the consumer's side.
    const int front = channels / 2;
    Result<std::unique_ptr<Resampler>> made =
        Resampler::Create(inRate, outRate, 0, front == 0 ? channels : front);
    if (!made) {
        return made.status();
    }
    front_ = std::move(*made);
    if (front == 0) {
        return Status::Ok();
    }
    Result<std::unique_ptr<Resampler>> back =
        Resampler::Create(inRate, outRate, front, channels - front);
    if (!back) {
        return back.status();
    }
    back_ = std::move(*back);
    return Status::Ok();
}

std::function<Status(Block&)> LateResampler::Middle() {
    if (!back_) {
        return {};
    }
    return [this](Block& block) { return back_->Process(&block.planes, block.side); };
}

Result<Planes*> LateResampler::Apply(Block& block) {
    if (!front_) {
        return &block.planes;
    }
    if (!back_) {
        Status resampled = front_->Process(&block.planes, out_);
        return resampled.ok() ? Result<Planes*>(&out_) : Result<Planes*>(resampled);
    }
    if (Status resampled = front_->Process(&block.planes, frontOut_); !resampled.ok()) {
        return resampled;
    }
    return Join(block.side);
}

Result<Planes*> LateResampler::Flush() {
    out_.clear();
    if (!front_) {
        return &out_;
    }
    if (!back_) {
        Status resampled = front_->Process(nullptr, out_);
        return resampled.ok() ? Result<Planes*>(&out_) : Result<Planes*>(resampled);
    }
    if (Status resampled = front_->Process(nullptr, frontOut_); !resampled.ok()) {
        return resampled;
    }
    if (Status resampled = back_->Process(nullptr, backRest_); !resampled.ok()) {
        return resampled;
    }
    return Join(backRest_);
}

Result<Planes*> LateResampler::Join(Planes& back) {
    if (FrameCount(back) != FrameCount(frontOut_)) {
        return Status::Failure("resampling failed: the channels came out of step");
    }
    out_.resize(frontOut_.size() + back.size());
    for (std::size_t c = 0; c < frontOut_.size(); ++c) {
        std::swap(out_[c], frontOut_[c]);
    }
    for (std::size_t c = 0; c < back.size(); ++c) {
        std::swap(out_[frontOut_.size() + c], back[c]);
    }
    return &out_;
}

}  // namespace transcoder
