#pragma once

#include <functional>

#include "block_queue.h"
#include "status.h"

namespace transcoder {

// How many threads a conversion uses: BESWEET_THREADS when it holds a positive number (1 runs
// all work on the calling thread), otherwise 2, or 1 when the process may use a single core only.
int ThreadCount();

// What a producer made of a block.
enum class Made { Block, End, Failed };

// How a chain of a producer and a consumer ended.
enum class ChainEnd { Done, ProducerFailed, MiddleFailed, ConsumerFailed };

// Has `produce` fill blocks until it says End or Failed, and hands each block made to
// `consume`, in order, on the calling thread; a consume that returns false ends the chain.
// With `threads` above 1, `produce` runs on a thread of its own (with the stop signals held
// back, so they reach the calling thread), a few blocks ahead of `consume`; the blocks and
// their order are the same either way, and so is the outcome. `produce` and `consume` must
// share no state but the blocks.
ChainEnd RunChain(int threads, const std::function<Made(Block&)>& produce,
                  const std::function<bool(Block&)>& consume);

// The same chain with `middle` applied to every block, in order, between `produce` and
// `consume`; a middle that returns false ends the chain. With `threads` above 1 the middle
// runs on the producer's thread while the producer is well ahead, otherwise on the calling
// thread, so that the two threads share it as the balance of the moment allows; one at a time
// and in order either way. An empty `middle` gives the plain chain.
ChainEnd RunChain(int threads, const std::function<Made(Block&)>& produce,
                  const std::function<bool(Block&)>& middle,
                  const std::function<bool(Block&)>& consume);

// The steps of a chain that say why they failed: a producer that fills a block (true) or
// tells the end of its stream (false), and steps that take a block on.
using ProduceStep = std::function<Result<bool>(Block&)>;
using BlockStep = std::function<Status(Block&)>;

// RunChain over steps that say why they failed: Ok once the producer's stream went through,
// else the failure of the step that ended the chain. `middle` may be empty.
Status RunSteps(int threads, const ProduceStep& produce, const BlockStep& middle,
                const BlockStep& consume);

}  // namespace transcoder
