// Ordered index of double keys with a 32-bit payload, held in one
// caller-allocated block: node indices stand in for pointers, so inserting
// never allocates. Node 0 is the head and holds no entry.
//
// The three quicksorts order a key array and carry a companion array along.
#pragma once

#include <cstdint>

constexpr int32_t kSkipListNodeCount = 51380;  // node 0 is the head
constexpr int32_t kSkipListMaxLevel = 15;

struct SkipListNode {
    double key;
    int32_t value;
    int32_t face;     // the caller's word; the list never writes it
    int32_t unused;
    int32_t links[kSkipListMaxLevel];  // links[i]: next node on level i + 1, -1 ends the chain
};

struct SkipList {
    SkipListNode nodes[kSkipListNodeCount];
    int32_t level;        // levels in use, 0 when empty
    int32_t count;        // index the next insert takes; counts refused inserts too
    uint32_t randomState;
};

void initialize_skiplist(SkipList* list);
// The new node's index, or -1 when the block is full.
int32_t insert_skiplist(SkipList* list, double key, int32_t value);
// First node in order whose key is >= x, or -1.
int32_t search_skiplist_for_greater_or_equal(const SkipList* list, double x);
// That node when its key equals x exactly, else -1.
int32_t search_skiplist_for_equal(const SkipList* list, double x);
