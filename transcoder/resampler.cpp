#include "resampler.h"

namespace transcoder {

std::unique_ptr<Resampler> Resampler::Create(int inRate, int outRate, int channels,
                                             std::string& error) {
    std::unique_ptr<Resampler> r(new Resampler());
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t err = nullptr;
    r->soxr_.reset(soxr_create(inRate, outRate, static_cast<unsigned>(channels), &err, &io,
                               &quality, nullptr));
    if (err != nullptr || !r->soxr_) {
        error = std::string("cannot set up the resampler: ") + (err ? err : "unknown error");
        return nullptr;
    }
    r->ratio_ = static_cast<double>(outRate) / inRate;
    r->channels_ = static_cast<std::size_t>(channels);
    return r;
}

bool Resampler::Process(const float* in, std::size_t frames, std::vector<float>& out,
                        std::string& error) {
    out.clear();
    std::size_t offered = 0;
    const std::size_t chunk = static_cast<std::size_t>(frames * ratio_) + 1024;
    while (true) {
        const std::size_t start = out.size();
        out.resize(start + chunk * channels_);
        std::size_t used = 0;
        std::size_t made = 0;
        const float* src = in != nullptr ? in + offered * channels_ : nullptr;
        const soxr_error_t err = soxr_process(soxr_.get(), src, frames - offered, &used,
                                              out.data() + start, chunk, &made);
        if (err != nullptr) {
            error = std::string("resampling failed: ") + err;
            return false;
        }
        offered += used;
        out.resize(start + made * channels_);
        // Done when all input is taken and the output buffer was not filled to the brim.
        if (offered >= frames && made < chunk) {
            return true;
        }
    }
}

}  // namespace transcoder
