#include "block_queue.h"

#include <algorithm>

namespace transcoder {

BlockQueue::BlockQueue(std::size_t depth) : ring_(std::max<std::size_t>(depth, 2)) {}

Block* BlockQueue::Free() {
    std::unique_lock lock(mutex_);
    while (!stopped_ && pushed_ - popped_ == ring_.size()) {
        producerWaits_ = true;
        roomFreed_.wait(lock);
    }
    producerWaits_ = false;
    return stopped_ ? nullptr : &ring_[pushed_ % ring_.size()];
}

void BlockQueue::Push() {
    std::lock_guard lock(mutex_);
    ++pushed_;
    if (consumerWaits_ && pushed_ - popped_ >= ring_.size() / 2) {
        blockAdded_.notify_one();
    }
}

void BlockQueue::Close(bool failed) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    failed_ = failed;
    blockAdded_.notify_one();
}

std::size_t BlockQueue::Waiting() {
    std::lock_guard lock(mutex_);
    return pushed_ - popped_;
}

Block* BlockQueue::Full() {
    std::unique_lock lock(mutex_);
    while (!closed_ && pushed_ == popped_) {
        consumerWaits_ = true;
        blockAdded_.wait(lock);
    }
    consumerWaits_ = false;
    return pushed_ == popped_ ? nullptr : &ring_[popped_ % ring_.size()];
}

void BlockQueue::Pop() {
    std::lock_guard lock(mutex_);
    ++popped_;
    if (producerWaits_ && ring_.size() - (pushed_ - popped_) >= ring_.size() / 2) {
        roomFreed_.notify_one();
    }
}

bool BlockQueue::Failed() {
    std::lock_guard lock(mutex_);
    return failed_;
}

void BlockQueue::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    roomFreed_.notify_one();
}

}  // namespace transcoder
