#include "layout_scan.h"

#include <sys/stat.h>

#include <cstdint>
#include <memory>

#include "channel_mix.h"
#include "decoder.h"
#include "frame_header.h"

namespace transcoder {
std::vector<AVChannel> Ac3StreamRoles(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};  // a pipe cannot be read twice
    }
    AVFormatContext* opened = nullptr;
    if (OpenInput(path, opened) < 0) {
        return {};
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(opened);
    if (avformat_find_stream_info(opened, nullptr) < 0) {
        return {};
    }
    // The same stream the decoder takes: the first audio stream.
    int stream = -1;
    for (unsigned i = 0; i < opened->nb_streams; ++i) {
        if (stream < 0 && opened->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            stream = static_cast<int>(i);
        } else {
            opened->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (stream < 0) {
        return {};
    }
    const AVCodecID codec = opened->streams[stream]->codecpar->codec_id;
    if (codec != AV_CODEC_ID_AC3 && codec != AV_CODEC_ID_EAC3) {
        return {};
    }
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    if (!packet) {
        return {};
    }
    // 3/2 with LFE is the widest an independent AC-3 stream gets: no need to read further.
    std::uint64_t mask = 0;
    while ((mask & AV_CH_LAYOUT_5POINT1) != AV_CH_LAYOUT_5POINT1 &&
           av_read_frame(opened, packet.get()) == 0) {
        if (packet->stream_index == stream) {
            mask |= Ac3PacketChannels(packet->data, static_cast<std::size_t>(packet->size));
        }
        av_packet_unref(packet.get());
    }
    AVChannelLayout layout{};
    if (mask == 0 || av_channel_layout_from_mask(&layout, mask) < 0) {
        return {};
    }
    std::vector<AVChannel> roles = ChannelRoles(layout);
    av_channel_layout_uninit(&layout);
    return roles;
}

}  // namespace transcoder
