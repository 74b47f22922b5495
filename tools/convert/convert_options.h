#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "form_state.h"

// The command line of tonquell-convert, read into one value, and the window's form it stands
// for: the options are the window's own choices under names for a terminal.
namespace convert_cli {

struct Options {
    std::vector<std::string> Paths;  // files and folders, as given
    TargetFormat Format = TargetFormat::Wav;
    std::optional<int> Bitrate;  // kbit/s; none: the format's own start value
    // None: the window's start value for the format (kept for WAV and MP3, 48 kHz for AC3 and
    // MPA).
    std::optional<SampleRate> Rate;
    bool Normalise = false;
    bool SixWavs = false;
    bool Recursive = false;
    std::string Output;  // empty: each target beside its source
    bool SkipExisting = false;
    int Jobs = 0;  // 0: the window's rule (the "Jobs" key, else the cores)
    bool DryRun = false;
    std::string ReportFile;
    bool Help = false;
    bool Version = false;
    bool operator==(const Options&) const = default;
};

// What the command line said: the options, or the one line that says what is wrong with it.
struct Parsed {
    std::optional<Options> Value;
    std::string Error;
    bool operator==(const Parsed&) const = default;
};

// Reads the arguments after the program's name. Short options take their value attached or
// as the next word, long ones after "=" or as the next word; "--" ends the options. A format
// is required unless --help or --version is asked for, and so is at least one path.
Parsed ParseArguments(const std::vector<std::string>& args);

// The bitrates `format` offers, in kbit/s from the lowest; empty for WAV.
std::vector<int> BitrateScale(TargetFormat format);

// The window's form with these options chosen: the format, its frame's rate, "Normalisieren"
// and bitrate, the six-WAV split, the output folder `outputFolder` (empty: beside the
// sources) and "vorhandene Ziele überspringen".
FormState FormStateOf(const Options& options, const std::string& outputFolder);

// The usage text printed by --help.
std::string UsageText();

}  // namespace convert_cli
