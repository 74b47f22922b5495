#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "planes.h"

namespace transcoder {

// Audio on its way from one thread to another, with the share of the input read when it was
// made, and what a middle stage of the chain made of it beside (empty without one).
struct Block {
    Planes planes;
    Planes side;
    double progress = 0.0;
    Depth depth = Depth::Finer;  // of `planes`
};

// A fixed ring of blocks between one producing and one consuming thread. The blocks are
// filled and emptied in turn, so once their planes have grown nothing more is allocated.
// A waiting side is woken only when half the ring is ready for it, not for every block.
class BlockQueue {
public:
    // A ring of `depth` blocks (at least 2).
    explicit BlockQueue(std::size_t depth);

    // Producer: the next block to fill, waiting until the consumer has emptied it; null once
    // the consumer called Stop.
    Block* Free();
    // Producer: hands the block from Free on to the consumer.
    void Push();
    // Producer: no block follows; `failed` says whether the producer ended on a failure.
    void Close(bool failed);
    // Producer: how many blocks pushed the consumer has not given back yet.
    std::size_t Waiting();
    // Producer: the block pushed as the `index`-th (from 0); only while the consumer has not
    // given it back.
    Block& Pushed(std::size_t index) { return ring_[index % ring_.size()]; }

    // Consumer: the next filled block, waiting for it; null once the producer closed the
    // queue and every block before the close was taken.
    Block* Full();
    // Consumer: gives the block from Full back for refilling.
    void Pop();
    // Consumer: whether the producer closed on a failure (meaningful once Full gave null).
    bool Failed();
    // Consumer: stops the producer; its next Free gives null.
    void Stop();

    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

private:
    std::vector<Block> ring_;
    std::mutex mutex_;
    std::condition_variable roomFreed_;
    std::condition_variable blockAdded_;
    std::size_t pushed_ = 0;
    std::size_t popped_ = 0;
    bool producerWaits_ = false;
    bool consumerWaits_ = false;
    bool closed_ = false;
    bool failed_ = false;
    bool stopped_ = false;
};

}  // namespace transcoder
