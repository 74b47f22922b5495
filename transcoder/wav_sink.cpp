#include "wav_sink.h"

#include <sndfile.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>

#include "output_file.h"

namespace transcoder {
namespace {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

int SndfileRole(AVChannel role) {
    switch (role) {
        case AV_CHAN_FRONT_LEFT:
            return SF_CHANNEL_MAP_FRONT_LEFT;
        case AV_CHAN_FRONT_RIGHT:
            return SF_CHANNEL_MAP_FRONT_RIGHT;
        case AV_CHAN_FRONT_CENTER:
            return SF_CHANNEL_MAP_FRONT_CENTER;
        case AV_CHAN_LOW_FREQUENCY:
            return SF_CHANNEL_MAP_LFE;
        case AV_CHAN_BACK_LEFT:
            return SF_CHANNEL_MAP_REAR_LEFT;
        case AV_CHAN_BACK_RIGHT:
            return SF_CHANNEL_MAP_REAR_RIGHT;
        case AV_CHAN_BACK_CENTER:
            return SF_CHANNEL_MAP_REAR_CENTER;
        case AV_CHAN_SIDE_LEFT:
            return SF_CHANNEL_MAP_SIDE_LEFT;
        case AV_CHAN_SIDE_RIGHT:
            return SF_CHANNEL_MAP_SIDE_RIGHT;
        case AV_CHAN_FRONT_LEFT_OF_CENTER:
            return SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER;
        case AV_CHAN_FRONT_RIGHT_OF_CENTER:
            return SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER;
        default:
            return SF_CHANNEL_MAP_INVALID;
    }
}

// Full scale 1.0 to 16 bits, clipped to the 16-bit range and rounded to the nearest
// step (ties to even).
void ToPcm16(const float* in, std::size_t count, short* dst) {
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i), scale), low), high);
        const __m128 b =
            _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i + 4), scale), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), packed);
    }
#endif
    for (; i < count; ++i) {
        const float v = std::min(std::max(in[i] * 32768.0f, -32768.0f), 32767.0f);
        dst[i] = static_cast<short>(std::lrint(v));
    }
}

// Samples collected before one write to the file.
constexpr std::size_t kBatchSamples = 1 << 15;

