#include "frame_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace transcoder {
namespace {

TEST(FrameHeader, MpegAudioFrameLengthsFollowTheHeader) {
    struct Row {
        std::vector<std::uint8_t> header;
        std::size_t expected;
    };
    const std::vector<Row> rows = {
        {{0xFF, 0xFB, 0x90, 0x00}, 417},  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
        {{0xFF, 0xFB, 0x92, 0x00}, 418},  // the same with padding
        {{0xFF, 0xFD, 0xA4, 0x00}, 576},  // MPEG-1 layer II, 192 kbit/s, 48 kHz
        {{0xFF, 0xF3, 0x80, 0x00}, 208},  // MPEG-2 layer III, 64 kbit/s, 22.05 kHz
        {{0xFF, 0xFF, 0xC0, 0x00}, 416},  // MPEG-1 layer I, 384 kbit/s, 44.1 kHz
        {{0xFF, 0xFB, 0x00, 0x00}, 0},    // free format: no length in the header
        {{0xFF, 0xEB, 0x90, 0x00}, 0},    // reserved version
        {{0xFF, 0xFB, 0x9C, 0x00}, 0},    // reserved sample rate
        {{0x00, 0xFB, 0x90, 0x00}, 0},    // no sync
        {{0xFF, 0xFB, 0x90}, 0},          // too short
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MpegAudioFrameSize(row.header.data(), row.header.size()), row.expected)
            << static_cast<int>(row.header[1]) << " " << static_cast<int>(row.header[2]);
    }
}

TEST(FrameHeader, DtsFrameLengthFollowsTheHeader) {
    const std::vector<std::uint8_t> header = {0x7F, 0xFE, 0x80, 0x01, 0xFC, 0x3C, 0x75, 0xB2};
    EXPECT_EQ(DtsFrameSize(header.data(), header.size()), 1884u);
    EXPECT_EQ(DtsFrameSize(header.data(), 7), 8u);  // a cut header is longer than what is left
    const std::vector<std::uint8_t> other = {0x0B, 0x77, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(DtsFrameSize(other.data(), other.size()), 0u);
}

}  // namespace
}  // namespace transcoder
