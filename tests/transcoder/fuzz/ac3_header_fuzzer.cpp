// Fuzz target over the frame headers the transcoder reads itself: the AC-3/E-AC-3 header
// (length and channels) and the layout scan's sum of the channels of a stream's frames, and
// the MPEG audio and DTS frame lengths that tell a cut-off last frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame_header.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The widest layout any AC-3 coding mode gives: 3/2 with LFE, or 2/1 and 3/1 with their
    // back centre.
    constexpr std::uint64_t kWidest = AV_CH_LAYOUT_5POINT1 | AV_CH_BACK_CENTER;
    std::uint64_t layout = 0;
    std::size_t pos = 0;
    // The stream as the layout scan sees it: one packet per frame, the frame's length as
    // its header declares it, junk skipped up to the next byte that may start a frame.
    while (pos < size) {
        const std::size_t left = size - pos;
        const std::size_t frame = transcoder::Ac3FrameSize(data + pos, left);
        Check(frame <= 4096);
        std::size_t packet = frame < left ? frame : left;
        if (frame == 0) {
            // Junk up to the next byte that may start a sync word.
            const void* next = std::memchr(data + pos + 1, 0x0B, left - 1);
            packet = next != nullptr ? static_cast<std::size_t>(
                                           static_cast<const std::uint8_t*>(next) - (data + pos))
                                     : left;
        }
        const std::uint64_t channels = transcoder::Ac3PacketChannels(data + pos, packet);
        Check((channels & ~kWidest) == 0);
        const auto header = transcoder::Ac3FrameChannels(data + pos, packet);
        Check(!header || (header->acmod >= 0 && header->acmod <= 7));
        Check(channels == 0 || header.has_value());
        layout |= channels;
        Check(transcoder::MpegAudioFrameSize(data + pos, left) <= 2881);
        Check(transcoder::DtsFrameSize(data + pos, left) <= 16385);
        pos += packet;
    }
    Check((layout & ~kWidest) == 0);
    return 0;
}
