// Sources whose tags lie about their sizes: the reader returns what it could, with a reason,
// and the target still gets the rest.
#include <gtest/gtest.h>

#include <algorithm>

#include "../support/media_cache.h"
#include "source_tags.h"
#include "test_support.h"

namespace tags {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::Quote;
using id3test::RunCommand;
using id3test::TempDir;
using id3test::ToBytes;

const std::string kHelper =
    "/usr/bin/python3 " + Quote(TONQUELL_SOURCE_DIR "/tests/tags/library_sources.py");
constexpr const char* kTone = "-f lavfi -i sine=frequency=440:duration=0.1:sample_rate=8000 ";

Bytes Be24(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
Bytes Be32(uint32_t v) {
    return Concat({Bytes{static_cast<uint8_t>(v >> 24)}, Be24(v)});
}
Bytes Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// A FLAC metadata block: type (0x80 on the last), 24-bit length, data.
Bytes FlacBlock(uint8_t type, const Bytes& data, uint32_t length) {
    return Concat({Bytes{type}, Be24(length), data});
}

Bytes FlacHead() {
    const Bytes streamInfo = {0x10, 0,    0x10, 0, 0, 0, 0x0E, 0, 0, 0x0E, 0x0A, 0xC4,
                              0x40, 0xF0, 0,    0, 0, 0, 0,    0, 0, 0,    0,    0,
                              0,    0,    0,    0, 0, 0, 0,    0, 0, 0};
    const Bytes comment = Concat({Le32(1), ToBytes("x"), Le32(1), Le32(8), ToBytes("TITLE=ok")});
    return Concat({ToBytes("fLaC"), FlacBlock(0, streamInfo, 34),
                   FlacBlock(4, comment, static_cast<uint32_t>(comment.size()))});
}

// A FLAC picture block's data whose picture claims `length` bytes and holds 16.
Bytes FlacPicture(uint32_t length) {
    return Concat({Be32(3), Be32(9), ToBytes("image/png"), Be32(0), Be32(1), Be32(1), Be32(24),
                   Be32(0), Be32(length), Bytes(16, 0xAB)});
}

Bytes WavWith(const Bytes& chunks) {
    const Bytes fmt = {'f',  'm',  't', ' ', 16,   0,    0, 0, 1, 0, 1,  0,
                       0x40, 0x1F, 0,   0,   0x80, 0x3E, 0, 0, 2, 0, 16, 0};
    const Bytes body = Concat({ToBytes("WAVE"), fmt, chunks});
    return Concat({ToBytes("RIFF"), Le32(static_cast<uint32_t>(body.size())), body});
}

Bytes InfoList(const Bytes& entries) {
    return Concat({ToBytes("LIST"), Le32(static_cast<uint32_t>(entries.size() + 4)),
                   ToBytes("INFO"), entries});
}

struct Hostile {
    std::string name;
    Bytes bytes;
    std::string title;    // what the reader must still get out
    std::string dropped;  // a reason Dropped must hold; empty for none required
};

std::vector<Hostile> HandMade() {
    const Bytes data = Concat({ToBytes("data"), Le32(4), Bytes{0, 0, 0, 0}});
    return {
        // TagLib refuses the whole file; the reason says so.
        {"picture block claiming 16 MiB.flac",
         Concat({FlacHead(), FlacBlock(0x86, FlacPicture(16), 0xFFFFFF)}), "", "Vorbis comment"},
        {"picture claiming 4 GiB.flac",
         Concat({FlacHead(), FlacBlock(0x86, FlacPicture(0xFFFFFFF0), 56)}), "ok", ""},
        {"comment count of 4 billion.flac",
         Concat({ToBytes("fLaC"), FlacBlock(0x84, Concat({Le32(0), Le32(0xFFFFFFFF)}), 8)}), "",
         ""},
        {"id3 chunk claiming 3 GiB.wav",
         WavWith(Concat({data, ToBytes("id3 "), Le32(0xC0000000), ToBytes("ID3\3\0\0\0\0\0\0")})),
         "", "id3 "},
        {"id3 chunk holding a tag claiming 256 MiB.wav",
         WavWith(Concat({data, ToBytes("id3 "), Le32(10), ToBytes("ID3\3\0\0\x7F\x7F\x7F\x7F")})),
         "", ""},
        {"INFO entry claiming 2 GiB.wav",
         WavWith(Concat({InfoList(Concat({ToBytes("INAM"), Le32(3), Bytes{'o', 'k', 0, 0},
                                          ToBytes("IART"), Le32(0x7FFFFFFF), ToBytes("x")})),
                         data})),
         "ok", ""},
        {"ID3 chunk claiming 4 GiB.aiff",
         Concat({ToBytes("FORM"), Be32(100), ToBytes("AIFF"), ToBytes("ID3 "), Be32(0xFFFFFFF0),
                 ToBytes("ID3\3\0\0\0\0\0\x10"), ToBytes("TIT2"), Be32(3), Bytes{0, 0, 0},
                 ToBytes("ok")}),
         "", ""},
        {"EBML claiming 1 EiB.mka",
         Concat(
             {Bytes{0x1A, 0x45, 0xDF, 0xA3, 0x01, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
              Bytes(64, 0x42)}),
         "", "(tags)"}};
}

bool HasReason(const id3::DroppedFrames& dropped, const std::string& id) {
    return std::any_of(dropped.begin(), dropped.end(),
                       [&](const id3::DroppedFrame& d) { return d.Id == id; });
}

TEST(HostileSourcesTest, HandMadeLiesAreSurvivedAndWhatCameBeforeTravels) {
    TempDir dir;
    const std::string target = dir.File("target.mp3");
    ASSERT_EQ(testing_support::MakeMedia(std::string(kTone) + "-c:a libmp3lame", target), 0);
    for (const auto& c : HandMade()) {
        const std::string path = dir.File(c.name);
        id3test::WriteFile(path, c.bytes);
        const id3::SourceTags tags = ReadSourceTags(path);
        EXPECT_EQ(tags.Id3v2.Title, c.title) << c.name;
        if (!c.dropped.empty()) {
            EXPECT_TRUE(HasReason(tags.Dropped, c.dropped)) << c.name;
        }
        EXPECT_TRUE(WriteTargetTags(target, TargetKind::Mp3, tags).Ok) << c.name;
    }
}

TEST(HostileSourcesTest, TaggedSourcesWithLyingSizesKeepTheirTitle) {
    if (RunCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-mutagen is not installed";
    }
    TempDir dir;
    struct Case {
        std::string kind;
        std::string arguments;
        std::string extension;
        std::string dropped;  // the reason that must be given
    };
    const std::vector<Case> cases = {
        {"ogg-picture-claims-4-GiB", "-c:a libvorbis", ".ogg", ""},
        {"m4a-covr-claims-4-GiB", "-c:a aac", ".m4a", ""},
        {"wma-picture-claims-4-GiB", "-c:a wmav2", ".wma",
         "WM/Picture: a picture TagLib could not read"},
        {"wavpack-item-claims-2-GiB", "-c:a wavpack", ".wv",
         "APEv2: 1 of its items could not be read"},
        {"m4a-picture-of-17-MiB", "-c:a aac", ".m4a",
         "APIC: a picture of 17829896 bytes, above the limit of 16777216"}};
    const std::string target = dir.File("target.wav");
    for (const auto& c : cases) {
        const std::string path = dir.File(c.kind + c.extension);
        ASSERT_EQ(testing_support::MakeMedia(kTone + c.arguments, path), 0) << c.kind;
        ASSERT_EQ(RunCommand(kHelper + " hostile " + c.kind + " " + Quote(path)), 0) << c.kind;
        const id3::SourceTags tags = ReadSourceTags(path);
        EXPECT_EQ(tags.Id3v2.Title, "ok") << c.kind;
        std::vector<std::string> reasons;
        for (const auto& d : tags.Dropped) {
            reasons.push_back(d.Id + ": " + d.Reason);
        }
        if (!c.dropped.empty()) {
            EXPECT_NE(std::find(reasons.begin(), reasons.end(), c.dropped), reasons.end())
                << c.kind << ": " << testing::PrintToString(reasons);
        }
        ASSERT_EQ(testing_support::MakeMedia(std::string(kTone) + "-c:a pcm_s16le", target), 0);
        EXPECT_EQ(WriteTargetTags(target, TargetKind::Wav, tags), id3::WriteStatus{}) << c.kind;
    }
}

}  // namespace
}  // namespace tags
