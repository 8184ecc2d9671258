// Our stand-in for the one-time initialisation of Grand Central Dispatch.
#pragma once

#include <mutex>
#include <utility>

using dispatch_once_t = std::once_flag;

// Runs block exactly once per predicate, however many threads race here;
// every caller returns after it has run.
template <class Block>
inline void dispatch_once(dispatch_once_t* predicate, Block&& block) {
    std::call_once(*predicate, std::forward<Block>(block));
}