// One WAV file written through libsndfile into an OutputFile.
class WavFile : public AudioSink {
public:
    static Result<std::unique_ptr<WavFile>> Create(const std::string& path,
                                                   const StreamShape& shape) {
        std::unique_ptr<WavFile> w(new WavFile());
        Result<std::unique_ptr<OutputFile>> file = OutputFile::Create(path);
        if (!file) {
            return file.status();
        }
        w->file_ = std::move(*file);
        SF_INFO info{};
        info.samplerate = shape.rate;
        info.channels = shape.Channels();
        info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
        w->sf_.reset(sf_open_fd(w->file_->Fd(), SFM_WRITE, &info, SF_FALSE));
        if (!w->sf_) {
            return Status::Failure(std::string("cannot start the WAV file: ") +
                                   sf_strerror(nullptr));
        }
        // Plain RIFF WAV unless the data passes 4 GiB.
        sf_command(w->sf_.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        if (shape.Channels() > 2) {
            std::vector<int> map;
            for (const AVChannel role : shape.roles) {
                map.push_back(SndfileRole(role));
            }
            sf_command(w->sf_.get(), SFC_SET_CHANNEL_MAP_INFO, map.data(),
                       static_cast<int>(map.size() * sizeof(int)));
        }
        w->channels_ = static_cast<std::size_t>(shape.Channels());
        w->pcm_.reserve(kBatchSamples + 8192);
        return w;
    }

    Status Write(const Planes& planes) override {
        std::vector<const float*> pointers;
        for (const auto& plane : planes) {
            pointers.push_back(plane.data());
        }
        return WriteChannels(pointers.data(), FrameCount(planes));
    }

    // Appends `frames` frames from one array per channel.
    Status WriteChannels(const float* const* channels, std::size_t frames) {
        const std::size_t start = pcm_.size();
        pcm_.resize(start + frames * channels_);
        if (channels_ == 1) {
            ToPcm16(channels[0], frames, pcm_.data() + start);
        } else {
            plane16_.resize(frames);
            for (std::size_t c = 0; c < channels_; ++c) {
                ToPcm16(channels[c], frames, plane16_.data());
                short* dst = pcm_.data() + start + c;
                for (std::size_t f = 0; f < frames; ++f) {
                    dst[f * channels_] = plane16_[f];
                }
            }
        }
        return pcm_.size() < kBatchSamples ? Status::Ok() : WritePending();
    }

    Status Finish() override {
        if (sf_) {
            if (Status written = WritePending(); !written.ok()) {
                return written;
            }
            const int rc = sf_close(sf_.release());
            if (rc != SF_ERR_NO_ERROR) {
                return Status::Failure(std::string("cannot complete the WAV file: ") +
                                       sf_error_number(rc));
            }
        }
        return file_->Close();
    }

    Status Commit() override { return file_->Commit(); }

    const std::string& FinalPath() const { return file_->FinalPath(); }

private:
    WavFile() = default;

    Status WritePending() {
        const auto frames = static_cast<sf_count_t>(pcm_.size() / channels_);
        const sf_count_t done = sf_writef_short(sf_.get(), pcm_.data(), frames);
        pcm_.clear();
        if (done != frames) {
            return Status::Failure(std::string("cannot write the WAV file: ") +
                                   sf_strerror(sf_.get()));
        }
        return Status::Ok();
    }

    std::unique_ptr<OutputFile> file_;
    std::unique_ptr<SNDFILE, SndfileCloser> sf_;
    std::size_t channels_ = 0;
    std::vector<short> pcm_;
    std::vector<short> plane16_;
};

const char* RoleSuffix(AVChannel role) {
    switch (role) {
        case AV_CHAN_FRONT_LEFT:
            return "_FL";
        case AV_CHAN_FRONT_RIGHT:
            return "_FR";
        case AV_CHAN_FRONT_CENTER:
            return "_C";
        case AV_CHAN_LOW_FREQUENCY:
            return "_LFE";
        case AV_CHAN_SIDE_LEFT:
        case AV_CHAN_BACK_LEFT:
            return "_SL";
        default:
            return "_SR";
    }
}

class SixWavSink : public AudioSink {
public:
    static Result<std::unique_ptr<AudioSink>> Create(const std::string& path,
                                                     const StreamShape& shape) {
        std::unique_ptr<SixWavSink> s(new SixWavSink());
        Result<std::unique_ptr<WavFile>> main = WavFile::Create(path, shape);
        if (!main) {
            return main.status();
        }
        s->main_ = std::move(*main);
        const StreamShape mono{shape.rate, {AV_CHAN_FRONT_CENTER}};
        for (const std::string& name : SixWavNames(path, shape)) {
            Result<std::unique_ptr<WavFile>> single = WavFile::Create(name, mono);
            if (!single) {
                return single.status().Of(name);
            }
            s->singles_.push_back(std::move(*single));
        }
        return std::unique_ptr<AudioSink>(std::move(s));
    }

    Status Write(const Planes& planes) override {
        if (Status written = main_->Write(planes); !written.ok()) {
            return written;
        }
        const std::size_t frames = FrameCount(planes);
        for (std::size_t c = 0; c < singles_.size(); ++c) {
            const float* channel = planes[c].data();
            if (Status written = singles_[c]->WriteChannels(&channel, frames); !written.ok()) {
                return written;
            }
        }
        return Status::Ok();
    }

    Status Finish() override {
        for (auto& single : singles_) {
            if (Status finished = single->Finish(); !finished.ok()) {
                return finished;
            }
        }
        return main_->Finish();
    }

    // The mono files first and the named file last: once the named file exists, the set
    // is complete. When a rename fails, the files already renamed are removed again.
    Status Commit() override {
        for (std::size_t i = 0; i < singles_.size(); ++i) {
            if (Status committed = singles_[i]->Commit(); !committed.ok()) {
                Undo(i);
                return committed;
            }
        }
        if (Status committed = main_->Commit(); !committed.ok()) {
            Undo(singles_.size());
            return committed;
        }
        return Status::Ok();
    }

private:
    void Undo(std::size_t committed) {
        for (std::size_t i = 0; i < committed; ++i) {
            RemoveFile(singles_[i]->FinalPath());
        }
    }

    std::unique_ptr<WavFile> main_;
    std::vector<std::unique_ptr<WavFile>> singles_;
};

}  // namespace

std::vector<std::string> SixWavNames(const std::string& path, const StreamShape& shape) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string base = hasExtension ? path.substr(0, dot) : path;
    std::vector<std::string> names;
    for (const AVChannel role : shape.roles) {
        names.push_back(base + RoleSuffix(role) + ".wav");
    }
    return names;
}

Result<std::unique_ptr<AudioSink>> CreateWavSink(const std::string& path,
                                                 const StreamShape& shape) {
    return WavFile::Create(path, shape);
}

Result<std::unique_ptr<AudioSink>> CreateSixWavSink(const std::string& path,
                                                    const StreamShape& shape) {
    return SixWavSink::Create(path, shape);
}

}  // namespace transcoder
