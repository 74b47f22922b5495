#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cstddef>
#include <vector>

#include "planes.h"

namespace transcoder {

// A linear map from the source's channels to the output's: out[o] = sum of
// matrix[o * inChannels + i] * in[i], with the output channels' roles.
struct MixPlan {
    int inChannels = 0;
    std::vector<AVChannel> outRoles;
    std::vector<float> matrix;
    bool identity = false;
    bool operator==(const MixPlan&) const = default;
};

// Keeps every channel as it is.
MixPlan KeepPlan(const std::vector<AVChannel>& inRoles);

// Stereo: a mono source goes to both sides, two channels stay, more are downmixed with the
// ITU-R BS.775 coefficients (L + 0.707 C + 0.707 Ls, R + 0.707 C + 0.707 Rs, LFE dropped),
// scaled so that no input can clip.
MixPlan StereoPlan(const std::vector<AVChannel>& inRoles);

// 5.1 in the order FL FR FC LFE SL SR (BL BR when the source has back but no side
// channels): each source channel goes to its role; a mono source becomes the centre;
// roles the source lacks stay silent.
MixPlan SixPlan(const std::vector<AVChannel>& inRoles);

// Maps a part of the stream onto the layout every part is given, `targetRoles`: into one or
// two channels as StereoPlan does (mono takes the mean of left and right), into more channels
// by role as SixPlan does (side and back surrounds counting as one), a mono source into the
// centre (or both fronts without a centre). Unmatched targets stay silent.
MixPlan ConformPlan(const std::vector<AVChannel>& inRoles,
                    const std::vector<AVChannel>& targetRoles);

// True when `plan` only routes: every output channel is one source channel as it is, or
// silent; no sample value changes.
bool RoutesOnly(const MixPlan& plan);

// Applies `plan` to the planes `in`; `out` gets one plane per output channel.
void ApplyMix(const MixPlan& plan, const Planes& in, Planes& out);

// Sets `layout` to the native-order layout of `roles`; false when a role repeats, is no
// native channel, or the roles are not in native order.
bool NativeLayout(const std::vector<AVChannel>& roles, AVChannelLayout& layout);

// The roles of `layout`'s channels in order; unknown orders get the default layout's roles.
std::vector<AVChannel> ChannelRoles(const AVChannelLayout& layout);

}  // namespace transcoder
