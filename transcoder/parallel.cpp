#include "parallel.h"

#include <sched.h>
#include <signal.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace transcoder {
namespace {

// Blocks in flight between the threads: enough to ride out the unevenness of frames and
// encoder batches, small enough to stay in the caches (a few MiB at most).
constexpr std::size_t kQueueDepth = 16;
// With work that either thread may do, the producer takes some of it while the ring is full;
// a deeper ring lets that go on for longer runs.
constexpr std::size_t kSharingQueueDepth = 64;

// Holds the stop signals back on the calling thread while it lives. A thread started
// meanwhile inherits the mask and keeps it, so the signal handler that removes temporary
// files only ever runs on the main thread, whose own mask guards the file registry.
class StopSignalsHeld {
public:
    StopSignalsHeld() {
        sigset_t stops{};
        sigemptyset(&stops);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            sigaddset(&stops, sig);
        }
        pthread_sigmask(SIG_BLOCK, &stops, &previous_);
    }
    ~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

// The producer's side of a two-thread chain: fills blocks until the end, a failure or a stop.
void Produce(BlockQueue& queue, const std::function<Made(Block&)>& produce) {
    while (Block* block = queue.Free()) {
        const Made made = produce(*block);
        if (made != Made::Block) {
            queue.Close(made == Made::Failed);
            return;
        }
        queue.Push();
    }
}

// Work on the blocks of a chain that must be done in order, once per block, and that either
// thread may do: the producer while it is well ahead of the consumer, otherwise the consumer.
class SharedWork {
public:
    explicit SharedWork(const std::function<bool(Block&)>& work) : work_(work) {}

    // What Lend did.
    enum class Lent { Block, Nothing, Failed };

    // Producer: does the work on the oldest of the `pushed` blocks still without it; Nothing
    // when there is none or the consumer is at it.
    Lent Lend(BlockQueue& queue, std::size_t pushed) {
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock()) {
            return Lent::Nothing;
        }
        if (failed_) {
            return Lent::Failed;
        }
        const std::size_t next = done_.load(std::memory_order_relaxed);
        if (next == pushed) {
            return Lent::Nothing;
        }
        // The consumer gives a block back only once it went through here, so this one is
        // still in the ring, and the consumer looks at what the work adds only after it.
        if (!work_(queue.Pushed(next))) {
            failed_ = true;
            return Lent::Failed;
        }
        done_.store(next + 1, std::memory_order_release);
        return Lent::Block;
    }

    // Consumer: makes sure that `block`, the `index`-th, went through the work, doing it
    // when the producer did not; false when the work failed (here or on the producer).
    bool Through(Block& block, std::size_t index) {
        if (done_.load(std::memory_order_acquire) > index) {
            return true;
        }
        // The producer may be at this very block; that takes a moment, not worth sleeping.
        std::unique_lock lock(mutex_, std::try_to_lock);
        for (int spins = 0; !lock.owns_lock() && spins < kSpinsBeforeSleep; ++spins) {
#ifdef __SSE2__
            _mm_pause();
#endif
            lock.try_lock();
        }
        if (!lock.owns_lock()) {
            lock.lock();
        }
        if (!failed_ && done_.load(std::memory_order_relaxed) == index) {
            failed_ = !work_(block);
            done_.store(index + 1, std::memory_order_release);
        }
        return !failed_;
    }

    // Whether the work failed.
    bool Failed() {
        std::lock_guard lock(mutex_);
        return failed_;
    }

private:
    static constexpr int kSpinsBeforeSleep = 2000;
    const std::function<bool(Block&)>& work_;
    std::mutex mutex_;
    std::atomic<std::size_t> done_ = 0;  // blocks that went through, counted from the first
    bool failed_ = false;
};

// The producer's side of a chain with shared work: fills blocks, and lends a hand with the
// work from the moment the ring is full until it is less than half full, so that the work
// changes hands (and cores) in long runs, not every other block.
void ProduceAndLend(BlockQueue& queue, std::size_t depth,
                    const std::function<Made(Block&)>& produce, SharedWork& shared) {
    std::size_t pushed = 0;
    bool lending = false;
    while (true) {
        SharedWork::Lent lent = SharedWork::Lent::Nothing;
        do {
            const std::size_t waiting = queue.Waiting();
            lending = waiting >= depth || (lending && waiting >= depth / 2);
        } while (lending && (lent = shared.Lend(queue, pushed)) == SharedWork::Lent::Block);
        if (lent == SharedWork::Lent::Failed) {
            queue.Close(true);
            return;
        }
        Block* block = queue.Free();
        if (block == nullptr) {
            return;
        }
        const Made made = produce(*block);
        if (made != Made::Block) {
            queue.Close(made == Made::Failed);
            return;
        }
        queue.Push();
        ++pushed;
    }
}

}  // namespace

