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

void LinkAfter_2(HALFSPACE* n, HALFSPACE* at) {
    n->prev_2 = at;
    n->next_2 = at->next_2;
    at->next_2->prev_2 = n;
    at->next_2 = n;
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

HALFSPACE* CreateNodeInListBefore(HALFSPACE* at) {
    HALFSPACE* n = NewElement();
    if (!n) return nullptr;
    InsertNodeInListBefore(n, at);
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

void InsertNodeInListBefore(HALFSPACE* n, HALFSPACE* at) { InsertNodeInListAfter(n, at->prev); }

void InsertNodeInListAfter_2(HALFSPACE* n, HALFSPACE* at) {
    LinkAfter_2(n, at);
    ++at->head->count_2;
}

void DetatchNodeFromList(HALFSPACE* n) {
    if (!IsElement(n)) return;
    Unlink(n);
    if (n->head) --n->head->count;
}

void DetatchNodeFromList_2(HALFSPACE* n) {
    if (!IsElement(n)) return;
    UnlinkFromSecondaryChain(n);
}

void DeleteNodeInList(HALFSPACE* n) {
    if (!IsElement(n)) return;
    RemoveFromItsList(n);
    FreeNode(n);
}

void MarkForDestruction(HALFSPACE* n) { n->markedForDestruction = 1; }
bool IsMarkedForDestruction(const HALFSPACE* n) { return n->markedForDestruction != 0; }

HALFSPACE* DiscardElementsMarkedForDestruction(HALFSPACE* n) {
    HALFSPACE* h = n->head;
    for (HALFSPACE* e = h->next; e != h;) {
        HALFSPACE* following = e->next;
        if (e->markedForDestruction) DeleteNodeInList(e);
        e = following;
    }
    return h;
}

void DisposeListExceptForHead(HALFSPACE* n) {
    if (!n || !n->head || n->head->count < 1) return;
    HALFSPACE* h = n->head;
    while (h->next != h) DeleteNodeInList(h->next);
}

void DisposeListIncludingTheHead(HALFSPACE* h) {
    if (!h) return;
    DisposeListExceptForHead(h);
    FreeNode(h);
}

bool ListIsEmpty(const HALFSPACE* n) { return n->head->next == n->head; }
bool ListIsEmpty_2(const HALFSPACE* n) { return n->head->next_2 == n->head; }

int64_t GetElementCount(const HALFSPACE* n) {
    if (!n || !n->head) return -1;
    return n->head->count;
}

HALFSPACE* GetHead_via_routine(const HALFSPACE* n) { return n->head; }
HALFSPACE* GetFirstElement(const HALFSPACE* n) { return n->head->next; }
HALFSPACE* GetLastElement(const HALFSPACE* n) { return n->head->prev; }
HALFSPACE* GetFirstElement_2(const HALFSPACE* n) { return n->head->next_2; }
HALFSPACE* NotTheHead(HALFSPACE* n) { return n->isHead ? n->next : n; }

HALFSPACE* GetNextElementSkippingTheHead(const HALFSPACE* n) {
    HALFSPACE* e = n->next;
    return e->isHead ? e->next : e;
}

HALFSPACE* GetPrevElementSkippingTheHead(const HALFSPACE* n) {
    HALFSPACE* e = n->prev;
    return e->isHead ? e->prev : e;
}

void MoveElementToStartOfList(HALFSPACE* n) {
    if (!IsElement(n)) return;
    Unlink(n);
    LinkAfter(n, n->head);
}

void MoveElementToEndOfList(HALFSPACE* n) {
    if (!IsElement(n)) return;
    Unlink(n);
    LinkAfter(n, n->head->prev);
}

void MoveElementToStartOfList_2(HALFSPACE* n) {
    if (!IsElement(n)) return;
    UnlinkFromSecondaryChain(n);
    InsertNodeInListAfter_2(n, n->head);
}

void MoveElementToEndOfList_2(HALFSPACE* n) {
    if (!IsElement(n)) return;
    UnlinkFromSecondaryChain(n);
    InsertNodeInListAfter_2(n, n->head->prev_2);
}

void TransplantElementToEnd(HALFSPACE* n, HALFSPACE* list) {
    if (!IsElement(n) || n->head == list->head) return;
    RemoveFromItsList(n);
    InsertNodeInListAfter(n, list->head->prev);
}

void TransplantElementInto(HALFSPACE* n, HALFSPACE* list, int keepNewHead) {
    if (!IsElement(n) || n->head == list->head) return;
    HALFSPACE* formerHead = n->head;
    RemoveFromItsList(n);
    InsertNodeInListAfter(n, list->head);
    if (!keepNewHead) n->head = formerHead;
}

void TransplantListToEnd(HALFSPACE* a, HALFSPACE* b) {
    HALFSPACE* from = a->head;
    if (from == b->head) return;
    while (from->next != from) TransplantElementToEnd(from->next, b);
}

void TransplantListAIntoListB(HALFSPACE* a, HALFSPACE* b, int reassign) {
    if (a == b || a->next == a) return;
    if (reassign)
        for (HALFSPACE* e = a->next; e != a; e = e->next) e->head = b;
    HALFSPACE* first = a->next;
    HALFSPACE* last = a->prev;
    HALFSPACE* bLast = b->prev;
    bLast->next = first;
    first->prev = bLast;
    last->next = b;
    b->prev = last;
    b->count += a->count;
    a->next = a->prev = a;
    a->count = 0;
}

void TransplantListAIntoListB_garbage(HALFSPACE* a, HALFSPACE* b, int reassign) {
    TransplantListAIntoListB(a, b, reassign);
}

void MergeListAIntoListB(HALFSPACE* a, HALFSPACE* b) {
    HALFSPACE* h = a->head;
    for (HALFSPACE* e = h->next; e != h; e = e->next) {
        HALFSPACE* copy = CreateNodeInListAfter(b);
        if (copy) CopyElementPayloadAtoB(e, copy);
    }
}

HALFSPACE* CopyElementPayloadAtoB(const HALFSPACE* a, HALFSPACE* b) {
    if (!a || !b) return const_cast<HALFSPACE*>(a);
    b->sortKey = a->sortKey;
    b->plane = a->plane;
    b->point = a->point;
    b->id = a->id;
    b->userFlag = a->userFlag;
    std::memcpy(b->userBlockA, a->userBlockA, sizeof b->userBlockA);
    std::memcpy(b->userBlockB, a->userBlockB, sizeof b->userBlockB);
    return const_cast<HALFSPACE*>(a);
}

HALFSPACE* FindNodeBy_sort_retrieval_id(const HALFSPACE* n, int64_t id) {
    const HALFSPACE* h = n->head;
    for (HALFSPACE* e = h->next; e != h; e = e->next)
        if (e->sort_retrieval_id == id) return e;
    return nullptr;
}

void RestoreAllSecondaryLinks(HALFSPACE* n) {
    HALFSPACE* h = n->head;
    HALFSPACE* e = h;
    do {
        e->next_2 = e->next;
        e->prev_2 = e->prev;
        e = e->next;
    } while (e != h);
    // The secondary chain now holds every element: count it as in use, so
    // that removing an element also unlinks it there and no freed node stays
    // reachable from the secondary chain.
    h->count_2 = h->count;
}

void SortAList(HALFSPACE* n) { SortAList_core(n, false); }
void SortAList_2(HALFSPACE* n) { SortAList_core(n, true); }

void SortAList_core(HALFSPACE* n, bool secondary) {
    HALFSPACE* h = n->head;
    auto following = [secondary](HALFSPACE* e) { return secondary ? e->next_2 : e->next; };
    if (following(h) == h) return;

    // Size the arrays by the chain being sorted, not by either count.
    int64_t length = 0;
    for (HALFSPACE* e = following(h); e != h; e = following(e)) ++length;

    float* keys = static_cast<float*>(RobustNewPtr(sizeof(float) * length));
    void** refs = static_cast<void**>(RobustNewPtr(sizeof(void*) * length));
    if (!keys || !refs) {
        RobustDisposePtr(&keys);
        RobustDisposePtr(&refs);
        return;
    }
    h->sort_retrieval_id = -99;
    int64_t i = 0;
    for (HALFSPACE* e = following(h); e != h; e = following(e), ++i) {
        keys[i] = e->sortKey;
        refs[i] = e;
    }
    fsort_with_pointers(keys, refs, 0, length - 1);

    // Relinking each element in turn right before the head gives this chain.
    HALFSPACE* previous = h;
    for (i = 0; i < length; ++i) {
        HALFSPACE* e = static_cast<HALFSPACE*>(refs[i]);
        if (secondary) {
            previous->next_2 = e;
            e->prev_2 = previous;
        } else {
            previous->next = e;
            e->prev = previous;
        }
        previous = e;
    }
    if (secondary) {
        previous->next_2 = h;
        h->prev_2 = previous;
    } else {
        previous->next = h;
        h->prev = previous;
    }
    RobustDisposePtr(&keys);
    RobustDisposePtr(&refs);
}
