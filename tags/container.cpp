#include "container.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "id3v2_writer.h"

namespace tags {
namespace {

bool At(const std::vector<uint8_t>& head, size_t offset, const char* magic, size_t length) {
    return head.size() >= offset + length && std::memcmp(head.data() + offset, magic, length) == 0;
}

// The container an Ogg stream's first packet names.
Container OggCodec(const std::vector<uint8_t>& head) {
    // The first page: 27 bytes of header, then the segment table, then the packet.
    if (head.size() < 28) {
        return Container::OggVorbis;
    }
    const size_t packet = 27 + head[26];
    if (At(head, packet, "OpusHead", 8)) {
        return Container::OggOpus;
    }
    if (At(head, packet,
           "\x7F"
           "FLAC",
           5)) {
        return Container::OggFlac;
    }
    if (At(head, packet, "Speex   ", 8)) {
        return Container::OggSpeex;
    }
    return Container::OggVorbis;
}

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

Container ByExtension(const std::string& path) {
    static const std::pair<const char*, Container> kExtensions[] = {
        {"flac", Container::Flac},    {"ogg", Container::OggVorbis}, {"oga", Container::OggVorbis},
        {"opus", Container::OggOpus}, {"spx", Container::OggSpeex},  {"m4a", Container::Mp4},
        {"m4b", Container::Mp4},      {"mp4", Container::Mp4},       {"wma", Container::Asf},
        {"wmv", Container::Asf},      {"asf", Container::Asf},       {"ape", Container::Ape},
        {"wv", Container::WavPack},   {"tta", Container::TrueAudio}, {"wav", Container::Wav},
        {"aif", Container::Aiff},     {"aiff", Container::Aiff},     {"aifc", Container::Aiff},
        {"mka", Container::Matroska}, {"mkv", Container::Matroska},  {"webm", Container::Matroska}};
    const std::string extension = LowerExtension(path);
    for (const auto& [name, container] : kExtensions) {
        if (extension == name) {
            return container;
        }
    }
    return Container::Mpeg;
}

}  // namespace

Container DetectContainer(const id3::ByteSource& source, const std::string& path) {
    const int64_t skip = id3::Id3v2SizeAt(source, 0).value_or(0);
    const std::vector<uint8_t> front = id3::ReadBytes(source, 0, 64);
    const std::vector<uint8_t> head = id3::ReadBytes(source, skip, 64);
    static const uint8_t kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    static const uint8_t kEbml[] = {0x1A, 0x45, 0xDF, 0xA3};
    if (At(head, 0, "fLaC", 4)) {
        return Container::Flac;
    }
    if (At(head, 0, "TTA1", 4)) {
        return Container::TrueAudio;
    }
    if (At(head, 0, "MAC ", 4)) {
        return Container::Ape;
    }
    if (At(head, 0, "wvpk", 4)) {
        return Container::WavPack;
    }
    if (skip > 0) {
        return Container::Mpeg;  // a tag in front of anything else: an MPEG audio file
    }
    if (At(front, 0, "OggS", 4)) {
        return OggCodec(front);
    }
    if (At(front, 4, "ftyp", 4)) {
        return Container::Mp4;
    }
    if (front.size() >= 8 && std::equal(kAsf, kAsf + 8, front.begin())) {
        return Container::Asf;
    }
    if (front.size() >= 4 && std::equal(kEbml, kEbml + 4, front.begin())) {
        return Container::Matroska;
    }
    if ((At(front, 0, "RIFF", 4) || At(front, 0, "RF64", 4) || At(front, 0, "BW64", 4)) &&
        At(front, 8, "WAVE", 4)) {
        return Container::Wav;
    }
    if (At(front, 0, "FORM", 4) && (At(front, 8, "AIFF", 4) || At(front, 8, "AIFC", 4))) {
        return Container::Aiff;
    }
    if (front.size() >= 2 && front[0] == 0xFF && (front[1] & 0xE0) == 0xE0) {
        return Container::Mpeg;  // an MPEG audio frame
    }
    return ByExtension(path);
}

std::string ContainerName(Container container) {
    switch (container) {
        case Container::Mpeg:
            return "MPEG audio";
        case Container::Flac:
            return "FLAC";
        case Container::OggVorbis:
            return "Ogg Vorbis";
        case Container::OggOpus:
            return "Ogg Opus";
        case Container::OggFlac:
            return "Ogg FLAC";
        case Container::OggSpeex:
            return "Ogg Speex";
        case Container::Mp4:
            return "MP4";
        case Container::Asf:
            return "ASF";
        case Container::Ape:
            return "Monkey's Audio";
        case Container::WavPack:
            return "WavPack";
        case Container::TrueAudio:
            return "TTA";
        case Container::Wav:
            return "WAV";
        case Container::Aiff:
            return "AIFF";
        case Container::Matroska:
            return "Matroska";
    }
    return "unknown";
}

}  // namespace tags
