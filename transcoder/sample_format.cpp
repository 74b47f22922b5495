#include "sample_format.h"

#include <cstdint>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace transcoder {
namespace {

template <typename T>
float Sample(const T v);
template <>
float Sample(const std::uint8_t v) {
    return static_cast<float>(static_cast<int>(v) - 128) * (1.0f / 128.0f);
}
template <>
float Sample(const std::int16_t v) {
    return static_cast<float>(v) * (1.0f / 32768.0f);
}
template <>
float Sample(const std::int32_t v) {
    return static_cast<float>(static_cast<double>(v) * (1.0 / 2147483648.0));
}
template <>
float Sample(const std::int64_t v) {
    return static_cast<float>(static_cast<double>(v) * (1.0 / 9223372036854775808.0));
}
template <>
float Sample(const float v) {
    return v;
}
template <>
float Sample(const double v) {
    return static_cast<float>(v);
}

template <typename T>
void Convert(const AVFrame& frame, bool planar, Planes& out) {
    const std::size_t channels = out.size();
    const std::size_t n = static_cast<std::size_t>(frame.nb_samples);
    for (std::size_t c = 0; c < channels; ++c) {
        float* dst = out[c].data();
        if (planar) {
            const T* src = reinterpret_cast<const T*>(frame.extended_data[c]);
            for (std::size_t i = 0; i < n; ++i) {
                dst[i] = Sample<T>(src[i]);
            }
        } else {
            const T* src = reinterpret_cast<const T*>(frame.extended_data[0]) + c;
            for (std::size_t i = 0; i < n; ++i) {
                dst[i] = Sample<T>(src[i * channels]);
            }
        }
    }
}

}  // namespace

Status ToPlanarFloat(const AVFrame& frame, Planes& out) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    out.resize(static_cast<std::size_t>(frame.ch_layout.nb_channels));
    for (auto& plane : out) {
        plane.resize(static_cast<std::size_t>(frame.nb_samples));
    }
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            Convert<std::uint8_t>(frame, planar, out);
            break;
        case AV_SAMPLE_FMT_S16:
            Convert<std::int16_t>(frame, planar, out);
            break;
        case AV_SAMPLE_FMT_S32:
            Convert<std::int32_t>(frame, planar, out);
            break;
        case AV_SAMPLE_FMT_S64:
            Convert<std::int64_t>(frame, planar, out);
            break;
        case AV_SAMPLE_FMT_FLT:
            Convert<float>(frame, planar, out);
            break;
        case AV_SAMPLE_FMT_DBL:
            Convert<double>(frame, planar, out);
            break;
        default:
            return Status::Failure("unsupported sample format");
    }
    return Status::Ok();
}

bool FitsSixteenBits(int format) {
    const AVSampleFormat packed = av_get_packed_sample_fmt(static_cast<AVSampleFormat>(format));
    return packed == AV_SAMPLE_FMT_U8 || packed == AV_SAMPLE_FMT_S16;
}

}  // namespace transcoder
