#include "source_check.h"

#include <cstring>
#include <optional>

#include "source_bytes.h"

namespace transcoder {
namespace {

// Formats whose file is the bare audio stream, so that all its bytes but its tags are
// frames. (In a real container the audio may well be a small share of the file.)
bool IsBareAudioFormat(const char* name) {
    for (const char* bare : {"mp3", "ac3", "eac3", "dts", "aac"}) {
        if (std::strcmp(name, bare) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Status CheckBareAudio(const char* formatName, const std::string& path, std::int64_t audioBytes) {
    if (!IsBareAudioFormat(formatName)) {
        return Status::Ok();
    }
    const std::optional<FileBytes> file = FileBytes::Open(path);
    const std::int64_t bytes = file ? UntaggedSpan(file->size(), file->Reader()).size() : 0;
    if (bytes <= 0 || audioBytes * 2 >= bytes) {
        return Status::Ok();
    }
    return Status::Failure("not an audio file: only " + std::to_string(audioBytes) + " of its " +
                           std::to_string(bytes) + " bytes are audio frames that decode");
}

double PromisedSeconds(const AVFormatContext& format, const AVStream& stream,
                       const std::string& path, double decoded, double lost) {
    std::optional<WavData> wav;
    if (std::strcmp(format.iformat->name, "wav") == 0) {
        if (const std::optional<FileBytes> file = FileBytes::Open(path)) {
            wav = WavDataChunk(file->size(), file->Reader());
        }
    }
    const AVCodecParameters* par = stream.codecpar;
    const double wavByteRate = par->block_align > 0 && par->sample_rate > 0
                                   ? static_cast<double>(par->block_align) * par->sample_rate
                                   : static_cast<double>(par->bit_rate) / 8.0;
    if (wav && wav->present < wav->declared && wavByteRate > 0.0) {
        return decoded + static_cast<double>(wav->declared - wav->present) / wavByteRate;
    }
    if (stream.duration > 0 && stream.duration != AV_NOPTS_VALUE &&
        format.duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        const double declared = static_cast<double>(stream.duration) * av_q2d(stream.time_base);
        if (decoded + lost + 0.1 + 0.01 * declared < declared) {
            return declared;
        }
    }
    return 0.0;
}

}  // namespace transcoder
