#include "platform/dispatch.h"

#include <atomic>
#include <system_error>
#include <vector>

void dispatch_apply_while(size_t count, int64_t width, const std::function<bool(size_t)>& block) {
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    auto drain = [&] {
        while (!stop.load()) {
            size_t i = next.fetch_add(1);
            if (i >= count) break;
            if (!block(i)) stop = true;
        }
    };
    std::vector<std::thread> helpers;
    for (int64_t t = 1; t < width && size_t(t) < count; ++t) {
        try {
            helpers.emplace_back(drain);
        } catch (const std::system_error&) {
            break;  // fewer helpers: the calling thread does the rest
        }
    }
    drain();
    for (std::thread& helper : helpers) helper.join();
}

dispatch_async_work::dispatch_async_work(std::function<void()> block) : block_(std::move(block)) {
    try {
        thread_ = std::thread(block_);
    } catch (const std::system_error&) {
        block_();  // no thread to be had: run it here
    }
}

dispatch_async_work::~dispatch_async_work() { wait(); }

void dispatch_async_work::wait() {
    if (thread_.joinable()) thread_.join();
}
