#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Target formats, numbered as the format options, the settings and the batch run number them.
enum class TargetFormat : int { Wav = 0, Mp3 = 1, Ac3 = 2, Mpa = 3 };

// What the command-line builder needs for one file.
struct ConversionJob {
    std::string SourcePath;  // full path of the input file
    std::string TargetPath;  // full path of the output file
    TargetFormat Format = TargetFormat::Wav;
    std::string SourceKind;      // last three characters of SourcePath in upper case
    int ResampleChoice = 0;      // selected item of the format's sample-rate group (0 unchanged)
    bool Normalise = false;      // the format's "Normalisieren" box is ticked
    bool SplitToSixWav = false;  // "AC3 --> 6 WAV-Dateien" is ticked (WAV only)
    std::int16_t Bitrate = 0;    // kbit/s, for MP3, AC3 and MPA
    bool operator==(const ConversionJob&) const = default;
};

// The last three characters of `sourcePath` in upper case (fewer when the path is shorter).
std::string SourceKindOf(std::string_view sourcePath);

// True for the sources that carry more than two channels: kind "AC3" or "VOB".
bool IsMultichannelSource(std::string_view sourceKind);

// The transcoder's arguments for one job in the two forms that must never disagree: the
// text that the console window and the logs show, and the words the child is started with.
struct TranscoderArguments {
    std::string Text;                // begins with a blank; goes right after the program path
    std::vector<std::string> Words;  // the program's words after its name
    bool operator==(const TranscoderArguments&) const = default;
};

// Both forms for `job`, built in one pass over the same pieces: each path stands between
// double quotes in Text and is one word of Words, byte for byte, whatever it holds. Where
// no path holds a double quote, splitting Text by the launcher's rule gives Words. Pure.
TranscoderArguments BuildTranscoderArguments(const ConversionJob& job);

// The argument text alone (BuildTranscoderArguments(job).Text).
std::string TranscoderCommandLine(const ConversionJob& job);
