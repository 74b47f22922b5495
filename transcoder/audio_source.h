#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <memory>
#include <vector>

#include "block_queue.h"
#include "channel_mix.h"
#include "decoder.h"
#include "options.h"
#include "resampler.h"
#include "status.h"

namespace transcoder {

// The source side of a conversion: decoding, channel mixing and, when asked, resampling;
// the part of the chain both passes of a normalisation share.
class AudioSource {
public:
    // Opens `options.input` and fixes the channels its blocks will have; fails when the
    // decoder cannot be opened or its layout set.
    static Result<std::unique_ptr<AudioSource>> Open(const Options& options);

    // Resamples every block to `outRate` from the first one on; fails when the resampler
    // cannot be set up. Call before the first Next.
    Status ResampleTo(int outRate);

    // The next block of output planes into `block` (swapped in, so that the buffers
    // circulate) with the share of the input read and their depth: true, or false at the end
    // of the stream.
    Result<bool> Next(Block& block);

    const Decoder& decoder() const { return *decoder_; }
    const MixPlan& plan() const { return plan_; }
    // The source's channels as far as they are known before decoding: those of all parts
    // together when the headers were scanned, otherwise those the stream begins with.
    const std::vector<AVChannel>& sourceRoles() const { return sourceRoles_; }

private:
    AudioSource() = default;
    // The next decoded and mixed planes (possibly none), with their depth in `depth`, or
    // null at the end of the stream.
    Result<Planes*> Decode(Depth& depth);

    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Resampler> resampler_;
    MixPlan plan_;
    std::vector<AVChannel> sourceRoles_;
    Planes decoded_;
    Planes mixed_;
    Planes resampled_;
    bool flushed_ = false;
};

}  // namespace transcoder
