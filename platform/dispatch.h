// Our stand-ins for the parts of Grand Central Dispatch the system uses:
// one-time initialisation, a block run on a global queue, and the concurrent
// enumeration of an index range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

using dispatch_once_t = std::once_flag;

// Runs block exactly once per predicate, however many threads race here;
// every caller returns after it has run.
template <class Block>
inline void dispatch_once(dispatch_once_t* predicate, Block&& block) {
    std::call_once(*predicate, std::forward<Block>(block));
}

// Calls block(i) for i = 0, 1, ... count - 1 from up to `width` threads at
// once (the calling thread among them); with width 1, in order on the calling
// thread. Once a block answers false no further index is handed out. Returns
// when every block that started has returned.
void dispatch_apply_while(size_t count, int64_t width, const std::function<bool(size_t)>& block);

// A block run on a thread of the global queue; wait() (or the destructor)
// returns once it has run.
class dispatch_async_work {
public:
    explicit dispatch_async_work(std::function<void()> block);
    ~dispatch_async_work();
    dispatch_async_work(const dispatch_async_work&) = delete;
    dispatch_async_work& operator=(const dispatch_async_work&) = delete;
    void wait();

private:
    std::function<void()> block_;
    std::thread thread_;
};
