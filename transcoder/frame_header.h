#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cstddef>
#include <cstdint>
#include <optional>

namespace transcoder {

// Frame lengths as the headers of raw audio frames declare them, to tell a frame cut off
// at the end of a file from a complete one.

// The length in bytes of the MPEG audio frame (layer I, II or III; MPEG-1, 2 or 2.5) whose
// 4-byte header starts at `header`; 0 when the bytes are no valid header or the frame is
// free-format (its length is not in the header).
std::size_t MpegAudioFrameSize(const std::uint8_t* header, std::size_t available);

// The length in bytes of the DTS core frame (big-endian 16-bit sync) whose header starts at
// `header`; 0 when the bytes are no such header. A sync word without the rest of the header
// counts as longer than `available`.
std::size_t DtsFrameSize(const std::uint8_t* header, std::size_t available);

// The length in bytes of the AC-3 or E-AC-3 sync frame whose header starts at `header`; 0
// when the bytes are no such header or too few to hold its size fields.
std::size_t Ac3FrameSize(const std::uint8_t* header, std::size_t available);

// The channels an AC-3 or E-AC-3 sync frame declares: its audio coding mode (acmod, 0 for
// 1+1, 1 for 1/0 up to 7 for 3/2) and whether it carries an LFE channel. `dependent` marks an
// E-AC-3 dependent substream, whose channels extend those of the independent one before it.
struct Ac3Channels {
    int acmod = 0;
    bool lfe = false;
    bool dependent = false;
    bool operator==(const Ac3Channels&) const = default;
};

// The channels declared by the AC-3 or E-AC-3 sync frame whose header starts at `header`;
// empty when the bytes are no such header or too few to hold the fields.
std::optional<Ac3Channels> Ac3FrameChannels(const std::uint8_t* header, std::size_t available);

// The channels (AV_CH_* bits, as FFmpeg's decoder lays them out) that the AC-3 or E-AC-3
// packet starting at `data` adds to its stream's layout: those of its sync frame header; 0
// for bytes that are no header and for a dependent E-AC-3 substream, which only extends the
// independent one before it. Never more than 5.1.
std::uint64_t Ac3PacketChannels(const std::uint8_t* data, std::size_t size);

}  // namespace transcoder
