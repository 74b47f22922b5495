#include "mp3_sink.h"

#include <lame/lame.h>

#include <vector>

#include "encoder_sink.h"

namespace transcoder {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* f) const { lame_close(f); }
};

constexpr std::size_t kChunk = 4096;

class LameEncoder : public StreamEncoder {
public:
    static Result<std::unique_ptr<StreamEncoder>> Create(const StreamShape& shape,
                                                         const Mp3Settings& settings) {
        std::unique_ptr<LameEncoder> e(new LameEncoder());
        e->lame_.reset(lame_init());
        if (!e->lame_) {
            return Status::Failure("cannot start the MP3 encoder");
        }
        lame_global_flags* g = e->lame_.get();
        const int channels = shape.Channels();
        lame_set_in_samplerate(g, shape.rate);
        lame_set_out_samplerate(g, shape.rate);
        lame_set_num_channels(g, channels);
        lame_set_mode(g, channels == 1 ? MONO : JOINT_STEREO);
        lame_set_VBR(g, vbr_off);
        lame_set_brate(g, settings.bitrate);
        lame_set_error_protection(g, settings.crc ? 1 : 0);
        lame_set_bWriteVbrTag(g, 1);
        if (lame_init_params(g) < 0) {
            return Status::Failure("the MP3 encoder refuses the settings (" +
                                   std::to_string(shape.rate) + " Hz, " +
                                   std::to_string(settings.bitrate) + " kbit/s)");
        }
        return std::unique_ptr<StreamEncoder>(std::move(e));
    }

    const char* Name() const override { return "MP3"; }
    std::size_t ChunkFrames() const override { return kChunk; }
    std::size_t OutputRoom() const override { return kChunk * 5 / 4 + 7200; }

    int Encode(const float* left, const float* right, int frames, unsigned char* out,
               int room) override {
        return lame_encode_buffer_ieee_float(lame_.get(), left, right, frames, out, room);
    }

    int Flush(unsigned char* out, int room) override {
        return lame_encode_flush(lame_.get(), out, room);
    }

    // The info frame at the start learns the frame count and the encoder delay.
    Status Complete(OutputFile& file) override {
        std::vector<unsigned char> tag(2880);
        const std::size_t size = lame_get_lametag_frame(lame_.get(), tag.data(), tag.size());
        if (size == 0 || size > tag.size()) {
            return Status::Ok();
        }
        return file.WriteAt(0, tag.data(), size);
    }

private:
    LameEncoder() = default;
    std::unique_ptr<lame_global_flags, LameCloser> lame_;
};

}  // namespace

Result<std::unique_ptr<AudioSink>> CreateMp3Sink(const std::string& path, const StreamShape& shape,
                                                 const Mp3Settings& settings) {
    Result<std::unique_ptr<StreamEncoder>> encoder = LameEncoder::Create(shape, settings);
    if (!encoder) {
        return encoder.status();
    }
    return CreateEncoderSink(path, shape.Channels(), std::move(*encoder));
}

}  // namespace transcoder