int ThreadCount() {
    const char* text = std::getenv("BESWEET_THREADS");
    if (text != nullptr) {
        char* end = nullptr;
        const long wanted = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && wanted > 0) {
            return wanted > 2 ? 2 : static_cast<int>(wanted);
        }
    }
    // The cores this process may run on (a taskset of one core gets one thread).
    cpu_set_t cores;
    CPU_ZERO(&cores);
    const bool known = sched_getaffinity(0, sizeof cores, &cores) == 0;
    return known && CPU_COUNT(&cores) == 1 ? 1 : 2;
}

ChainEnd RunChain(int threads, const std::function<Made(Block&)>& produce,
                  const std::function<bool(Block&)>& consume) {
    if (threads <= 1) {
        Block block;
        Made made = Made::Block;
        while ((made = produce(block)) == Made::Block) {
            if (!consume(block)) {
                return ChainEnd::ConsumerFailed;
            }
        }
        return made == Made::Failed ? ChainEnd::ProducerFailed : ChainEnd::Done;
    }
    BlockQueue queue(kQueueDepth);
    std::jthread producer = [&] {
        const StopSignalsHeld held;
        return std::jthread(Produce, std::ref(queue), std::cref(produce));
    }();
    while (Block* block = queue.Full()) {
        if (!consume(*block)) {
            queue.Stop();
            return ChainEnd::ConsumerFailed;  // the producer is joined on the way out
        }
        queue.Pop();
    }
    return queue.Failed() ? ChainEnd::ProducerFailed : ChainEnd::Done;
}

ChainEnd RunChain(int threads, const std::function<Made(Block&)>& produce,
                  const std::function<bool(Block&)>& middle,
                  const std::function<bool(Block&)>& consume) {
    if (!middle) {
        return RunChain(threads, produce, consume);
    }
    if (threads <= 1) {
        bool middleFailed = false;
        const ChainEnd end = RunChain(threads, produce, [&](Block& block) {
            if (!middle(block)) {
                middleFailed = true;
                return false;
            }
            return consume(block);
        });
        return middleFailed ? ChainEnd::MiddleFailed : end;
    }
    BlockQueue queue(kSharingQueueDepth);
    SharedWork shared(middle);
    std::jthread producer = [&] {
        const StopSignalsHeld held;
        return std::jthread(ProduceAndLend, std::ref(queue), kSharingQueueDepth, std::cref(produce),
                            std::ref(shared));
    }();
    std::size_t index = 0;
    while (Block* block = queue.Full()) {
        if (!shared.Through(*block, index)) {
            queue.Stop();
            return ChainEnd::MiddleFailed;
        }
        if (!consume(*block)) {
            queue.Stop();
            return ChainEnd::ConsumerFailed;  // the producer is joined on the way out
        }
        queue.Pop();
        ++index;
    }
    if (!queue.Failed()) {
        return ChainEnd::Done;
    }
    return shared.Failed() ? ChainEnd::MiddleFailed : ChainEnd::ProducerFailed;
}

Status RunSteps(int threads, const ProduceStep& produce, const BlockStep& middle,
                const BlockStep& consume) {
    // Each step keeps its own failure; the chain has ended (and its thread been joined) by
    // the time they are read.
    Status produced = Status::Ok();
    Status passed = Status::Ok();
    Status consumed = Status::Ok();
    std::function<bool(Block&)> middleStep;
    if (middle) {
        middleStep = [&](Block& block) {
            passed = middle(block);
            return passed.ok();
        };
    }
    const ChainEnd end = RunChain(
        threads,
        [&](Block& block) {
            Result<bool> made = produce(block);
            if (!made) {
                produced = made.status();
                return Made::Failed;
            }
            return *made ? Made::Block : Made::End;
        },
        middleStep,
        [&](Block& block) {
            consumed = consume(block);
            return consumed.ok();
        });
    switch (end) {
        case ChainEnd::ProducerFailed:
            return produced;
        case ChainEnd::MiddleFailed:
            return passed;
        case ChainEnd::ConsumerFailed:
            return consumed;
        case ChainEnd::Done:
            break;
    }
    return Status::Ok();
}

}  // namespace transcoder
