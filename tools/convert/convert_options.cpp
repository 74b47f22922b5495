#include "convert_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "batch_run.h"
#include "format_options.h"

namespace convert_cli {
namespace {

constexpr int kMostJobs = 64;  // as many as the "Jobs" key allows

std::optional<TargetFormat> FormatNamed(std::string_view name) {
    if (name == "wav") {
        return TargetFormat::Wav;
    }
    if (name == "mp3") {
        return TargetFormat::Mp3;
    }
    if (name == "ac3") {
        return TargetFormat::Ac3;
    }
    if (name == "mpa") {
        return TargetFormat::Mpa;
    }
    return std::nullopt;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string ScaleText(const std::vector<int>& scale) {
    std::string text;
    for (const int kbps : scale) {
        text += (text.empty() ? "" : ", ") + std::to_string(kbps);
    }
    return text;
}

// "wav", "mp3", "ac3" or "mpa": the name the option takes is the target's extension.
std::string FormatName(TargetFormat format) {
    return batch::TargetExtension(format).substr(1);
}

// The options that take a value, by their short and long names.
struct ValueOption {
    std::string_view Short;
    std::string_view Long;
};
constexpr ValueOption kValueOptions[] = {{"-f", "--format"}, {"-b", "--bitrate"}, {"", "--rate"},
                                         {"-o", "--output"}, {"", "--existing"},  {"-j", "--jobs"},
                                         {"", "--report"}};

// Reading the words one by one; the first error ends it.
class Reader {
public:
    explicit Reader(const std::vector<std::string>& args) : args_(args) {}

    Parsed Read() {
        bool formatGiven = false;
        std::string rate;
        for (std::size_t i = 0; i < args_.size() && error_.empty(); ++i) {
            const std::string& word = args_[i];
            if (endOfOptions_ || word == "-" || !word.starts_with("-")) {
                options_.Paths.push_back(word);
                continue;
            }
            if (word == "--") {
                endOfOptions_ = true;
                continue;
            }
            std::string name;
            std::optional<std::string> value;
            if (!Split(word, i, name, value)) {
                break;
            }
            Apply(name, value, formatGiven, rate);
        }
        if (error_.empty() && !options_.Help && !options_.Version) {
            Check(formatGiven, rate);
        }
        if (!error_.empty()) {
            return {std::nullopt, error_};
        }
        return {options_, {}};
    }

private:
    // Splits `word` (at index `i`) into the option's long name and its value, taking the next
    // word when the option needs one.
    bool Split(const std::string& word, std::size_t& i, std::string& name,
               std::optional<std::string>& value) {
        name = word;
        if (word.starts_with("--")) {
            if (const std::size_t eq = word.find('='); eq != std::string::npos) {
                name = word.substr(0, eq);
                value = word.substr(eq + 1);
            }
        } else if (word.size() > 2) {
            name = word.substr(0, 2);
            value = word.substr(2);
        }
        const ValueOption* takes = nullptr;
        for (const ValueOption& option : kValueOptions) {
            if (name == option.Short || name == option.Long) {
                takes = &option;
                name = std::string(option.Long);
            }
        }
        if (takes && !value) {
            if (i + 1 >= args_.size()) {
                error_ = "option " + word + " needs a value";
                return false;
            }
            value = args_[++i];
        }
        if (!takes && value && word.starts_with("--")) {
            error_ = "option " + name + " takes no value";
            return false;
        }
        if (!takes && value) {
            error_ = "unknown option " + word;
            return false;
        }
        return true;
    }

    void Apply(const std::string& name, const std::optional<std::string>& value, bool& formatGiven,
               std::string& rate) {
        if (name == "-h" || name == "--help") {
            options_.Help = true;
        } else if (name == "-V" || name == "--version") {
            options_.Version = true;
        } else if (name == "-r" || name == "--recursive") {
            options_.Recursive = true;
        } else if (name == "--normalize") {
            options_.Normalise = true;
        } else if (name == "--six-wavs") {
            options_.SixWavs = true;
        } else if (name == "--dry-run") {
            options_.DryRun = true;
        } else if (name == "--format") {
            const auto format = FormatNamed(*value);
            formatGiven = format.has_value();
            options_.Format = format.value_or(TargetFormat::Wav);
            if (!format) {
                error_ = "unknown format '" + *value + "' (wav, mp3, ac3 or mpa)";
            }
        } else if (name == "--bitrate") {
            options_.Bitrate = Number(*value);
            if (!options_.Bitrate) {
                error_ = "bitrate '" + *value + "' is not a number of kbit/s";
            }
        } else if (name == "--rate") {
            rate = *value;
        } else if (name == "--output") {
            options_.Output = *value;
            if (value->empty()) {
                error_ = "empty output folder";
            }
        } else if (name == "--existing") {
            options_.SkipExisting = *value == "skip";
            if (*value != "skip" && *value != "new") {
                error_ = "--existing takes new or skip, not '" + *value + "'";
            }
        } else if (name == "--jobs") {
            const auto jobs = Number(*value);
            options_.Jobs = jobs.value_or(0);
            if (!jobs || *jobs < 1 || *jobs > kMostJobs) {
                error_ = "--jobs takes a number from 1 to " + std::to_string(kMostJobs) +
                         ", not '" + *value + "'";
            }
        } else if (name == "--report") {
            options_.ReportFile = *value;
            if (value->empty()) {
                error_ = "empty report file name";
            }
        } else {
            error_ = "unknown option " + name;
        }
    }

    // What holds only for the options together.
    void Check(bool formatGiven, const std::string& rate) {
        const TargetFormat format = options_.Format;
        const std::string fmt = FormatName(format);
        if (!formatGiven) {
            error_ = "no target format: give -f wav, mp3, ac3 or mpa";
        } else if (options_.Paths.empty()) {
            error_ = "no file or folder to convert";
        } else if (options_.Bitrate && format == TargetFormat::Wav) {
            error_ = "wav takes no bitrate";
        } else if (options_.Bitrate) {
            const std::vector<int> scale = BitrateScale(format);
            if (std::find(scale.begin(), scale.end(), *options_.Bitrate) == scale.end()) {
                error_ = "bitrate " + std::to_string(*options_.Bitrate) + " is not offered for " +
                         fmt + "; it takes " + ScaleText(scale);
            }
        }
        if (!error_.empty()) {
            return;
        }
        const bool given = !rate.empty() && rate != "keep";
        const int hz = given ? Number(rate).value_or(-1) : 0;
        if (hz < 0) {
            error_ = "--rate takes keep, 44100 or 48000, not '" + rate + "'";
            return;
        }
        if (rate == "keep") {
            options_.Rate = SampleRate::Keep;
        } else if (hz == 44100) {
            options_.Rate = SampleRate::Hz44100;
        } else if (hz == 48000) {
            options_.Rate = SampleRate::Hz48000;
        }
        const SampleRate effective = options_.Rate.value_or(FormState{}.Options(format).Rate);
        if (given && (!options_.Rate || !form_state::RateButton(format, *options_.Rate))) {
            const std::string offered = format == TargetFormat::Wav   ? "keep, 44100 or 48000"
                                        : format == TargetFormat::Mp3 ? "keep or 44100"
                                                                      : "keep or 48000";
            error_ = "rate " + rate + " is not offered for " + fmt + "; it takes " + offered;
        } else if (options_.Normalise && effective == SampleRate::Keep) {
            // The transcoder normalises while it resamples; the window's box is the same.
            error_ = "--normalize needs --rate 44100 or 48000";
        } else if (options_.SixWavs && format != TargetFormat::Wav) {
            error_ = "--six-wavs needs -f wav";
        }
    }

    const std::vector<std::string>& args_;
    Options options_;
    std::string error_;
    bool endOfOptions_ = false;
};

}  // namespace

Parsed ParseArguments(const std::vector<std::string>& args) {
    return Reader(args).Read();
}

std::vector<int> BitrateScale(TargetFormat format) {
    const auto bar = format_options::BarOfFormat(static_cast<int>(format));
    std::vector<int> scale;
    if (!bar) {
        return scale;
    }
    for (int p = format_options::MinPosition(*bar); p <= format_options::MaxPosition(*bar); ++p) {
        if (const auto kbps = format_options::BitrateAt(*bar, p)) {
            scale.push_back(*kbps);
        }
    }
    return scale;
}

FormState FormStateOf(const Options& options, const std::string& outputFolder) {
    FormState state;
    state.Format = options.Format;
    FormatChoice& choice = state.Options(options.Format);
    if (options.Rate) {
        choice.Rate = *options.Rate;
    }
    choice.Normalise = options.Normalise;
    if (options.Bitrate) {
        choice.BitrateKbps = *options.Bitrate;
    }
    state.SplitToSixWav = options.SixWavs;
    state.OutPathIsCurrent = outputFolder.empty();
    state.OutPath = outputFolder;
    state.LastOutPath = outputFolder;
    state.SkipExisting = options.SkipExisting;
    state.Console = ConsoleMode::Hidden;
    return state;
}

std::string UsageText() {
    return "usage: tonquell-convert -f FORMAT [OPTIONS] PATH...\n"
           "Converts audio files, and the files of folders, with the Tonquell Audio Converter's\n"
           "transcoder, target names and tag transfer.\n"
           "\n"
           "  -f, --format wav|mp3|ac3|mpa  target format (required)\n"
           "  -b, --bitrate KBPS            mp3: 80..320, ac3 and mpa: 160..640 (default 192\n"
           "                                for mp3, 320 for ac3 and mpa)\n"
           "      --rate keep|44100|48000   sample rate: wav any, mp3 44100, ac3 and mpa 48000\n"
           "                                (default keep, for ac3 and mpa 48000)\n"
           "      --normalize               peak normalise (with a forced --rate)\n"
           "      --six-wavs                split a 5.1 source into six WAV files (wav only)\n"
           "  -r, --recursive               a folder's whole tree, not only its files\n"
           "  -o, --output DIR              targets below DIR, folder trees mirrored\n"
           "      --existing new|skip       new: a taken name gets \"_new\", a taken \"_new\"\n"
           "                                name is refused (default); skip: skip the source\n"
           "  -j, --jobs N                  transcoders at once (default: the Jobs setting,\n"
           "                                else the cores, at most 8)\n"
           "      --dry-run                 print the plan, one line per source; write nothing\n"
           "      --report FILE             write a JSON report of the run to FILE\n"
           "  -h, --help                    this text\n"
           "  -V, --version                 the version\n"
           "\n"
           "Exit status: 0 all converted (or skipped), 1 a file failed or was refused,\n"
           "2 bad usage, 128+N stopped by signal N.\n";
}

}  // namespace convert_cli
