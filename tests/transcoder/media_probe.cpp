#include "media_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <memory>
#include <numbers>

#include "av_handles.h"
#include "sample_format.h"

namespace {

struct Input {
    std::unique_ptr<AVFormatContext, transcoder::FormatCloser> format;
    int stream = -1;
};

Input OpenInput(const std::string& path) {
    Input in;
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        return in;
    }
    in.format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0) {
        return in;
    }
    in.stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return in;
}

}  // namespace

std::optional<MediaInfo> Probe(const std::string& path) {
    const Input in = OpenInput(path);
    if (in.stream < 0) {
        return std::nullopt;
    }
    const AVStream* stream = in.format->streams[in.stream];
    const AVCodecParameters* par = stream->codecpar;
    MediaInfo info;
    info.codec = avcodec_get_name(par->codec_id);
    info.channels = par->ch_layout.nb_channels;
    char layout[64] = {};
    av_channel_layout_describe(&par->ch_layout, layout, sizeof layout);
    info.layout = layout;
    info.rate = par->sample_rate;
    info.bitrate = par->bit_rate;
    if (stream->duration > 0 && stream->duration != AV_NOPTS_VALUE) {
        info.duration = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    } else if (in.format->duration > 0) {
        info.duration = static_cast<double>(in.format->duration) / AV_TIME_BASE;
    }
    return info;
}

std::vector<std::vector<float>> DecodeChannels(const std::string& path) {
    std::vector<std::vector<float>> channels;
    const Input in = OpenInput(path);
    if (in.stream < 0) {
        return channels;
    }
    const AVCodecParameters* par = in.format->streams[in.stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    std::unique_ptr<AVCodecContext, transcoder::CodecFreer> ctx(avcodec_alloc_context3(codec));
    std::unique_ptr<AVPacket, transcoder::PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, transcoder::FrameFreer> frame(av_frame_alloc());
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "drc_scale", "0", 0);
    if (avcodec_parameters_to_context(ctx.get(), par) < 0 ||
        avcodec_open2(ctx.get(), codec, &opts) < 0) {
        av_dict_free(&opts);
        return channels;
    }
    av_dict_free(&opts);
    transcoder::Planes planes;
    auto drain = [&] {
        while (avcodec_receive_frame(ctx.get(), frame.get()) == 0) {
            if (transcoder::ToPlanarFloat(*frame, planes).ok()) {
                channels.resize(planes.size());
                for (std::size_t c = 0; c < planes.size(); ++c) {
                    channels[c].insert(channels[c].end(), planes[c].begin(), planes[c].end());
                }
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(in.format.get(), packet.get()) == 0) {
        if (packet->stream_index == in.stream) {
            avcodec_send_packet(ctx.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(ctx.get(), nullptr);
    drain();
    return channels;
}

double ToneLevel(const std::vector<float>& samples, int rate, double frequency) {
    // Correlation with a sine and a cosine over the middle of the signal.
    const std::size_t skip = samples.size() / 10;
    double re = 0.0;
    double im = 0.0;
    std::size_t n = 0;
    for (std::size_t i = skip; i + skip < samples.size(); ++i, ++n) {
        const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate;
        re += samples[i] * std::cos(phase);
        im += samples[i] * std::sin(phase);
    }
    return n == 0 ? 0.0 : 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n);
}

float Peak(const std::vector<std::vector<float>>& channels) {
    float peak = 0.0f;
    for (const auto& channel : channels) {
        for (const float v : channel) {
            peak = std::max(peak, std::fabs(v));
        }
    }
    return peak;
}

std::vector<std::vector<unsigned char>> PacketHeads(const std::string& path) {
    std::vector<std::vector<unsigned char>> heads;
    const Input in = OpenInput(path);
    if (in.stream < 0) {
        return heads;
    }
    std::unique_ptr<AVPacket, transcoder::PacketFreer> packet(av_packet_alloc());
    while (av_read_frame(in.format.get(), packet.get()) == 0) {
        if (packet->stream_index == in.stream && packet->size >= 4) {
            heads.emplace_back(packet->data, packet->data + 4);
        }
        av_packet_unref(packet.get());
    }
    return heads;
}

double DecodedSeconds(const std::string& path) {
    const auto channels = DecodeChannels(path);
    const auto info = Probe(path);
    if (channels.empty() || !info) {
        return 0.0;
    }
    return static_cast<double>(channels[0].size()) / info->rate;
}
