#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

// Collects the text and the words side by side. Option text is split into words at its
// blanks, as the launcher splits it; a path goes into the text between double quotes and
// into the current word as it is, so no byte of it is ever read as a separator.
class ArgumentWriter {
public:
    void Options(std::string_view text) {
        for (const char c : text) {
            args_.Text.push_back(c);
            if (c == ' ') {
                EndWord();
            } else {
                word_.push_back(c);
                inWord_ = true;
            }
        }
    }

    void Path(std::string_view path) {
        args_.Text.push_back('"');
        args_.Text.append(path);
        args_.Text.push_back('"');
        word_.append(path);
        inWord_ = true;
    }

    TranscoderArguments Finish() && {
        EndWord();
        return std::move(args_);
    }

private:
    void EndWord() {
        if (inWord_) {
            args_.Words.push_back(std::move(word_));
            word_.clear();
            inWord_ = false;
        }
    }

    TranscoderArguments args_;
    std::string word_;
    bool inWord_ = false;
};

void CoreBlock(const ConversionJob& job, ArgumentWriter& out) {
    out.Options(" -core( -input ");
    out.Path(job.SourcePath);
    out.Options(" -output ");
    out.Path(job.TargetPath);
}

// The resampling block. WAV offers two rates and ends in a blank; the others offer one.
std::string OptionBlock(const ConversionJob& job) {
    if (job.ResampleChoice == 0) {
        return {};
    }
    std::string block;
    switch (job.Format) {
        case TargetFormat::Wav:
            if (job.ResampleChoice == 1) {
                block = " -ssrc( --rate 44100";
            } else if (job.ResampleChoice == 2) {
                block = " -ssrc( --rate 48000";
            }
            break;
        case TargetFormat::Mp3:
            if (job.ResampleChoice == 1) {
                block = " -ssrc( --rate 44100";
            }
            break;
        case TargetFormat::Ac3:
        case TargetFormat::Mpa:
            if (job.ResampleChoice == 1) {
                block = " -ssrc( --rate 48000";
            }
            break;
    }
    if (job.Normalise) {
        block += " --normalize";
    }
    block += job.Format == TargetFormat::Wav ? " ) " : " )";
    return block;
}

}  // namespace

std::string SourceKindOf(std::string_view sourcePath) {
    std::string kind(
        sourcePath.substr(sourcePath.size() - std::min<std::size_t>(3, sourcePath.size())));
    for (char& c : kind) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return kind;
}

bool IsMultichannelSource(std::string_view sourceKind) {
    return sourceKind == "AC3" || sourceKind == "VOB";
}

TranscoderArguments BuildTranscoderArguments(const ConversionJob& job) {
    const bool multichannel = IsMultichannelSource(job.SourceKind);
    const std::string bitrate = std::to_string(job.Bitrate);
    const std::string downmix = multichannel ? " ) -azid( -d 3/2 )" : " )";
    ArgumentWriter out;
    CoreBlock(job, out);
    switch (job.Format) {
        case TargetFormat::Wav:
            if (!multichannel) {
                out.Options(" -2ch )" + OptionBlock(job));
            } else if (job.SplitToSixWav) {
                out.Options(" -6ch ) -azid( -d 3/2 )" + OptionBlock(job) +
                            " -profile( AC3_to_Six_Waves_5.1 )");
            } else {
                out.Options(" -2ch ) -azid( -d 3/2 )" + OptionBlock(job));
            }
            break;
        case TargetFormat::Mp3:
            out.Options(downmix + OptionBlock(job) + " -lame( -p --ta ? --alt-preset cbr " +
                        bitrate + " )");
            break;
        case TargetFormat::Ac3:
            out.Options(downmix + OptionBlock(job) + " -ac3enc( -b " + bitrate + " )");
            break;
        case TargetFormat::Mpa:
            out.Options(downmix + OptionBlock(job) + " -mp2enc( -m s -b " + bitrate + " -e )");
            break;
    }
    return std::move(out).Finish();
}

std::string TranscoderCommandLine(const ConversionJob& job) {
    return BuildTranscoderArguments(job).Text;
}
