#include "parallel.h"

#include <sched.h>
#include <signal.h>

#include <cstdlib>
#include <functional>
#include <thread>

namespace transcoder {
namespace {

// Blocks in flight between the threads: enough to ride out the unevenness of frames and
// encoder batches, small enough to stay in the caches (a few MiB at most).
constexpr std::size_t kQueueDepth = 16;

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

}  // namespace transcoder
