#include "mpa_sink.h"

#include <twolame.h>

#include "encoder_sink.h"

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

class TwolameEncoder : public StreamEncoder {
public:
    static Result<std::unique_ptr<StreamEncoder>> Create(const StreamShape& shape,
                                                         const MpaSettings& settings) {
        std::unique_ptr<TwolameEncoder> e(new TwolameEncoder());
        e->options_.reset(twolame_init());
        if (!e->options_) {
            return Status::Failure("cannot start the MPA encoder");
        }
        twolame_options* o = e->options_.get();
        const int channels = shape.Channels();
        twolame_set_verbosity(o, 0);
        twolame_set_num_channels(o, channels);
        twolame_set_in_samplerate(o, shape.rate);
        twolame_set_out_samplerate(o, shape.rate);
        twolame_set_mode(o, TwolameMode(settings.mode, channels));
        twolame_set_bitrate(o, settings.bitrate);
        twolame_set_error_protection(o, settings.crc ? TRUE : FALSE);
        if (twolame_init_params(o) != 0) {
            return Status::Failure("the MPA encoder refuses the settings (" +
                                   std::to_string(shape.rate) + " Hz, " +
                                   std::to_string(settings.bitrate) + " kbit/s)");
        }
        return std::unique_ptr<StreamEncoder>(std::move(e));
    }

    const char* Name() const override { return "MPA"; }
    std::size_t ChunkFrames() const override { return kChunk; }
    std::size_t OutputRoom() const override { return kChunk * 2 + 16384; }

    // twolame takes two channels always; a mono stream gives the same one twice.
    int Encode(const float* left, const float* right, int frames, unsigned char* out,
               int room) override {
        return twolame_encode_buffer_float32(options_.get(), left, right ? right : left, frames,
                                             out, room);
    }

    int Flush(unsigned char* out, int room) override {
        return twolame_encode_flush(options_.get(), out, room);
    }

    Status Complete(OutputFile&) override { return Status::Ok(); }

private:
    TwolameEncoder() = default;
    std::unique_ptr<twolame_options, TwolameCloser> options_;
};

}  // namespace

Result<std::unique_ptr<AudioSink>> CreateMpaSink(const std::string& path, const StreamShape& shape,
                                                 const MpaSettings& settings) {
    Result<std::unique_ptr<StreamEncoder>> encoder = TwolameEncoder::Create(shape, settings);
    if (!encoder) {
        return encoder.status();
    }
    return CreateEncoderSink(path, shape.Channels(), std::move(*encoder));
}

}  // namespace transcoder
