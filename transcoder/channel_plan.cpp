#include "channel_plan.h"

#include <algorithm>

#include "ac3_sink.h"
#include "layout_scan.h"

namespace transcoder {

bool TakesSixChannels(const Options& options) {
    return options.sixWaves || options.channels == ChannelSwitch::Six;
}

MixPlan ChoosePlan(const Options& options, const std::vector<AVChannel>& inRoles) {
    if (TakesSixChannels(options)) {
        return SixPlan(inRoles);
    }
    if (options.channels == ChannelSwitch::Stereo) {
        return StereoPlan(inRoles);
    }
    switch (options.target) {
        case Target::Wav:
            return KeepPlan(inRoles);
        case Target::Mp3:
        case Target::Mpa:
            return inRoles.size() > 2 ? StereoPlan(inRoles) : KeepPlan(inRoles);
        case Target::Ac3:
            if (Ac3TakesLayout(inRoles)) {
                return KeepPlan(inRoles);
            }
            return inRoles.size() > 2 ? SixPlan(inRoles) : StereoPlan(inRoles);
    }
    return KeepPlan(inRoles);
}

std::vector<AVChannel> SourceRoles(const Options& options, const std::vector<AVChannel>& first) {
    const bool couldWiden = TakesSixChannels(options) || (options.target == Target::Ac3 &&
                                                          options.channels == ChannelSwitch::None);
    if (!couldWiden || first.size() >= 6) {
        return first;
    }
    std::vector<AVChannel> all = Ac3StreamRoles(options.input);
    // The decoder's roles for the first part win over the headers' where they differ.
    for (const AVChannel role : first) {
        if (std::find(all.begin(), all.end(), role) == all.end()) {
            return first;
        }
    }
    return all.empty() ? first : all;
}

std::vector<AVChannel> ReferenceRoles(const Options& options, const std::vector<AVChannel>& first,
                                      const std::vector<AVChannel>& all) {
    if (TakesSixChannels(options)) {
        return SixPlan(all).outRoles;
    }
    if (options.target == Target::Ac3 && options.channels == ChannelSwitch::None &&
        all.size() > first.size()) {
        return Ac3TakesLayout(all) ? all : SixPlan(all).outRoles;
    }
    return {};
}

bool HasSilentOutput(const MixPlan& plan) {
    const std::size_t in = static_cast<std::size_t>(plan.inChannels);
    for (std::size_t o = 0; o < plan.outRoles.size(); ++o) {
        const auto row = plan.matrix.begin() + static_cast<std::ptrdiff_t>(o * in);
        if (std::all_of(row, row + static_cast<std::ptrdiff_t>(in),
                        [](float w) { return w == 0.0f; })) {
            return true;
        }
    }
    return false;
}

std::string LayoutName(const std::vector<AVChannel>& roles) {
    std::string names;
    for (const AVChannel role : roles) {
        char name[32] = {};
        av_channel_name(name, sizeof name, role);
        if (!names.empty()) {
            names += '+';
        }
        names += name;
    }
    return names;
}

}  // namespace transcoder
