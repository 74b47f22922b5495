// Telling the container of a source by its first bytes, then by its extension.
#include "container.h"

#include <gtest/gtest.h>

#include "byte_source.h"
#include "test_support.h"

namespace tags {
namespace {

using id3test::Bytes;
using id3test::Concat;
using id3test::ToBytes;

// The bytes of a literal, zero bytes inside it included.
template <size_t N>
Bytes Raw(const char (&text)[N]) {
    return Bytes(text, text + N - 1);
}

TEST(ContainerTest, ContentDecidesAndTheExtensionOnlyWhereTheBytesSayNothing) {
    const Bytes id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 2, 0, 0};  // a 2-byte tag in front
    const Bytes ogg = Concat({ToBytes("OggS"), Bytes(22, 0), Bytes{1, 30}});
    struct Case {
        Bytes bytes;
        std::string name;
        Container expected;
    };
    const std::vector<Case> cases = {
        {ToBytes("fLaC...."), "a.mp3", Container::Flac},
        {Concat({id3, ToBytes("fLaC")}), "a.flac", Container::Flac},
        {Concat({id3, ToBytes("TTA1")}), "a.tta", Container::TrueAudio},
        {Concat({id3, ToBytes("MAC ")}), "a", Container::Ape},
        {Concat({id3, ToBytes("wvpk")}), "a", Container::WavPack},
        {Concat({id3, Bytes{0xFF, 0xFB, 0x90}}), "a.flac", Container::Mpeg},
        {Concat({ogg, ToBytes("\x01vorbis")}), "a.opus", Container::OggVorbis},
        {Concat({ogg, ToBytes("OpusHead")}), "a.ogg", Container::OggOpus},
        {Concat({ogg, ToBytes("\x7F"
                              "FLAC")}),
         "a.ogg", Container::OggFlac},
        {Concat({ogg, ToBytes("Speex   ")}), "a.ogg", Container::OggSpeex},
        {ToBytes("OggS"), "a.opus", Container::OggVorbis},  // too short to tell the codec
        {Raw("\0\0\0\x20"
             "ftypM4A "),
         "a.mp3", Container::Mp4},
        {Bytes{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6}, "a", Container::Asf},
        {Bytes{0x1A, 0x45, 0xDF, 0xA3, 0x9F}, "a.webm", Container::Matroska},
        {Raw("RIFF\x10\0\0\0WAVEfmt "), "a", Container::Wav},
        {ToBytes("RF64\xff\xff\xff\xffWAVEds64"), "a", Container::Wav},
        {Raw("RIFF\x10\0\0\0AVI LIST"), "a.avi", Container::Mpeg},
        {Raw("FORM\0\0\0\x10"
             "AIFCFVER"),
         "a", Container::Aiff},
        {Bytes{0xFF, 0xFD, 0x90, 0x00}, "a.wav", Container::Mpeg},
        {ToBytes("#!/bin/sh\n"), "a.flac", Container::Flac},
        {ToBytes("#!/bin/sh\n"), "a.M4A", Container::Mp4},
        {ToBytes("#!/bin/sh\n"), "dir.wv/a", Container::Mpeg},
        {ToBytes("#!/bin/sh\n"), "a.mkv", Container::Matroska},
        {{}, "a.aif", Container::Aiff},
        {{}, "noext", Container::Mpeg}};
    for (const auto& c : cases) {
        const id3::MemorySource source(c.bytes);
        EXPECT_EQ(ContainerName(DetectContainer(source, c.name)), ContainerName(c.expected))
            << c.name << " " << std::string(c.bytes.begin(), c.bytes.end());
    }
}

}  // namespace
}  // namespace tags
