#include "engine/background_work.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

struct BackgroundWork {
    void (*work)(void*) = nullptr;
    std::shared_ptr<void> context;
    bool done = false;   // under the worker's lock
};

namespace {

// The engine's background thread: started with the first work, ended (once
// its queue is empty) when the process or the module holding it ends.
class Worker {
public:
    ~Worker() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            closing_ = true;
        }
        queued_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Queue(std::shared_ptr<BackgroundWork> work) {
        std::unique_lock<std::mutex> hold(lock_);
        queue_.push_back(work);
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Loop(); });
            } catch (const std::system_error&) {
                // No thread to be had: the work runs here, now.
                queue_.pop_back();
                hold.unlock();
                work->work(work->context.get());
                hold.lock();
                work->done = true;
                finished_.notify_all();
                return;
            }
        }
        queued_.notify_one();
    }

    bool Wait(const BackgroundWork& work, double seconds) {
        std::unique_lock<std::mutex> hold(lock_);
        return finished_.wait_for(hold, std::chrono::duration<double>(seconds), [&work] { return work.done; });
    }

    bool Done(const BackgroundWork& work) {
        std::lock_guard<std::mutex> hold(lock_);
        return work.done;
    }

private:
    void Loop() {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            queued_.wait(hold, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) return;   // closing, and nothing left to do
            std::shared_ptr<BackgroundWork> work = queue_.front();
            queue_.pop_front();
            busy_ = true;
            hold.unlock();
            work->work(work->context.get());
            hold.lock();
            work->done = true;
            busy_ = false;
            finished_.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable queued_, finished_;
    std::deque<std::shared_ptr<BackgroundWork>> queue_;
    bool busy_ = false;
    bool closing_ = false;
    std::thread thread_;
};

Worker& TheWorker() {
    static Worker worker;
    return worker;
}

}  // namespace

std::shared_ptr<BackgroundWork> RunInBackground(void (*work)(void* context), std::shared_ptr<void> context) {
    auto job = std::make_shared<BackgroundWork>();
    job->work = work;
    job->context = std::move(context);
    TheWorker().Queue(job);
    return job;
}

bool BackgroundWorkDone(const BackgroundWork& work) { return TheWorker().Done(work); }

bool WaitForBackgroundWork(const BackgroundWork& work, double seconds) { return TheWorker().Wait(work, seconds); }
