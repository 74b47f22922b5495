#include "options.h"

#include <charconv>
#include <optional>
#include <set>
#include <utility>

namespace transcoder {
namespace {

// Walks the words of one module; every accessor keeps the first thing that went wrong.
class ModuleReader {
public:
    ModuleReader(const std::vector<std::string>& words, std::size_t& pos, std::string module)
        : words_(words), pos_(pos), module_(std::move(module)) {}

    // The next option word, or empty at the closing ")" (consumed) or on error.
    std::optional<std::string> NextOption() {
        if (pos_ >= words_.size()) {
            Fail("module " + module_ + "( is not closed with ')'");
            return std::nullopt;
        }
        const std::string& word = words_[pos_++];
        if (word == ")") {
            return std::nullopt;
        }
        return word;
    }

    // The value word after `option`, or empty (with an error) when the words run out.
    std::optional<std::string> Value(const std::string& option) {
        if (pos_ >= words_.size() || words_[pos_] == ")") {
            Fail("option " + option + " of " + module_ + "( needs a value");
            return std::nullopt;
        }
        return words_[pos_++];
    }

    // The positive number after `option`, or empty (with an error).
    std::optional<int> Number(const std::string& option, int maxValue) {
        const std::optional<std::string> text = Value(option);
        if (!text) {
            return std::nullopt;
        }
        int value = 0;
        const char* end = text->data() + text->size();
        const auto [ptr, ec] = std::from_chars(text->data(), end, value);
        if (ec != std::errc() || ptr != end || value <= 0 || value > maxValue) {
            Fail("option " + option + " of " + module_ + "( needs a number from 1 to " +
                 std::to_string(maxValue) + ", not '" + *text + "'");
            return std::nullopt;
        }
        return value;
    }

    // Calls `handle` for every option up to the closing ")"; `handle` returns false for an
    // option it does not know. Stops at the first error.
    template <typename Handle>
    void ForEachOption(Handle handle) {
        while (const std::optional<std::string> option = NextOption()) {
            if (!handle(*option)) {
                Unknown(*option);
            }
            if (Failed()) {
                return;
            }
        }
    }

    void Unknown(const std::string& option) {
        Fail("unknown option '" + option + "' in module " + module_ + "(");
    }

    // Keeps the first failure of the module.
    void Fail(const std::string& message) {
        if (status_.ok()) {
            status_ = Status::BadCall(message);
        }
    }

