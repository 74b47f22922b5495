#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the tests read back from a converted file, through libavformat and libavcodec.
struct MediaInfo {
    std::string codec;  // decoder name, e.g. "mp3", "ac3", "mp2", "pcm_s16le"
    int channels = 0;
    std::string layout;  // e.g. "stereo", "5.1(side)"
    int rate = 0;
    std::int64_t bitrate = 0;  // bit/s of the stream, as its headers declare
    double duration = 0.0;     // seconds
    bool operator==(const MediaInfo&) const = default;
};

// The first audio stream of `path`; empty when the file cannot be read.
std::optional<MediaInfo> Probe(const std::string& path);

// Every sample of the first audio stream, one vector per channel, full scale 1.0.
std::vector<std::vector<float>> DecodeChannels(const std::string& path);

// The length of the decoded first audio stream of `path` in seconds; 0 when unreadable.
double DecodedSeconds(const std::string& path);

// The level of the `frequency` Hz component of `samples` (amplitude of a sine, 0 to 1).
double ToneLevel(const std::vector<float>& samples, int rate, double frequency);

// The largest absolute sample of all channels.
float Peak(const std::vector<std::vector<float>>& channels);

// The first bytes of every audio packet of `path` (each packet one MPEG audio frame).
std::vector<std::vector<unsigned char>> PacketHeads(const std::string& path);
