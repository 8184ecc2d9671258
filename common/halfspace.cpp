#include "common/halfspace.h"

#include <cstring>

#include "common/memory.h"
#include "common/skiplist.h"

namespace {

bool IsElement(const HALFSPACE* n) { return n && !n->isHead; }

void LinkAfter(HALFSPACE* n, HALFSPACE* at) {
    n->prev = at;
    n->next = at->next;
    at->next->prev = n;
    at->next = n;
}

void Unlink(HALFSPACE* n) {
    n->prev->next = n->next;
    n->next->prev = n->prev;
    n->next = n->prev = n;
}

// A node that is not on a secondary chain links to itself there; a chain
// whose count says it is not in use is left alone.
bool UnlinkFromSecondaryChain(HALFSPACE* n) {
    HALFSPACE* h = n->head;
    if (!h || h->count_2 < 1 || n->next_2 == n || !n->next_2) return false;
    if (n->prev_2) n->prev_2->next_2 = n->next_2;
    if (n->next_2) n->next_2->prev_2 = n->prev_2;
    n->next_2 = n->prev_2 = n;
    --h->count_2;
    return true;
}

// Takes an element out of its list: primary chain, and secondary chain when
// that is in use.
void RemoveFromItsList(HALFSPACE* n) {
    UnlinkFromSecondaryChain(n);
    Unlink(n);
    if (n->head) --n->head->count;
}

HALFSPACE* NewElement() {
    HALFSPACE* n = static_cast<HALFSPACE*>(RobustNewPtr(sizeof(HALFSPACE)));
    if (!n) return nullptr;
    std::memset(n, 0, sizeof(HALFSPACE));
    InitSomeFieldsForNewNode(n);
    n->next = n->prev = n->next_2 = n->prev_2 = n;
    return n;
}

void FreeNode(HALFSPACE* n) {
    n->disposed = 1;
    RobustDisposePtr(&n);
}

}  // namespace

HALFSPACE* InitEmptyList(HALFSPACE* h) {
    std::memset(h, 0, sizeof(HALFSPACE));
    h->next = h->prev = h->head = h->next_2 = h->prev_2 = h;
    h->isHead = 1;
    h->id = -1;
    h->userTag = -1;
    h->headTag = -1;
    h->sort_retrieval_id = -99;
    return h;
}

HALFSPACE* InitSomeFieldsForNewNode(HALFSPACE* n) {
    n->isHead = 0;
    n->sortKey = 0;
    n->userFlag = 0;
    std::memset(n->userWords, 0, sizeof n->userWords);
    n->markedForDestruction = 0;
    std::memset(n->userBlockB, 0, sizeof n->userBlockB);
    std::memset(n->userLinks, 0, sizeof n->userLinks);
    n->disposed = 0;
    n->id = -99999;
    n->userTag = -1;
    return n;
}

HALFSPACE* CreateNodeInListAfter(HALFSPACE* at) {
    HALFSPACE* n = NewElement();
    if (!n) return nullptr;
    InsertNodeInListAfter(n, at);
    return n;
}

HALFSPACE* AddPointToList(triplex p, HALFSPACE* at, int64_t id) {
    HALFSPACE* n = CreateNodeInListAfter(at);
    if (!n) return nullptr;
    n->point = p;
    n->id = id;
    return n;
}

HALFSPACE* AddPointToEndOfList(triplex p, HALFSPACE* list, int64_t id) {
    return AddPointToList(p, list->head->prev, id);
}

HALFSPACE* AddPointToList_while_killing_redundancies(const double* point, HALFSPACE* at, int64_t id,
                                                     double tolerance) {
    const triplex p{point[0], point[1], point[2]};
    const HALFSPACE* head = at->head;
    for (const HALFSPACE* n = head->next; n != head; n = n->next) {
        const triplex d = Tsub(n->point, p);
        if (Tdot_product(d, d) < tolerance * tolerance) return nullptr;
    }
    return AddPointToList(p, at, id);
}

void InsertNodeInListAfter(HALFSPACE* n, HALFSPACE* at) {
    LinkAfter(n, at);
    n->head = at->head;
    ++n->head->count;
}

void DeleteNodeInList(HALFSPACE* n) {
    if (!IsElement(n)) return;
    RemoveFromItsList(n);
    FreeNode(n);
}

void DisposeListExceptForHead(HALFSPACE* n) {
    if (!n || !n->head || n->head->count < 1) return;
    HALFSPACE* h = n->head;
    while (h->next != h) DeleteNodeInList(h->next);
}

bool ListIsEmpty(const HALFSPACE* n) { return n->head->next == n->head; }

int64_t GetElementCount(const HALFSPACE* n) {
    if (!n || !n->head) return -1;
    return n->head->count;
}
