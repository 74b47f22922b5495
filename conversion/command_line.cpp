#include "command_line.h"

#include <algorithm>
#include <cctype>

namespace {

std::string CoreBlock(const ConversionJob& job) {
    return " -core( -input \"" + job.SourcePath + "\" -output \"" + job.TargetPath + "\"";
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

bool IsSafeForCommandLine(std::string_view path) {
    if (path.empty() || path == ")") {
        return false;
    }
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

bool IsMultichannelSource(std::string_view sourceKind) {
    return sourceKind == "AC3" || sourceKind == "VOB";
}

std::string TranscoderCommandLine(const ConversionJob& job) {
    const bool multichannel = IsMultichannelSource(job.SourceKind);
    const std::string bitrate = std::to_string(job.Bitrate);
    const std::string downmix = multichannel ? " ) -azid( -d 3/2 )" : " )";
    std::string text = CoreBlock(job);
    switch (job.Format) {
        case TargetFormat::Wav:
            if (!multichannel) {
                text += " -2ch )" + OptionBlock(job);
            } else if (job.SplitToSixWav) {
                text += " -6ch ) -azid( -d 3/2 )" + OptionBlock(job) +
                        " -profile( AC3_to_Six_Waves_5.1 )";
            } else {
                text += " -2ch ) -azid( -d 3/2 )" + OptionBlock(job);
            }
            break;
        case TargetFormat::Mp3:
            text +=
                downmix + OptionBlock(job) + " -lame( -p --ta ? --alt-preset cbr " + bitrate + " )";
            break;
        case TargetFormat::Ac3:
            text += downmix + OptionBlock(job) + " -ac3enc( -b " + bitrate + " )";
            break;
        case TargetFormat::Mpa:
            text += downmix + OptionBlock(job) + " -mp2enc( -m s -b " + bitrate + " -e )";
            break;
    }
    return text;
}
