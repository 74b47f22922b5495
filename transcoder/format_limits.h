#pragma once

#include <string>

#include "options.h"

namespace transcoder {

// The sample rate the encoder of `target` is given for a stream at `rate` Hz: `rate` when
// the encoder takes it, otherwise the highest rate it takes below `rate`, or, when there is
// none below, the lowest it takes (AC3 from 22.05 kHz gets 32 kHz). WAV takes every rate.
int EncoderRate(Target target, int rate);

// A bitrate the encoder of `target` accepts at `rate` Hz with `channels` channels: the
// requested one when valid, else the highest valid one below it (the lowest valid one
// when none lies below). 0 for WAV.
int EncoderBitrate(Target target, int requestedKbps, int rate, int channels);

}  // namespace transcoder
