#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <memory>
#include <vector>

#include "channel_mix.h"
#include "planes.h"
#include "resampler.h"
#include "status.h"

namespace transcoder {

// Gives every part of a stream the one layout and sample rate of the output: a part in
// another layout is mapped onto it by role, a part at another rate (joined files) is
// resampled to it.
class StreamConformer {
public:
    StreamConformer() = default;
    ~StreamConformer();
    StreamConformer(const StreamConformer&) = delete;
    StreamConformer& operator=(const StreamConformer&) = delete;

    // Takes the layout and rate of `first`, the stream's first frame; fails when they are
    // not valid.
    Status Start(const AVFrame& first);

    // From now on maps every part, the first one included, by role onto `roles` (in native
    // order). Fails for roles that no native layout holds in that order.
    Status ConformTo(const std::vector<AVChannel>& roles);

    int SampleRate() const { return rate_; }
    const AVChannelLayout& Layout() const { return layout_; }

    // Replaces `out` with the samples of `frame` in Layout() at SampleRate() (possibly none
    // yet, when a resampler holds them back); gives their depth: 16-bit samples stay 16-bit
    // values where channels are only routed, not mixed or resampled.
    Result<Depth> Take(const AVFrame& frame, Planes& out);

    // At the end of the stream: replaces `out` with what a resampler still holds (possibly
    // nothing), of depth Finer.
    Status Flush(Planes& out);

private:
    Status ToLayout(const AVFrame& frame, Planes& target);
    Status EndRateFix(Planes& tail);

    AVChannelLayout layout_{};       // the first part's, or the one ConformTo set
    AVChannelLayout conformFrom_{};  // the changed layout that conform_ maps
    MixPlan conform_;
    Planes changed_;
    std::unique_ptr<Resampler> rateFix_;  // for a part of the stream at another rate
    int rateFixFrom_ = 0;
    int rate_ = 0;
    Planes otherRate_;
    Planes tail_;
};

}  // namespace transcoder
