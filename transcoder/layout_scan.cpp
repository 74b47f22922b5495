#include "layout_scan.h"

#include <sys/stat.h>

#include <cstdint>
#include <memory>

#include "channel_mix.h"
#include "demuxer.h"
#include "frame_header.h"

namespace transcoder {

std::vector<AVChannel> Ac3StreamRoles(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};  // a pipe cannot be read twice
    }
    Result<FormatHandle> format = OpenMedia(path);
    if (!format) {
        return {};
    }
    AVFormatContext* opened = format->get();
    // The same stream the decoder takes: the first audio stream.
    const std::optional<int> audio = TakeFirstAudioStream(*opened);
    if (!audio) {
        return {};
    }
    const int stream = *audio;
    const AVCodecID codec = opened->streams[stream]->codecpar->codec_id;
    if (codec != AV_CODEC_ID_AC3 && codec != AV_CODEC_ID_EAC3) {
        return {};
    }
    PacketHandle packet(av_packet_alloc());
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
