#pragma once

#include <optional>
#include <string>
#include <vector>

#include "status.h"

namespace transcoder {

// The encoder that makes the output; chosen by the encoder module given, WAV without one.
enum class Target { Wav, Mp3, Ac3, Mpa };

// The channel switch of the core module.
enum class ChannelSwitch { None, Stereo, Six };

// MPEG audio channel mode of the MPA encoder ("-m").
enum class MpaMode { Stereo, JointStereo, DualChannel };

// Everything one run of the transcoder is asked to do.
struct Options {
    std::string input;
    std::string output;
    ChannelSwitch channels = ChannelSwitch::None;
    bool allChannels = false;  // -azid( -d 3/2 ): full 5.1 decode without range compression
    int rate = 0;              // output sample rate in Hz; 0 keeps the source's rate
    bool normalize = false;    // peak normalisation to full scale
    Target target = Target::Wav;
    int bitrate = 0;   // kbit/s for MP3, AC3 and MPA; 0 when not given
    bool crc = false;  // CRC error protection (MP3 "-p", MPA "-e")
    MpaMode mpaMode = MpaMode::Stereo;
    bool sixWaves = false;       // -profile( AC3_to_Six_Waves_5.1 ): six mono files besides
    bool progressLines = false;  // --progress: percent lines on stdout even when not a terminal
    bool strict = false;         // --strict: a damaged source fails instead of warning
    bool operator==(const Options&) const = default;
};

// Parses the argument words (without the program name). A module opens with a word
// "-name(" or the two words "-name" "(" and closes with the word ")"; the word
// "--progress" and "--strict" may stand between modules. Every unknown module or option, a missing
// value, an unclosed module, a repeated module, -input or -output, or a missing -input/-output
// fails as a bad call whose reason names the offending word.
Result<Options> ParseOptions(const std::vector<std::string>& words);

// The usage text printed for a call without arguments: the syntax in brief.
std::string UsageText();

// What a call asks for when its first word is "--help" or "-h" (the module syntax with every
// option, ending in a newline) or "--version" (the version line); empty for any other call,
// which is a conversion.
std::optional<std::string> InfoText(const std::vector<std::string>& words);

}  // namespace transcoder
