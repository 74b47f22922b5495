#include "frame_header.h"

namespace transcoder {
namespace {

// kbit/s by [MPEG-1 or not][layer - 1][bitrate index].
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
constexpr int kRates[3] = {44100, 48000, 32000};

}  // namespace

std::size_t MpegAudioFrameSize(const std::uint8_t* header, std::size_t available) {
    if (available < 4 || header[0] != 0xFF || (header[1] & 0xE0) != 0xE0) {
        return 0;
    }
    const int version = (header[1] >> 3) & 3;    // 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    const int layerBits = (header[1] >> 1) & 3;  // 3 layer I, 2 layer II, 1 layer III
    const int bitrateIndex = header[2] >> 4;
    const int rateIndex = (header[2] >> 2) & 3;
    const int padding = (header[2] >> 1) & 1;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3) {
        return 0;
    }
    const int layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    const long bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000L;
    const long rate = kRates[rateIndex] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    if (layer == 1) {
        return static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);
    }
    const long factor = layer == 3 && !mpeg1 ? 72 : 144;
    return static_cast<std::size_t>(factor * bitrate / rate + padding);
}

std::size_t DtsFrameSize(const std::uint8_t* header, std::size_t available) {
    if (available < 4 || header[0] != 0x7F || header[1] != 0xFE || header[2] != 0x80 ||
        header[3] != 0x01) {
        return 0;
    }
    if (available < 8) {
        return available + 1;  // a sync word without the rest of its header: cut off
    }
    const std::size_t size = static_cast<std::size_t>((header[5] & 0x03) << 12) |
                             static_cast<std::size_t>(header[6] << 4) |
                             static_cast<std::size_t>(header[7] >> 4);
    return size + 1;
}

std::size_t Ac3FrameSize(const std::uint8_t* header, std::size_t available) {
    if (available < 6 || header[0] != 0x0B || header[1] != 0x77) {
        return 0;
    }
    const int bsid = header[5] >> 3;
    if (bsid > 10 && bsid <= 16) {
        // E-AC-3: frmsiz, the frame's length in 16-bit words minus one.
        return (static_cast<std::size_t>(header[2] & 7) << 8 | header[3]) * 2 + 2;
    }
    if (bsid > 10) {
        return 0;
    }
    constexpr int kKbits[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                192, 224, 256, 320, 384, 448, 512, 576, 640};
    const int rateCode = header[4] >> 6;
    const int sizeCode = header[4] & 0x3F;
    if (rateCode == 3 || sizeCode / 2 >= 19) {
        return 0;
    }
    const int kbits = kKbits[sizeCode / 2];
    switch (rateCode) {
        case 0:  // 48 kHz
            return static_cast<std::size_t>(kbits) * 4;
        case 1:  // 44.1 kHz: the odd codes carry one more word
            return (static_cast<std::size_t>(kbits) * 320 / 147 + (sizeCode & 1)) * 2;
        default:  // 32 kHz
            return static_cast<std::size_t>(kbits) * 6;
    }
}

std::optional<Ac3Channels> Ac3FrameChannels(const std::uint8_t* header, std::size_t available) {
    // The bitstream id sits in the same place in both: up to 10 for AC-3, 11 to 16 E-AC-3.
    if (available < 7 || header[0] != 0x0B || header[1] != 0x77) {
        return std::nullopt;
    }
    const int bsid = header[5] >> 3;
    Ac3Channels channels;
    if (bsid > 10 && bsid <= 16) {
        // strmtyp(2) substreamid(3) frmsiz(11), then fscod(2) numblkscod(2) acmod(3) lfeon(1).
        const int streamType = header[2] >> 6;
        if (streamType == 3) {
            return std::nullopt;  // reserved
        }
        channels.dependent = streamType == 1;
        channels.acmod = (header[4] >> 1) & 7;
        channels.lfe = (header[4] & 1) != 0;
        return channels;
    }
    if (bsid > 10) {
        return std::nullopt;
    }
    // crc1(16) fscod(2) frmsizecod(6) bsid(5) bsmod(3), then acmod(3) and up to three 2-bit
    // mix fields, depending on acmod, before lfeon.
    channels.acmod = header[6] >> 5;
    int skip = 0;
    if ((channels.acmod & 1) != 0 && channels.acmod != 1) {
        skip += 2;  // cmixlev: three front channels
    }
    if ((channels.acmod & 4) != 0) {
        skip += 2;  // surmixlev: surround channels
    }
    if (channels.acmod == 2) {
        skip += 2;  // dsurmod: plain stereo
    }
    channels.lfe = ((header[6] >> (4 - skip)) & 1) != 0;
    return channels;
}

std::uint64_t Ac3PacketChannels(const std::uint8_t* data, std::size_t size) {
    const std::optional<Ac3Channels> channels = Ac3FrameChannels(data, size);
    if (!channels || channels->dependent) {
        return 0;
    }
    constexpr std::uint64_t kModes[8] = {
        AV_CH_LAYOUT_STEREO,    // 1+1, two mono programmes side by side
        AV_CH_LAYOUT_MONO,      // 1/0
        AV_CH_LAYOUT_STEREO,    // 2/0
        AV_CH_LAYOUT_SURROUND,  // 3/0
        AV_CH_LAYOUT_2_1,       // 2/1
        AV_CH_LAYOUT_4POINT0,   // 3/1
        AV_CH_LAYOUT_2_2,       // 2/2
        AV_CH_LAYOUT_5POINT0,   // 3/2
    };
    return kModes[channels->acmod & 7] | (channels->lfe ? AV_CH_LOW_FREQUENCY : 0);
}

}  // namespace transcoder