    bool Failed() const { return !status_.ok(); }
    // Success, or the first thing wrong with the module.
    const Status& status() const { return status_; }

private:
    const std::vector<std::string>& words_;
    std::size_t& pos_;
    std::string module_;
    Status status_ = Status::Ok();
};

void ReadCore(ModuleReader& in, Options& options) {
    // A second -input or -output is refused rather than taking the last: a path that split
    // into more words than it should must not choose which file gets written.
    bool haveInput = false;
    bool haveOutput = false;
    auto once = [&](const std::string& option, bool& seen) {
        if (seen) {
            in.Fail("option " + option + " of -core( is given twice");
        }
        seen = true;
        return in.Value(option).value_or("");
    };
    in.ForEachOption([&](const std::string& option) {
        if (option == "-input") {
            options.input = once(option, haveInput);
        } else if (option == "-output") {
            options.output = once(option, haveOutput);
        } else if (option == "-2ch") {
            options.channels = ChannelSwitch::Stereo;
        } else if (option == "-6ch") {
            options.channels = ChannelSwitch::Six;
        } else {
            return false;
        }
        return true;
    });
}

void ReadAzid(ModuleReader& in, Options& options) {
    in.ForEachOption([&](const std::string& option) {
        if (option == "-d") {
            const std::optional<std::string> mode = in.Value(option);
            if (mode && *mode != "3/2") {
                in.Fail("module -azid( supports only '-d 3/2', not '-d " + *mode + "'");
            }
            options.allChannels = true;
        } else {
            return false;
        }
        return true;
    });
}

void ReadSsrc(ModuleReader& in, Options& options) {
    in.ForEachOption([&](const std::string& option) {
        if (option == "--rate") {
            options.rate = in.Number(option, 384000).value_or(0);
            if (!in.Failed() && options.rate < 8000) {
                in.Fail("option --rate of -ssrc( needs at least 8000 Hz");
            }
        } else if (option == "--normalize") {
            options.normalize = true;
        } else {
            return false;
        }
        return true;
    });
}

void ReadLame(ModuleReader& in, Options& options) {
    in.ForEachOption([&](const std::string& option) {
        if (option == "-p") {
            options.crc = true;
        } else if (option == "--ta") {
            in.Value(option);  // tags are the calling program's business
        } else if (option == "--alt-preset") {
            const std::optional<std::string> kind = in.Value(option);
            if (kind && *kind != "cbr") {
                in.Fail("module -lame( supports only '--alt-preset cbr N', not '" + *kind + "'");
            } else if (kind) {
                options.bitrate = in.Number("--alt-preset cbr", 640).value_or(0);
            }
        } else {
            return false;
        }
        return true;
    });
}

void ReadAc3(ModuleReader& in, Options& options) {
    in.ForEachOption([&](const std::string& option) {
        if (option == "-b") {
            options.bitrate = in.Number(option, 100000).value_or(0);
        } else {
            return false;
        }
        return true;
    });
}

void ReadMp2(ModuleReader& in, Options& options) {
    in.ForEachOption([&](const std::string& option) {
        if (option == "-b") {
            options.bitrate = in.Number(option, 100000).value_or(0);
        } else if (option == "-e") {
            options.crc = true;
        } else if (option == "-m") {
            const std::string mode = in.Value(option).value_or("");
            if (mode == "s") {
                options.mpaMode = MpaMode::Stereo;
            } else if (mode == "j") {
                options.mpaMode = MpaMode::JointStereo;
            } else if (mode == "d") {
                options.mpaMode = MpaMode::DualChannel;
            } else if (!in.Failed()) {
                in.Fail("option -m of -mp2enc( takes s, j or d, not '" + mode + "'");
            }
        } else {
            return false;
        }
        return true;
    });
}

void ReadProfile(ModuleReader& in, Options& options) {
    while (const std::optional<std::string> name = in.NextOption()) {
        if (*name == "AC3_to_Six_Waves_5.1") {
            options.sixWaves = true;
        } else {
            in.Fail("unknown profile '" + *name + "'");
            return;
        }
    }
}

// Splits "-name(" into "-name"; for "-name" followed by the word "(" consumes both.
std::optional<std::string> ModuleName(const std::vector<std::string>& words, std::size_t& pos) {
    const std::string& word = words[pos];
    if (word.size() > 2 && word.front() == '-' && word.back() == '(') {
        ++pos;
        return word.substr(0, word.size() - 1);
    }
    if (word.size() > 1 && word.front() == '-' && pos + 1 < words.size() && words[pos + 1] == "(") {
        pos += 2;
        return word;
    }
    return std::nullopt;
}

// Takes `word` when it is one of the words between modules ("--progress", "--strict").
bool ReadSwitchWord(const std::string& word, Options& options) {
    if (word == "--progress") {
        options.progressLines = true;
    } else if (word == "--strict") {
        options.strict = true;
    } else {
        return false;
    }
    return true;
}

// Reads the options of the module `name` (its opening already consumed) into `options`.
void ReadModuleOptions(const std::string& name, ModuleReader& in, Options& options, int& encoders) {
    if (name == "-core") {
        ReadCore(in, options);
    } else if (name == "-azid") {
        ReadAzid(in, options);
    } else if (name == "-ssrc") {
        ReadSsrc(in, options);
    } else if (name == "-profile") {
        ReadProfile(in, options);
    } else if (name == "-lame") {
        ++encoders;
        options.target = Target::Mp3;
        ReadLame(in, options);
    } else if (name == "-ac3enc") {
        ++encoders;
        options.target = Target::Ac3;
        ReadAc3(in, options);
    } else if (name == "-mp2enc") {
        ++encoders;
        options.target = Target::Mpa;
        ReadMp2(in, options);
    } else {
        in.Fail("unknown module '" + name + "('");
    }
}

// Reads the module that starts at `pos` into `options`, moving `pos` past it; fails for a
// word that opens no module, a module given twice and anything wrong within.
Status ReadModule(const std::vector<std::string>& words, std::size_t& pos,
                  std::set<std::string>& seen, Options& options, int& encoders) {
    const std::optional<std::string> name = ModuleName(words, pos);
    if (!name) {
        return Status::BadCall("unexpected word '" + words[pos] +
                               "' outside a module (--help shows the syntax)");
    }
    if (!seen.insert(*name).second) {
        return Status::BadCall("module " + *name + "( is given twice");
    }
    ModuleReader in(words, pos, *name);
    ReadModuleOptions(*name, in, options, encoders);
    return in.status();
}

// The checks of the modules together: fails for the first thing wrong with the whole.
Status CheckWhole(const Options& options, int encoders) {
    const std::pair<bool, const char*> checks[] = {
        {encoders > 1, "only one of -lame(, -ac3enc( and -mp2enc( may be given"},
        {options.input.empty(), "no input file: -core( -input \"file\" ... ) is required"},
        {options.output.empty(), "no output file: -core( -output \"file\" ... ) is required"},
        {options.target != Target::Wav && options.bitrate == 0,
         "the encoder module needs a bitrate"},
        {options.sixWaves && options.target != Target::Wav,
         "profile AC3_to_Six_Waves_5.1 writes WAV files; no encoder module may be given"},
        {options.channels == ChannelSwitch::Six &&
             (options.target == Target::Mp3 || options.target == Target::Mpa),
         "-6ch needs a WAV or AC3 output; MP3 and MPA carry at most two channels"},
    };
    for (const auto& [wrong, text] : checks) {
        if (wrong) {
            return Status::BadCall(text);
        }
    }
    return Status::Ok();
}

}  // namespace

Result<Options> ParseOptions(const std::vector<std::string>& words) {
    Options options;
    std::set<std::string> seen;
    int encoders = 0;
    std::size_t pos = 0;
    while (pos < words.size()) {
        if (ReadSwitchWord(words[pos], options)) {
            ++pos;
            continue;
        }
        if (Status read = ReadModule(words, pos, seen, options, encoders); !read.ok()) {
            return read;
        }
    }
    if (Status whole = CheckWhole(options, encoders); !whole.ok()) {
        return whole;
    }
    return options;
}

std::string UsageText() {
    return "usage: BeSweet.exe -core( -input \"in\" -output \"out\" [-2ch|-6ch] )\n"
           "         [-azid( -d 3/2 )] [-ssrc( [--rate N] [--normalize] )]\n"
           "         [-lame( [-p] [--ta X] --alt-preset cbr N ) | -ac3enc( -b N ) |\n"
           "          -mp2enc( [-m s|j|d] -b N [-e] )] [-profile( AC3_to_Six_Waves_5.1 )]\n"
           "         [--progress] [--strict]\n"
           "       BeSweet.exe --help | --version\n";
}

std::optional<std::string> InfoText(const std::vector<std::string>& words) {
    if (words.empty()) {
        return std::nullopt;
    }
    if (words.front() == "--version") {
        return std::string("BeSweet.exe " TONQUELL_VERSION
                           " (the transcoder of Tonquell Audio Converter)\n");
    }
    if (words.front() != "--help" && words.front() != "-h") {
        return std::nullopt;
    }
    return "usage: BeSweet.exe MODULE... [--progress] [--strict]\n"
           "Converts one audio file. A module is a word -name( followed by its options and\n"
           "the word ); the modules may come in any order, each at most once.\n"
           "\n"
           "  -core( -input FILE -output FILE [-2ch | -6ch] )   required\n"
           "      -input FILE      the file to read: mp3, mp2, mpa, ac3, eac3, dts, vob, avi, "
           "wav,\n"
           "                       flac, ogg, oga, opus, m4a, m4b, mp4, mka, mkv, webm, wma, wmv,\n"
           "                       aiff, aifc, wv, ape, tta, ts, m2ts, aac\n"
           "      -output FILE     the file to write; replaced only when the run succeeds\n"
           "      -2ch             stereo output (multichannel sources are downmixed)\n"
           "      -6ch             5.1 output (WAV or AC3)\n"
           "  -azid( -d 3/2 )\n"
           "      -d 3/2           decode every channel, without dynamic range compression\n"
           "  -ssrc( [--rate N] [--normalize] )\n"
           "      --rate N         resample to N Hz (8000 to 384000)\n"
           "      --normalize      bring the loudest sample to full scale (reads the input twice)\n"
           "  -lame( [-p] [--ta X] --alt-preset cbr N )   MP3 output\n"
           "      -p               frames carry a CRC\n"
           "      --ta X           accepted and ignored (tags are the caller's business)\n"
           "      --alt-preset cbr N   constant N kbit/s\n"
           "  -ac3enc( -b N )                              AC3 output at N kbit/s\n"
           "  -mp2enc( [-m s|j|d] -b N [-e] )              MPA (MPEG Layer II) output\n"
           "      -m s|j|d         stereo (the default), joint stereo or dual channel\n"
           "      -b N             N kbit/s\n"
           "      -e               frames carry a CRC\n"
           "  -profile( AC3_to_Six_Waves_5.1 )\n"
           "      the output becomes a 5.1 WAV, with six mono WAVs beside it (_FL _FR _C _LFE\n"
           "      _SL _SR)\n"
           "Without -lame(, -ac3enc( or -mp2enc( the output is a 16-bit WAV.\n"
           "\n"
           "  --progress          print each new percentage as a line on stdout\n"
           "  --strict            refuse a damaged source instead of converting what decodes\n"
           "  --help, -h          this text\n"
           "  --version           the version\n"
           "\n"
           "Exit status: 0 done (warnings, such as damage in the source, on stderr), 1 the\n"
           "conversion failed, 2 a bad command line.\n";
}

}  // namespace transcoder
