#include "encoder_sink.h"

#include <algorithm>
#include <vector>

namespace transcoder {
namespace {

class EncoderSink : public AudioSink {
public:
    EncoderSink(std::unique_ptr<OutputFile> file, int channels,
                std::unique_ptr<StreamEncoder> encoder)
        : file_(std::move(file)),
          encoder_(std::move(encoder)),
          bytes_(encoder_->OutputRoom()),
          channels_(channels) {}

    Status Write(const Planes& planes, Depth) override {
        const std::size_t frames = FrameCount(planes);
        const std::size_t chunk = encoder_->ChunkFrames();
        for (std::size_t done = 0; done < frames; done += chunk) {
            const int n = static_cast<int>(std::min(chunk, frames - done));
            const float* left = planes[0].data() + done;
            const float* right = channels_ == 1 ? nullptr : planes[1].data() + done;
            const int made = encoder_->Encode(left, right, n, bytes_.data(), Room());
            if (Status put = WriteEncoded(*file_, bytes_, made, encoder_->Name()); !put.ok()) {
                return put;
            }
        }
        return Status::Ok();
    }

    Status Finish() override {
        const int made = encoder_->Flush(bytes_.data(), Room());
        if (Status put = WriteEncoded(*file_, bytes_, made, encoder_->Name()); !put.ok()) {
            return put;
        }
        if (Status complete = encoder_->Complete(*file_); !complete.ok()) {
            return complete;
        }
        return file_->Close();
    }

    Status Commit() override { return file_->Commit(); }

private:
    int Room() const { return static_cast<int>(bytes_.size()); }

    std::unique_ptr<OutputFile> file_;
    std::unique_ptr<StreamEncoder> encoder_;
    std::vector<unsigned char> bytes_;
    int channels_ = 0;
};

}  // namespace

Result<std::unique_ptr<AudioSink>> CreateEncoderSink(const std::string& path, int channels,
                                                     std::unique_ptr<StreamEncoder> encoder) {
    Result<std::unique_ptr<OutputFile>> file = OutputFile::Create(path);
    if (!file) {
        return file.status();
    }
    return std::unique_ptr<AudioSink>(
        std::make_unique<EncoderSink>(std::move(*file), channels, std::move(encoder)));
}

}  // namespace transcoder
