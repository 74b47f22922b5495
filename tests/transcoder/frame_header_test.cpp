#include "frame_header.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
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

TEST(FrameHeader, Ac3ChannelModeAndLfeFollowTheHeader) {
    struct Row {
        std::vector<std::uint8_t> header;
        std::optional<Ac3Channels> expected;
    };
    const std::vector<Row> rows = {
        // Headers written by ffmpeg's ac3 and eac3 encoders.
        {{0x0B, 0x77, 0xC6, 0x9E, 0x14, 0x40, 0x43, 0xE1}, Ac3Channels{2, false, false}},
        {{0x0B, 0x77, 0xC3, 0xF6, 0x1E, 0x40, 0xEB, 0xF8}, Ac3Channels{7, true, false}},
        {{0x0B, 0x77, 0x02, 0xFF, 0x3F, 0x87, 0xC0, 0x00}, Ac3Channels{7, true, false}},
        {{0x0B, 0x77, 0x01, 0x7F, 0x34, 0x87, 0xC0, 0x00}, Ac3Channels{2, false, false}},
        // The LFE bit moves with the mix fields acmod calls for; set fields are no LFE.
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0x30, 0}, Ac3Channels{1, true, false}},   // 1/0
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0x5C, 0}, Ac3Channels{2, true, false}},   // 2/0
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0x78, 0}, Ac3Channels{3, false, false}},  // 3/0
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0x9C, 0}, Ac3Channels{4, true, false}},   // 2/1
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0xFE, 0}, Ac3Channels{7, false, false}},  // 3/2
        {{0x0B, 0x77, 0, 0, 0x14, 0x40, 0x10, 0}, Ac3Channels{0, true, false}},   // 1+1
        // An E-AC-3 dependent substream (strmtyp 1) in 2/2 without LFE.
        {{0x0B, 0x77, 0x40, 0xFF, 0x3C, 0x87, 0, 0}, Ac3Channels{6, false, true}},
        {{0x0B, 0x77, 0xC0, 0xFF, 0x3C, 0x87, 0, 0}, std::nullopt},  // reserved stream type
        {{0x0B, 0x77, 0, 0, 0x14, 0x88, 0x43, 0}, std::nullopt},     // bitstream id 17
        {{0x0B, 0x78, 0, 0, 0x14, 0x40, 0x43, 0}, std::nullopt},     // no sync
        {{0x0B, 0x77, 0xC6, 0x9E, 0x14, 0x40}, std::nullopt},        // too short
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Ac3FrameChannels(row.header.data(), row.header.size()), row.expected)
            << static_cast<int>(row.header[4]) << " " << static_cast<int>(row.header[6]);
    }
}

// Frame lengths at every sample rate, odd and even size codes, and E-AC-3: stepping through
// streams that ffmpeg wrote, frame by frame, lands on a sync word each time and on the end
// of the file at last.
TEST(FrameHeader, Ac3FrameLengthsWalkWholeStreams) {
    const std::string file = testing::TempDir() + "ac3-walk.ac3";
    const std::vector<std::string> recipes = {
        "-ar 48000 -c:a ac3 -b:a 192k", "-ar 44100 -c:a ac3 -b:a 192k",
        "-ar 44100 -c:a ac3 -b:a 32k",  "-ar 32000 -c:a ac3 -b:a 96k",
        "-ar 48000 -c:a ac3 -b:a 640k", "-ar 48000 -c:a eac3 -b:a 384k -f eac3",
    };
    for (const std::string& recipe : recipes) {
        const std::string command =
            "ffmpeg -v error -nostdin -y -f lavfi -i sine=f=440:d=2 -ac 2 " + recipe + " " + file;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        std::size_t pos = 0;
        int frames = 0;
        while (pos < bytes.size()) {
            const std::size_t size = Ac3FrameSize(bytes.data() + pos, bytes.size() - pos);
            ASSERT_GT(size, 0u) << recipe << ": no frame at " << pos;
            pos += size;
            ++frames;
        }
        EXPECT_EQ(pos, bytes.size()) << recipe;
        EXPECT_GT(frames, 40) << recipe;
    }
    std::remove(file.c_str());
    const std::vector<std::uint8_t> bad[] = {
        {0x0B, 0x77, 0, 0, 0xC0, 0x40},  // reserved sample rate
        {0x0B, 0x77, 0, 0, 0x26, 0x40},  // size code past the table
        {0x0B, 0x77, 0, 0, 0x14},        // too short
    };
    for (const auto& header : bad) {
        EXPECT_EQ(Ac3FrameSize(header.data(), header.size()), 0u);
    }
}

}  // namespace
}  // namespace transcoder
