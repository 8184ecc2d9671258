#include "common/skiplist.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int32_t kHead = 0;
constexpr int32_t kLastNode = kSkipListNodeCount - 1;

// The level generator: a 15-bit linear congruential draw. A node's level is
// the number of trailing zero bits of the draw plus one. A draw of 0 would
// give no level at all and leave the node unreachable; it gets level 1.
int32_t DrawSkipListLevel(SkipList* list) {
    uint32_t draw = ((list->randomState * 214013u + 2531011u) >> 16) & 0x7FFFu;
    list->randomState = draw;
    if (draw == 0) return 1;
    return __builtin_ctz(draw) + 1;
}

// Walks down from the top level; on return update[i] holds, for each level
// i + 1, the last node whose key is < x.
int32_t FindPredecessor(const SkipList* list, double x, int32_t* update) {
    int32_t at = kHead;
    for (int32_t i = list->level - 1; i >= 0; --i) {
        for (;;) {
            int32_t next = list->nodes[at].links[i];
            if (next < 0 || !(list->nodes[next].key < x)) break;
            at = next;
        }
        if (update) update[i] = at;
    }
    return at;
}

}  // namespace

void initialize_skiplist(SkipList* list) {
    for (int32_t& link : list->nodes[kHead].links) link = -1;
    list->level = 0;
    list->count = 1;
    list->randomState = arc4random();
}

int32_t insert_skiplist(SkipList* list, double key, int32_t value) {
    int32_t update[kSkipListMaxLevel];
    FindPredecessor(list, key, update);
    int32_t nodeLevel = DrawSkipListLevel(list);

    int32_t n = list->count;
    if (list->count < INT32_MAX) ++list->count;
    if (n > kLastNode) return -1;

    for (int32_t i = list->level; i < nodeLevel; ++i) update[i] = kHead;
    if (nodeLevel > list->level) list->level = nodeLevel;

    SkipListNode& node = list->nodes[n];
    node.key = key;
    node.value = value;
    for (int32_t i = 0; i < kSkipListMaxLevel; ++i) {
        if (i < nodeLevel) {
            node.links[i] = list->nodes[update[i]].links[i];
            list->nodes[update[i]].links[i] = n;
        } else {
            node.links[i] = -1;
        }
    }
    return n;
}

int32_t search_skiplist_for_greater_or_equal(const SkipList* list, double x) {
    if (list->level < 1) return -1;
    int32_t at = FindPredecessor(list, x, nullptr);
    return list->nodes[at].links[0];
}

int32_t search_skiplist_for_equal(const SkipList* list, double x) {
    int32_t n = search_skiplist_for_greater_or_equal(list, x);
    if (n >= 0 && list->nodes[n].key == x) return n;
    return -1;
}
