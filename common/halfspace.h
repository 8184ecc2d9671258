// HALFSPACE: the node of the system's generic list, a circular doubly linked
// list with a head sentinel. Every node also carries a second, independent
// pair of links (the secondary chain) so that one set of elements can be kept
// in two orders at once. Nodes are heap blocks, allocated and freed one by one.
// A list belongs to one thread at a time.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "common/vectors.h"

struct HALFSPACE {
    PLANED plane;
    triplex point;
    int64_t id;          // -99999 in a new node, -1 in a head
    int32_t userFlag;
    double userBlockA[12];
    int64_t userWords[3];
    uint8_t markedForDestruction;
    int64_t userBlockB[4];
    int16_t userTag;
    int64_t userLinks[3];
    int32_t headTag;     // -1 in a head
    float sortKey;
    int64_t sort_retrieval_id;
    HALFSPACE* next;
    HALFSPACE* prev;
    HALFSPACE* head;     // a head refers to itself
    HALFSPACE* next_2;   // secondary chain
    HALFSPACE* prev_2;
    int64_t isHead;
    int64_t count;       // in the head: elements on the primary chain
    int64_t count_2;     // in the head: elements on the secondary chain
    uint8_t disposed;
};

HALFSPACE* InitEmptyList(HALFSPACE* h);
HALFSPACE* InitSomeFieldsForNewNode(HALFSPACE* n);

// Null when memory is exhausted; nothing changes then.
HALFSPACE* CreateNodeInListAfter(HALFSPACE* at);
HALFSPACE* AddPointToList(triplex p, HALFSPACE* at, int64_t id);
HALFSPACE* AddPointToEndOfList(triplex p, HALFSPACE* list, int64_t id);
// Inserts the point after node `at` unless a point of its list lies nearer
// than `tolerance`; the new node, or null (also when memory is exhausted).
HALFSPACE* AddPointToList_while_killing_redundancies(const double* point, HALFSPACE* at, int64_t id, double tolerance);

void InsertNodeInListAfter(HALFSPACE* n, HALFSPACE* at);
// n must be an element: it leaves both chains and is freed.
void DeleteNodeInList(HALFSPACE* n);

void DisposeListExceptForHead(HALFSPACE* n);

bool ListIsEmpty(const HALFSPACE* n);
int64_t GetElementCount(const HALFSPACE* n);
