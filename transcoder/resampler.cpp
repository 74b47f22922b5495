#include "resampler.h"

namespace transcoder {

Result<std::unique_ptr<Resampler>> Resampler::Create(int inRate, int outRate, int channels) {
    return Create(inRate, outRate, 0, channels);
}

Result<std::unique_ptr<Resampler>> Resampler::Create(int inRate, int outRate, int firstChannel,
                                                     int channels) {
    std::unique_ptr<Resampler> r(new Resampler());
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t err = nullptr;
    r->soxr_.reset(soxr_create(inRate, outRate, static_cast<unsigned>(channels), &err, &io,
                               &quality, nullptr));
    if (err != nullptr || !r->soxr_) {
        return Status::Failure(std::string("cannot set up the resampler: ") +
                               (err ? err : "unknown error"));
    }
    r->ratio_ = static_cast<double>(outRate) / inRate;
    r->first_ = static_cast<std::size_t>(firstChannel);
    r->channels_ = static_cast<std::size_t>(channels);
    r->inPointers_.resize(r->channels_);
    r->outPointers_.resize(r->channels_);
    return r;
}

Status Resampler::Process(const Planes* in, Planes& out) {
    const std::size_t frames = in != nullptr ? FrameCount(*in) : 0;
    const std::size_t chunk = static_cast<std::size_t>(frames * ratio_) + 1024;
    out.resize(channels_);
    std::size_t made = 0;
    std::size_t offered = 0;
    while (true) {
        for (std::size_t c = 0; c < channels_; ++c) {
            out[c].resize(made + chunk);
            outPointers_[c] = out[c].data() + made;
            if (in != nullptr) {
                inPointers_[c] = (*in)[first_ + c].data() + offered;
            }
        }
        std::size_t used = 0;
        std::size_t done = 0;
        const soxr_error_t err =
            soxr_process(soxr_.get(), in != nullptr ? inPointers_.data() : nullptr,
                         frames - offered, &used, outPointers_.data(), chunk, &done);
        if (err != nullptr) {
            return Status::Failure(std::string("resampling failed: ") + err);
        }
        offered += used;
        made += done;
        // Done when all input is taken and the output room was not filled to the brim.
        if (offered >= frames && done < chunk) {
            for (auto& plane : out) {
                plane.resize(made);
            }
            return Status::Ok();
        }
    }
}

}  // namespace transcoder
