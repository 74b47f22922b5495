#include "channel_mix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace transcoder {
namespace {

constexpr float kMinus3dB = 0.70710678f;

bool Has(const std::vector<AVChannel>& roles, AVChannel role) {
    return std::find(roles.begin(), roles.end(), role) != roles.end();
}

// Left and right weights of one source channel in a stereo downmix.
std::pair<float, float> StereoWeights(AVChannel role) {
    switch (role) {
        case AV_CHAN_FRONT_LEFT:
        case AV_CHAN_FRONT_LEFT_OF_CENTER:
        case AV_CHAN_WIDE_LEFT:
            return {1.0f, 0.0f};
        case AV_CHAN_FRONT_RIGHT:
        case AV_CHAN_FRONT_RIGHT_OF_CENTER:
        case AV_CHAN_WIDE_RIGHT:
            return {0.0f, 1.0f};
        case AV_CHAN_FRONT_CENTER:
            return {kMinus3dB, kMinus3dB};
        case AV_CHAN_SIDE_LEFT:
        case AV_CHAN_BACK_LEFT:
        case AV_CHAN_SURROUND_DIRECT_LEFT:
            return {kMinus3dB, 0.0f};
        case AV_CHAN_SIDE_RIGHT:
        case AV_CHAN_BACK_RIGHT:
        case AV_CHAN_SURROUND_DIRECT_RIGHT:
            return {0.0f, kMinus3dB};
        case AV_CHAN_BACK_CENTER:
            return {0.5f, 0.5f};
        default:
            return {0.0f, 0.0f};  // LFE and height channels are dropped
    }
}

// Scales every row so that the largest sum of absolute weights is at most one.
void ScaleAgainstClipping(MixPlan& plan) {
    float worst = 0.0f;
    const std::size_t in = static_cast<std::size_t>(plan.inChannels);
    for (std::size_t o = 0; o < plan.outRoles.size(); ++o) {
        float sum = 0.0f;
        for (std::size_t i = 0; i < in; ++i) {
            sum += std::fabs(plan.matrix[o * in + i]);
        }
        worst = std::max(worst, sum);
    }
    if (worst > 1.0f) {
        for (float& w : plan.matrix) {
            w /= worst;
        }
    }
}

}  // namespace

MixPlan KeepPlan(const std::vector<AVChannel>& inRoles) {
    MixPlan plan;
    plan.inChannels = static_cast<int>(inRoles.size());
    plan.outRoles = inRoles;
    plan.identity = true;
    const std::size_t n = inRoles.size();
    plan.matrix.assign(n * n, 0.0f);
    for (std::size_t i = 0; i < n; ++i) {
        plan.matrix[i * n + i] = 1.0f;
    }
    return plan;
}

MixPlan StereoPlan(const std::vector<AVChannel>& inRoles) {
    const std::size_t n = inRoles.size();
    if (n == 2) {
        MixPlan plan = KeepPlan(inRoles);
        plan.outRoles = {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT};
        return plan;
    }
    MixPlan plan;
    plan.inChannels = static_cast<int>(n);
    plan.outRoles = {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT};
    plan.matrix.assign(2 * n, 0.0f);
    if (n == 1) {
        plan.matrix = {1.0f, 1.0f};
        return plan;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const auto [left, right] = StereoWeights(inRoles[i]);
        plan.matrix[i] = left;
        plan.matrix[n + i] = right;
    }
    ScaleAgainstClipping(plan);
    return plan;
}

MixPlan SixPlan(const std::vector<AVChannel>& inRoles) {
    const bool backOnly = !Has(inRoles, AV_CHAN_SIDE_LEFT) && Has(inRoles, AV_CHAN_BACK_LEFT);
    MixPlan plan = ConformPlan(
        inRoles, {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_FRONT_CENTER,
                  AV_CHAN_LOW_FREQUENCY, backOnly ? AV_CHAN_BACK_LEFT : AV_CHAN_SIDE_LEFT,
                  backOnly ? AV_CHAN_BACK_RIGHT : AV_CHAN_SIDE_RIGHT});
    plan.identity = plan.matrix == KeepPlan(plan.outRoles).matrix;
    return plan;
}

