#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include "planes.h"
#include "status.h"

namespace transcoder {

// Replaces the contents of `out` with the samples of `frame`, one float plane per channel
// (full scale 1.0). Fails for a sample format it does not know.
Status ToPlanarFloat(const AVFrame& frame, Planes& out);

// True for sample formats of 16 bits or fewer (8- and 16-bit integers), whose values float
// planes hold exactly and 16 bits give back exactly.
bool FitsSixteenBits(int format);

}  // namespace transcoder
