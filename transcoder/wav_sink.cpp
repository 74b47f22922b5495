#include "wav_sink.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>

#include "output_file.h"
#include "pcm16.h"

namespace transcoder {
namespace {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

bool Has(const std::vector<AVChannel>& roles, AVChannel role) {
    return std::find(roles.begin(), roles.end(), role) != roles.end();
}

// libsndfile's names of the channels `roles`, from which it makes the WAV channel mask. A
// layout with one pair of surrounds declares them as the back pair (the usual 5.1 mask, 0x3F,
// whether the decoder calls them side or back); one with both pairs declares each as it is.
std::vector<int> SndfileMap(const std::vector<AVChannel>& roles) {
    const bool bothPairs = Has(roles, AV_CHAN_SIDE_LEFT) && Has(roles, AV_CHAN_BACK_LEFT);
    std::vector<int> map;
    for (const AVChannel role : roles) {
        switch (role) {
            case AV_CHAN_FRONT_LEFT:
                map.push_back(SF_CHANNEL_MAP_LEFT);
                break;
            case AV_CHAN_FRONT_RIGHT:
                map.push_back(SF_CHANNEL_MAP_RIGHT);
                break;
            case AV_CHAN_FRONT_CENTER:
                map.push_back(SF_CHANNEL_MAP_CENTER);
                break;
            case AV_CHAN_LOW_FREQUENCY:
                map.push_back(SF_CHANNEL_MAP_LFE);
                break;
            case AV_CHAN_BACK_LEFT:
                map.push_back(SF_CHANNEL_MAP_REAR_LEFT);
                break;
            case AV_CHAN_BACK_RIGHT:
                map.push_back(SF_CHANNEL_MAP_REAR_RIGHT);
                break;
            case AV_CHAN_BACK_CENTER:
                map.push_back(SF_CHANNEL_MAP_REAR_CENTER);
                break;
            case AV_CHAN_SIDE_LEFT:
                map.push_back(bothPairs ? SF_CHANNEL_MAP_SIDE_LEFT : SF_CHANNEL_MAP_REAR_LEFT);
                break;
            case AV_CHAN_SIDE_RIGHT:
                map.push_back(bothPairs ? SF_CHANNEL_MAP_SIDE_RIGHT : SF_CHANNEL_MAP_REAR_RIGHT);
                break;
            case AV_CHAN_FRONT_LEFT_OF_CENTER:
                map.push_back(SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER);
                break;
            case AV_CHAN_FRONT_RIGHT_OF_CENTER:
                map.push_back(SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER);
                break;
            default:
                map.push_back(SF_CHANNEL_MAP_INVALID);
                break;
        }
    }
    return map;
}

// Samples collected before one write to the file.
constexpr std::size_t kBatchSamples = 1 << 15;

// One 16-bit WAV file written through libsndfile into an OutputFile.
class WavFile {
public:
    // A file of `rate` Hz and `channels` channels; `map` names them for the channel mask
    // (empty: libsndfile's mask for the count, front centre for one channel, the front
    // pair for two).
    static Result<std::unique_ptr<WavFile>> Create(const std::string& path, int rate, int channels,
                                                   const std::vector<int>& map) {
        std::unique_ptr<WavFile> w(new WavFile());
        Result<std::unique_ptr<OutputFile>> file = OutputFile::Create(path);
        if (!file) {
            return file.status();
        }
        w->file_ = std::move(*file);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
        w->sf_.reset(sf_open_fd(w->file_->Fd(), SFM_WRITE, &info, SF_FALSE));
        if (!w->sf_) {
            return Status::Failure(std::string("cannot start the WAV file: ") +
                                   sf_strerror(nullptr));
        }
        // Plain RIFF WAV unless the data passes 4 GiB.
        sf_command(w->sf_.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        if (!map.empty()) {
            std::vector<int> names = map;
            sf_command(w->sf_.get(), SFC_SET_CHANNEL_MAP_INFO, names.data(),
                       static_cast<int>(names.size() * sizeof(int)));
        }
        w->channels_ = static_cast<std::size_t>(channels);
        w->pcm_.reserve(kBatchSamples + 8192);
        return w;
    }

    // Appends `frames` frames from one array of 16-bit samples per channel.
    Status Append(const std::int16_t* const* channels, std::size_t frames) {
        const std::size_t start = pcm_.size();
        pcm_.resize(start + frames * channels_);
        for (std::size_t c = 0; c < channels_; ++c) {
            const std::int16_t* src = channels[c];
            std::int16_t* dst = pcm_.data() + start + c;
            for (std::size_t f = 0; f < frames; ++f) {
                dst[f * channels_] = src[f];
            }
        }
        return pcm_.size() < kBatchSamples ? Status::Ok() : WritePending();
    }

    // Appends every plane of `planes`, one per channel.
    Status Append(const std::vector<std::vector<std::int16_t>>& planes) {
        pointers_.clear();
        for (const auto& plane : planes) {
            pointers_.push_back(plane.data());
        }
        return Append(pointers_.data(), planes.empty() ? 0 : planes.front().size());
    }

    Status Finish() {
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

    Status Commit() { return file_->Commit(); }

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
    std::vector<std::int16_t> pcm_;
    std::vector<const std::int16_t*> pointers_;
};

// A WAV output: its samples quantised to 16 bits and written to one file.
class WavSink : public AudioSink {
public:
    WavSink(std::unique_ptr<WavFile> file, std::size_t channels)
        : file_(std::move(file)), quantiser_(channels) {}

    Status Write(const Planes& planes, Depth depth) override {
        return file_->Append(quantiser_.Quantise(planes, depth));
    }
    Status Finish() override { return file_->Finish(); }
    Status Commit() override { return file_->Commit(); }

private:
    std::unique_ptr<WavFile> file_;
    Quantiser quantiser_;
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
        std::unique_ptr<SixWavSink> s(new SixWavSink(static_cast<std::size_t>(shape.Channels())));
        // Each mono file declares the channel it holds, as the 5.1 file names it.
        const std::vector<int> map = SndfileMap(shape.roles);
        Result<std::unique_ptr<WavFile>> main =
            WavFile::Create(path, shape.rate, shape.Channels(), map);
        if (!main) {
            return main.status();
        }
        s->main_ = std::move(*main);
        const std::vector<std::string> names = SixWavNames(path, shape);
        for (std::size_t c = 0; c < names.size(); ++c) {
            const std::string& name = names[c];
            Result<std::unique_ptr<WavFile>> single =
                WavFile::Create(name, shape.rate, 1, {map[c]});
            if (!single) {
                return single.status().Of(name);
            }
            s->singles_.push_back(std::move(*single));
        }
        return std::unique_ptr<AudioSink>(std::move(s));
    }

    // The samples are quantised once, so each mono file holds the very samples of its
    // channel in the 5.1 file.
    Status Write(const Planes& planes, Depth depth) override {
        const std::vector<std::vector<std::int16_t>>& pcm = quantiser_.Quantise(planes, depth);
        if (Status written = main_->Append(pcm); !written.ok()) {
            return written;
        }
        const std::size_t frames = FrameCount(planes);
        for (std::size_t c = 0; c < singles_.size(); ++c) {
            const std::int16_t* channel = pcm[c].data();
            if (Status written = singles_[c]->Append(&channel, frames); !written.ok()) {
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
    explicit SixWavSink(std::size_t channels) : quantiser_(channels) {}

    void Undo(std::size_t committed) {
        for (std::size_t i = 0; i < committed; ++i) {
            RemoveFile(singles_[i]->FinalPath());
        }
    }

    Quantiser quantiser_;
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
    // One or two channels keep libsndfile's own mask (centre, front pair).
    const std::vector<int> map =
        shape.Channels() > 2 ? SndfileMap(shape.roles) : std::vector<int>{};
    Result<std::unique_ptr<WavFile>> file =
        WavFile::Create(path, shape.rate, shape.Channels(), map);
    if (!file) {
        return file.status();
    }
    return std::unique_ptr<AudioSink>(
        std::make_unique<WavSink>(std::move(*file), static_cast<std::size_t>(shape.Channels())));
}

Result<std::unique_ptr<AudioSink>> CreateSixWavSink(const std::string& path,
                                                    const StreamShape& shape) {
    return SixWavSink::Create(path, shape);
}

}  // namespace transcoder
