#include "mpa_sink.h"

#include <twolame.h>

#include <algorithm>
#include <vector>

#include "output_file.h"

namespace transcoder {
namespace {

struct TwolameCloser {
    void operator()(twolame_options* o) const { twolame_close(&o); }
};

constexpr std::size_t kChunk = 4608;

TWOLAME_MPEG_mode TwolameMode(MpaMode mode, int channels) {
    if (channels == 1) {
        return TWOLAME_MONO;
    }
    switch (mode) {
        case MpaMode::JointStereo:
            return TWOLAME_JOINT_STEREO;
        case MpaMode::DualChannel:
            return TWOLAME_DUAL_CHANNEL;
        case MpaMode::Stereo:
            break;
    }
    return TWOLAME_STEREO;
}

class MpaSink : public AudioSink {
public:
    static std::unique_ptr<MpaSink> Create(const std::string& path, const StreamShape& shape,
                                           const MpaSettings& settings, std::string& error) {
        std::unique_ptr<MpaSink> s(new MpaSink());
        s->options_.reset(twolame_init());
        if (!s->options_) {
            error = "cannot start the MPA encoder";
            return nullptr;
        }
        twolame_options* o = s->options_.get();
        s->channels_ = shape.Channels();
        twolame_set_verbosity(o, 0);
        twolame_set_num_channels(o, s->channels_);
        twolame_set_in_samplerate(o, shape.rate);
        twolame_set_out_samplerate(o, shape.rate);
        twolame_set_mode(o, TwolameMode(settings.mode, s->channels_));
        twolame_set_bitrate(o, settings.bitrate);
        twolame_set_error_protection(o, settings.crc ? TRUE : FALSE);
        if (twolame_init_params(o) != 0) {
            error = "the MPA encoder refuses the settings (" + std::to_string(shape.rate) +
                    " Hz, " + std::to_string(settings.bitrate) + " kbit/s)";
            return nullptr;
        }
        s->file_ = OutputFile::Create(path, error);
        if (!s->file_) {
            return nullptr;
        }
        s->mp2_.resize(kChunk * 2 + 16384);
        return s;
    }

    bool Write(const Planes& planes, std::string& error) override {
        const std::size_t frames = FrameCount(planes);
        for (std::size_t done = 0; done < frames; done += kChunk) {
            const int n = static_cast<int>(std::min(kChunk, frames - done));
            const float* left = planes[0].data() + done;
            const float* right = channels_ == 1 ? left : planes[1].data() + done;
            const int bytes = twolame_encode_buffer_float32(
                options_.get(), left, right, n, mp2_.data(), static_cast<int>(mp2_.size()));
            if (!Put(bytes, error)) {
                return false;
            }
        }
        return true;
    }

    bool Finish(std::string& error) override {
        const int bytes =
            twolame_encode_flush(options_.get(), mp2_.data(), static_cast<int>(mp2_.size()));
        if (!Put(bytes, error)) {
            return false;
        }
        return file_->Close(error);
    }

    bool Commit(std::string& error) override { return file_->Commit(error); }

private:
    MpaSink() = default;

    bool Put(int bytes, std::string& error) {
        return WriteEncoded(*file_, mp2_, bytes, "MPA", error);
    }

    std::unique_ptr<twolame_options, TwolameCloser> options_;
    std::unique_ptr<OutputFile> file_;
    std::vector<unsigned char> mp2_;
    int channels_ = 0;
};

}  // namespace

std::unique_ptr<AudioSink> CreateMpaSink(const std::string& path, const StreamShape& shape,
                                         const MpaSettings& settings, std::string& error) {
    return MpaSink::Create(path, shape, settings, error);
}

}  // namespace transcoder
