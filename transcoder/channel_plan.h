#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <string>
#include <vector>

#include "channel_mix.h"
#include "options.h"

namespace transcoder {

// Which channels a conversion gives its output, as the options ask for them.

// Whether the output has six channels: -6ch, or the six-WAV profile.
bool TakesSixChannels(const Options& options);

// The channel plan for a source with channels `inRoles`, as `options` ask for it.
MixPlan ChoosePlan(const Options& options, const std::vector<AVChannel>& inRoles);

// The channels of all parts of the stream of `options.input` together, as far as they are
// known before decoding; `first` those of the part it begins with. A stream may widen later
// (broadcasts switch from stereo to 5.1), which only matters when the output could take more
// channels than the first part has; AC-3 sources are then scanned for it.
std::vector<AVChannel> SourceRoles(const Options& options, const std::vector<AVChannel>& first);

// The layout the decoder maps every part of the stream onto; empty to keep the one the
// stream begins with (`first`). Targets of six channels get 5.1 from the start, so that no
// part is squeezed into the layout of an earlier one; an AC3 target without a channel switch
// gets the channels of all parts, `all` (5.1 when the encoder cannot take them), when the
// stream is known to widen.
std::vector<AVChannel> ReferenceRoles(const Options& options, const std::vector<AVChannel>& first,
                                      const std::vector<AVChannel>& all);

// True when some output channel of `plan` takes nothing from the source.
bool HasSilentOutput(const MixPlan& plan);

// The names of `roles` joined by "+", e.g. "FL+FR".
std::string LayoutName(const std::vector<AVChannel>& roles);

}  // namespace transcoder
