#pragma once

#include <functional>
#include <memory>

#include "block_queue.h"
#include "planes.h"
#include "resampler.h"
#include "status.h"

namespace transcoder {

// Resampling on the consumer's side of a chain, for a consumer that has less to do than the
// decoder: blocks pass through unchanged when no resampling is asked for. Sources of several
// channels split it: the consumer resamples the front half of the channels, and the back
// half is the chain's middle step, which the producer takes on while it is ahead.
class LateResampler {
public:
    // Sets up resampling of `channels` channels from `inRate` to `outRate` (none when they
    // are equal); fails when a resampler cannot be set up.
    Status Open(int inRate, int outRate, int channels);

    // Whether blocks are resampled at all.
    bool Active() const { return front_ != nullptr; }

    // The chain's middle step: resamples the back channels of a block into its side planes;
    // empty when there is nothing to share.
    std::function<Status(Block&)> Middle();

    // The planes that `block` turns into (possibly none yet); fails when resampling does.
    Result<Planes*> Apply(Block& block);

    // What is left in the resampler at the end (possibly none); fails when resampling does.
    // Only once the chain has ended.
    Result<Planes*> Flush();

private:
    // The front channels followed by `back`, swapped into place so that the buffers
    // circulate; fails when the halves differ in length.
    Result<Planes*> Join(Planes& back);

    std::unique_ptr<Resampler> front_;
    std::unique_ptr<Resampler> back_;
    Planes frontOut_;
    Planes backRest_;
    Planes out_;
};

}  // namespace transcoder