MixPlan ConformPlan(const std::vector<AVChannel>& inRoles,
                    const std::vector<AVChannel>& targetRoles) {
    const std::size_t n = inRoles.size();
    if (targetRoles.size() <= 2) {
        MixPlan plan = StereoPlan(inRoles);
        plan.identity = false;
        if (targetRoles.size() == 1) {
            for (std::size_t i = 0; i < n; ++i) {
                plan.matrix[i] = 0.5f * (plan.matrix[i] + plan.matrix[n + i]);
            }
            plan.matrix.resize(n);
        }
        plan.outRoles = targetRoles;
        return plan;
    }
    auto slot = [](AVChannel role) {
        switch (role) {
            case AV_CHAN_BACK_LEFT:
                return AV_CHAN_SIDE_LEFT;
            case AV_CHAN_BACK_RIGHT:
                return AV_CHAN_SIDE_RIGHT;
            default:
                return role;
        }
    };
    MixPlan plan;
    plan.inChannels = static_cast<int>(n);
    plan.outRoles = targetRoles;
    plan.matrix.assign(targetRoles.size() * n, 0.0f);
    const bool hasCentre = Has(targetRoles, AV_CHAN_FRONT_CENTER);
    // Side and back channels share the surround slots; with both present each gets -3 dB.
    const bool sideAndBack = Has(inRoles, AV_CHAN_SIDE_LEFT) && Has(inRoles, AV_CHAN_BACK_LEFT);
    for (std::size_t o = 0; o < targetRoles.size(); ++o) {
        for (std::size_t i = 0; i < n; ++i) {
            const AVChannel role = targetRoles[o];
            const bool monoHere =
                n == 1 && (hasCentre ? role == AV_CHAN_FRONT_CENTER
                                     : role == AV_CHAN_FRONT_LEFT || role == AV_CHAN_FRONT_RIGHT);
            if (monoHere || (n > 1 && slot(inRoles[i]) == slot(role))) {
                const bool surround =
                    slot(role) == AV_CHAN_SIDE_LEFT || slot(role) == AV_CHAN_SIDE_RIGHT;
                plan.matrix[o * n + i] = surround && sideAndBack ? kMinus3dB : 1.0f;
            }
        }
    }
    return plan;
}

bool RoutesOnly(const MixPlan& plan) {
    const std::size_t in = static_cast<std::size_t>(plan.inChannels);
    for (std::size_t o = 0; o < plan.outRoles.size(); ++o) {
        int sources = 0;
        for (std::size_t i = 0; i < in; ++i) {
            const float weight = plan.matrix[o * in + i];
            if (weight != 0.0f && (weight != 1.0f || ++sources > 1)) {
                return false;
            }
        }
    }
    return true;
}

void ApplyMix(const MixPlan& plan, const Planes& in, Planes& out) {
    const std::size_t inCh = static_cast<std::size_t>(plan.inChannels);
    const std::size_t outCh = plan.outRoles.size();
    const std::size_t frames = FrameCount(in);
    out.resize(outCh);
    for (std::size_t o = 0; o < outCh; ++o) {
        std::vector<float>& dst = out[o];
        dst.assign(frames, 0.0f);
        for (std::size_t i = 0; i < inCh; ++i) {
            const float weight = plan.matrix[o * inCh + i];
            if (weight == 0.0f) {
                continue;
            }
            const float* src = in[i].data();
            for (std::size_t f = 0; f < frames; ++f) {
                dst[f] += weight * src[f];
            }
        }
    }
}

bool NativeLayout(const std::vector<AVChannel>& roles, AVChannelLayout& layout) {
    std::uint64_t mask = 0;
    for (const AVChannel role : roles) {
        if (role < 0 || role >= 64 || (mask & (1ULL << role)) != 0) {
            return false;
        }
        mask |= 1ULL << role;
    }
    if (av_channel_layout_from_mask(&layout, mask) < 0) {
        return false;
    }
    // The mask fixes the native order; the roles must already be in it.
    for (std::size_t i = 0; i < roles.size(); ++i) {
        if (av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(i)) != roles[i]) {
            av_channel_layout_uninit(&layout);
            return false;
        }
    }
    return true;
}

std::vector<AVChannel> ChannelRoles(const AVChannelLayout& layout) {
    AVChannelLayout known{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&known, layout.nb_channels);
    } else if (av_channel_layout_copy(&known, &layout) < 0) {
        av_channel_layout_default(&known, layout.nb_channels);
    }
    std::vector<AVChannel> roles;
    for (int i = 0; i < known.nb_channels; ++i) {
        roles.push_back(av_channel_layout_channel_from_index(&known, static_cast<unsigned>(i)));
    }
    av_channel_layout_uninit(&known);
    return roles;
}

}  // namespace transcoder
