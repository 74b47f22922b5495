#include "text_codec.h"

#include <gtest/gtest.h>

#include "frame_bytes.h"
#include "numeric_text.h"
#include "test_support.h"

namespace id3 {
namespace {

using id3test::Bytes;

TEST(TextCodecTest, EverySingleByteRoundTripsThroughUtf8) {
    for (int b = 1; b < 256; ++b) {
        const Bytes in = {static_cast<uint8_t>(b)};
        const std::string utf8 = DecodeTagText(in, 0, true);
        bool fits = false;
        EXPECT_EQ(ToWindows1252(utf8, &fits), std::string(1, static_cast<char>(b))) << b;
        EXPECT_TRUE(fits) << b;
    }
    EXPECT_EQ(DecodeTagText(Bytes{0x80, 0xE9, 0x81}, 0, true), "\u20AC\u00E9\u0081");
}

TEST(TextCodecTest, DecodesEveryEncoding) {
    struct Case {
        Bytes bytes;
        int encoding;
        bool stopAtZero;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{'a', 'b', 0, 'c'}, 0, true, "ab"},
        {{'a', 'b', 0, 'c'}, 0, false, std::string("ab\0c", 4)},
        {{'a', 13, 10, 'b'}, 0, true, "a\r\nb"},
        {{13, 'a', 10, 10, 13}, 0, true, "\ra\n\n\r"},  // control characters stay as they are
        {{0xFF, 0xFE, 13, 0, 0x00, 0x80, 10, 0}, 1, true, "\r\u8000\n"},
        {{0xFF, 0xFE, 'H', 0, 'i', 0}, 1, true, "Hi"},
        {{0xFE, 0xFF, 0, 'H', 0, 'i'}, 1, true, "Hi"},
        {{0xFF, 0xFE, 0x16, 0x04, 0, 0, 'x', 0}, 1, true, "\u0416"},
        {{0xFF, 0xFE, 'H', 0, 'i'}, 1, true, "H"},                      // odd length
        {{0xFF, 0xFE}, 1, true, ""},                                    // only a BOM
        {{'H', 0, 'i', 0}, 1, true, "Hi"},                              // no BOM: little-endian
        {{0xFF, 0xFE, 0x00, 0xD8, 'a', 0}, 1, true, "\uFFFDa"},         // lone high surrogate
        {{0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, 1, true, "\U0001F600"},  // surrogate pair
        {{0, 'H', 0, 'i', 0, 0}, 2, true, "Hi"},
        {{0xE2, 0x82, 0xAC, 'x', 0, 'y'}, 3, true, "\u20ACx"},
        {{0xC3, 'x'}, 3, true, "\u00C3x"},  // broken UTF-8 is taken as single bytes
        {{'a', 'b'}, 4, true, ""},
        {{'a', 'b'}, 255, true, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeTagText(c.bytes, c.encoding, c.stopAtZero), c.text)
            << "encoding " << c.encoding << " text " << c.text;
    }
}

TEST(TextCodecTest, EncodeTagTextCutsAndFallsBack) {
    uint8_t out[16] = {};
    EXPECT_EQ(EncodeTagText("abcdef", 3, out, false), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "abc");
    EXPECT_EQ(EncodeTagText("ab", 0, out, true), 3u);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(EncodeTagText("\u00E9\u0416", 0, out, false), 2u);
    EXPECT_EQ(out[0], 0xE9);
    EXPECT_EQ(out[1], '?');
    Bytes utf16;
    AppendUtf16WithBom(utf16, "A\U0001F600");
    EXPECT_EQ(utf16, (Bytes{0xFF, 0xFE, 'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    EXPECT_EQ(DecodeTagText(utf16, 1, true), "A\U0001F600");
}

TEST(FrameBytesTest, SizesDecodeAndEncode) {
    struct Case {
        Bytes bytes;
        bool synchsafe;
        std::optional<int32_t> value;
    };
    const std::vector<Case> cases = {{{0, 0, 0x10, 0}, true, 2048},
                                     {{0, 0, 0x10, 0}, false, 4096},
                                     {{0, 0, 1, 0x48}, true, 200},
                                     {{0, 0, 0, 0xC8}, true, 200},  // top bit: plain
                                     {{0x7F, 0x7F, 0x7F, 0x7F}, true, 0x0FFFFFFF},
                                     {{0x80, 0, 0, 0}, true, std::nullopt},
                                     {{0xFF, 0xFF, 0xFF, 0xFF}, false, std::nullopt},
                                     {{0x7F, 0xFF, 0xFF, 0xFF}, false, 0x7FFFFFFF}};
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeSize32(c.bytes.data(), c.synchsafe), c.value);
        if (c.value && *c.value < (1 << 28) &&
            ((c.bytes[0] | c.bytes[1] | c.bytes[2] | c.bytes[3]) & 0x80) == 0) {
            uint8_t encoded[4];
            EncodeSize32(static_cast<uint32_t>(*c.value), c.synchsafe, encoded);
            EXPECT_EQ(Bytes(encoded, encoded + 4), c.bytes);
        }
    }
}

TEST(FrameBytesTest, DeunsynchroniseRemovesStuffedZeros) {
    struct Case {
        Bytes in;
        Bytes out;
        int64_t removed;
    };
    const std::vector<Case> cases = {{{0xFF, 0x00, 0xE0, 'a'}, {0xFF, 0xE0, 'a'}, 1},
                                     {{'a', 0xFF, 0x00}, {'a', 0xFF}, 1},
                                     {{0xFF, 0x00, 0x00}, {0xFF, 0x00}, 1},
                                     {{'a', 'b', 0xFF}, {'a', 'b', 0xFF}, 0},
                                     {{0xFF}, {0xFF}, 0},
                                     {{0xFF, 0x00, 0xFF, 0x00}, {0xFF, 0xFF}, 2}};
    for (auto c : cases) {
        Bytes buffer = c.in;
        EXPECT_EQ(Deunsynchronise(buffer.data(), static_cast<int64_t>(buffer.size())), c.removed);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.end() - c.removed), c.out);
    }
    EXPECT_EQ(Deunsynchronise(nullptr, 0), 0);
}

TEST(FrameBytesTest, FrameIdBytesAndNumbers) {
    EXPECT_TRUE(IsFrameIdBytes(reinterpret_cast<const uint8_t*>("TIT2")));
    EXPECT_TRUE(IsFrameIdBytes(reinterpret_cast<const uint8_t*>("\0\0\0\0")));
    EXPECT_FALSE(IsFrameIdBytes(reinterpret_cast<const uint8_t*>("tit2")));
    const std::vector<std::pair<std::string, std::optional<double>>> numbers = {
        {"17", 17},          {" 5 ", 5},          {"-3", -3},
        {"2.5", 2.5},        {"1e2", 100},        {"12/14", std::nullopt},
        {"", std::nullopt},  {".", std::nullopt}, {"0x10", std::nullopt},
        {"1e", std::nullopt}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(ParseNumber(text), value) << text;
    }
}

}  // namespace
}  // namespace id3
