#include "format_limits.h"

#include <algorithm>
#include <vector>

namespace transcoder {
namespace {

int Pick(const std::vector<int>& valid, int wanted) {
    int best = valid.front();
    for (const int value : valid) {
        if (value <= wanted) {
            best = value;
        }
    }
    return best;
}

std::vector<int> Rates(Target target) {
    switch (target) {
        case Target::Mp3:
            return {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
        case Target::Ac3:
            return {32000, 44100, 48000};
        case Target::Mpa:
            return {16000, 22050, 24000, 32000, 44100, 48000};
        case Target::Wav:
            break;
    }
    return {};
}

std::vector<int> Bitrates(Target target, int rate, int channels) {
    const bool mpeg1 = rate >= 32000;
    switch (target) {
        case Target::Mp3:
            if (mpeg1) {
                return {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
            }
            // LAME codes MPEG-2.5 (8 to 12 kHz) at up to 64 kbit/s.
            if (rate < 16000) {
                return {8, 16, 24, 32, 40, 48, 56, 64};
            }
            return {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
        case Target::Ac3:
            return {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                    192, 224, 256, 320, 384, 448, 512, 576, 640};
        case Target::Mpa:
            if (!mpeg1) {
                return {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
            }
            // MPEG-1 Layer II allows the low rates for one channel only, the high ones for
            // two channels only.
            if (channels == 1) {
                return {32, 48, 56, 64, 80, 96, 112, 128, 160, 192};
            }
            return {64, 96, 112, 128, 160, 192, 224, 256, 320, 384};
        case Target::Wav:
            break;
    }
    return {};
}

}  // namespace

int EncoderRate(Target target, int rate) {
    const std::vector<int> valid = Rates(target);
    if (valid.empty() || std::find(valid.begin(), valid.end(), rate) != valid.end()) {
        return rate;
    }
    return Pick(valid, rate);
}

int EncoderBitrate(Target target, int requestedKbps, int rate, int channels) {
    const std::vector<int> valid = Bitrates(target, rate, channels);
    if (valid.empty()) {
        return 0;
    }
    return Pick(valid, requestedKbps);
}

}  // namespace transcoder
