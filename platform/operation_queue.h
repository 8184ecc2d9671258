// Our stand-ins for Foundation's operation queue and operations, with the
// semantics the task engine relies on: a queue starts an added operation at
// once unless its concurrency limit is reached; a concurrent operation runs
// its own work (usually on a thread of its own) and tells the queue when it
// has finished by the "isFinished" change notice; the queue keeps every
// operation alive until then.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class NSOperationQueue;

class NSOperation : public std::enable_shared_from_this<NSOperation> {
public:
    virtual ~NSOperation() = default;

    virtual void start();  // the non-concurrent default runs main() here
    virtual void main() {}
    virtual bool isConcurrent() const { return false; }
    virtual bool isExecuting() const;
    virtual bool isFinished() const;
    bool isCancelled() const;
    void cancel();

    // The change notice: "isFinished" with isFinished() true hands the operation
    // back to its queue.
    void didChangeValueForKey(const char* key);

private:
    friend class NSOperationQueue;
    mutable std::mutex stateMutex_;
    bool cancelled_ = false;
    bool defaultExecuting_ = false;
    bool defaultFinished_ = false;
    NSOperationQueue* queue_ = nullptr;  // set while the queue holds it
};

class NSOperationQueue {
public:
    static constexpr int64_t NSOperationQueueDefaultMaxConcurrentOperationCount = -1;

    NSOperationQueue() = default;
    ~NSOperationQueue();  // waits for the operations it still holds
    NSOperationQueue(const NSOperationQueue&) = delete;
    NSOperationQueue& operator=(const NSOperationQueue&) = delete;

    void addOperation(std::shared_ptr<NSOperation> operation);
    void setMaxConcurrentOperationCount(int64_t count);  // -1: no limit of its own
    int64_t maxConcurrentOperationCount() const;
    int64_t operationCount() const;
    void waitUntilAllOperationsAreFinished();

    // The lock of the queue as an object, for whoever synchronises on it;
    // the queue itself never takes it.
    std::recursive_mutex objectLock;

private:
    friend class NSOperation;
    void operationDidFinish(NSOperation* operation);
    void startReadyOperations(std::unique_lock<std::mutex>& lock);
    bool drained() const { return waiting_.empty() && running_.empty() && starting_ == 0; }

    mutable std::mutex mutex_;
    std::condition_variable drained_;
    int64_t maxConcurrent_ = NSOperationQueueDefaultMaxConcurrentOperationCount;
    std::deque<std::shared_ptr<NSOperation>> waiting_;
    std::vector<std::shared_ptr<NSOperation>> running_;
    int64_t starting_ = 0;  // threads inside start() calls, which come back to the queue
};
