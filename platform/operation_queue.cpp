#include "platform/operation_queue.h"

#include <algorithm>
#include <cstring>

#include "platform/foundation_threads.h"

void NSOperation::start() {
    if (isCancelled()) {
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            defaultFinished_ = true;
        }
        didChangeValueForKey("isFinished");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        defaultExecuting_ = true;
    }
    main();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        defaultExecuting_ = false;
        defaultFinished_ = true;
    }
    didChangeValueForKey("isFinished");
}

bool NSOperation::isExecuting() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return defaultExecuting_;
}

bool NSOperation::isFinished() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return defaultFinished_;
}

bool NSOperation::isCancelled() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return cancelled_;
}

void NSOperation::cancel() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    cancelled_ = true;
}

void NSOperation::didChangeValueForKey(const char* key) {
    if (std::strcmp(key, "isFinished") != 0 || !isFinished()) return;
    NSOperationQueue* queue;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        queue = queue_;
        queue_ = nullptr;
    }
    if (queue) queue->operationDidFinish(this);
}

NSOperationQueue::~NSOperationQueue() { waitUntilAllOperationsAreFinished(); }

void NSOperationQueue::addOperation(std::shared_ptr<NSOperation> operation) {
    if (!operation) return;
    {
        std::lock_guard<std::mutex> lock(operation->stateMutex_);
        operation->queue_ = this;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.push_back(std::move(operation));
    startReadyOperations(lock);
}

// Starts waiting operations while the limit allows. start() runs without the
// queue's lock: a concurrent operation may finish (and call back) before its
// start() returns.
void NSOperationQueue::startReadyOperations(std::unique_lock<std::mutex>& lock) {
    while (!waiting_.empty() &&
           (maxConcurrent_ < 0 || int64_t(running_.size()) < maxConcurrent_)) {
        std::shared_ptr<NSOperation> operation = waiting_.front();
        waiting_.pop_front();
        running_.push_back(operation);
        ++starting_;
        lock.unlock();
        if (operation->isConcurrent()) {
            operation->start();
        } else if (!NSThread_detachNewThread([operation] { operation->start(); })) {
            operation->cancel();
            operation->start();  // a cancelled operation only finishes
        }
        lock.lock();
        --starting_;
    }
    // Nobody may take the queue for drained while a thread is still to come
    // back into it.
    if (drained()) drained_.notify_all();
}

void NSOperationQueue::setMaxConcurrentOperationCount(int64_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    maxConcurrent_ = count < 0 ? NSOperationQueueDefaultMaxConcurrentOperationCount : count;
    startReadyOperations(lock);
}

int64_t NSOperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxConcurrent_;
}

int64_t NSOperationQueue::operationCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int64_t(waiting_.size() + running_.size());
}

void NSOperationQueue::operationDidFinish(NSOperation* operation) {
    std::shared_ptr<NSOperation> keep;  // released after the lock
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = std::find_if(running_.begin(), running_.end(),
                           [operation](const auto& p) { return p.get() == operation; });
    if (it != running_.end()) {
        keep = std::move(*it);
        running_.erase(it);
    }
    startReadyOperations(lock);
}

void NSOperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock<std::mutex> lock(mutex_);
    drained_.wait(lock, [this] { return drained(); });
}
