#include "mp3_sink.h"

#include <lame/lame.h>

#include <algorithm>
#include <vector>

#include "output_file.h"

namespace transcoder {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* f) const { lame_close(f); }
};

constexpr std::size_t kChunk = 4096;

class Mp3Sink : public AudioSink {
public:
    static std::unique_ptr<Mp3Sink> Create(const std::string& path, const StreamShape& shape,
                                           const Mp3Settings& settings, std::string& error) {
        std::unique_ptr<Mp3Sink> s(new Mp3Sink());
        s->lame_.reset(lame_init());
        if (!s->lame_) {
            error = "cannot start the MP3 encoder";
            return nullptr;
        }
        lame_global_flags* g = s->lame_.get();
        s->channels_ = shape.Channels();
        lame_set_in_samplerate(g, shape.rate);
        lame_set_out_samplerate(g, shape.rate);
        lame_set_num_channels(g, s->channels_);
        lame_set_mode(g, s->channels_ == 1 ? MONO : JOINT_STEREO);
        lame_set_VBR(g, vbr_off);
        lame_set_brate(g, settings.bitrate);
        lame_set_error_protection(g, settings.crc ? 1 : 0);
        lame_set_bWriteVbrTag(g, 1);
        if (lame_init_params(g) < 0) {
            error = "the MP3 encoder refuses the settings (" + std::to_string(shape.rate) +
                    " Hz, " + std::to_string(settings.bitrate) + " kbit/s)";
            return nullptr;
        }
        s->file_ = OutputFile::Create(path, error);
        if (!s->file_) {
            return nullptr;
        }
        s->mp3_.resize(kChunk * 5 / 4 + 7200);
        return s;
    }

    bool Write(const Planes& planes, std::string& error) override {
        const std::size_t frames = FrameCount(planes);
        for (std::size_t done = 0; done < frames; done += kChunk) {
            const int n = static_cast<int>(std::min(kChunk, frames - done));
            const float* left = planes[0].data() + done;
            const float* right = channels_ == 1 ? nullptr : planes[1].data() + done;
            const int bytes = lame_encode_buffer_ieee_float(
                lame_.get(), left, right, n, mp3_.data(), static_cast<int>(mp3_.size()));
            if (!Put(bytes, error)) {
                return false;
            }
        }
        return true;
    }

    bool Finish(std::string& error) override {
        const int bytes =
            lame_encode_flush(lame_.get(), mp3_.data(), static_cast<int>(mp3_.size()));
        if (!Put(bytes, error)) {
            return false;
        }
        // The info frame at the start learns the frame count and the encoder delay.
        std::vector<unsigned char> tag(2880);
        const std::size_t size = lame_get_lametag_frame(lame_.get(), tag.data(), tag.size());
        if (size > 0 && size <= tag.size() && !file_->WriteAt(0, tag.data(), size, error)) {
            return false;
        }
        return file_->Close(error);
    }

    bool Commit(std::string& error) override { return file_->Commit(error); }

private:
    Mp3Sink() = default;

    bool Put(int bytes, std::string& error) {
        return WriteEncoded(*file_, mp3_, bytes, "MP3", error);
    }

    std::unique_ptr<lame_global_flags, LameCloser> lame_;
    std::unique_ptr<OutputFile> file_;
    std::vector<unsigned char> mp3_;
    int channels_ = 0;
};

}  // namespace

std::unique_ptr<AudioSink> CreateMp3Sink(const std::string& path, const StreamShape& shape,
                                         const Mp3Settings& settings, std::string& error) {
    return Mp3Sink::Create(path, shape, settings, error);
}

}  // namespace transcoder
