#include "common/halfspace.h"
#include "common/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <vector>

namespace {

struct Head {
    HALFSPACE h;
    Head() { InitEmptyList(&h); }
    ~Head() { DisposeListExceptForHead(&h); }
    HALFSPACE* operator&() { return &h; }
};

const triplex kOrigin = {0, 0, 0};

// The ids along the primary chain; checks the links both ways, the head
// fields and the count on the way.
std::vector<int64_t> Ids(HALFSPACE* head) {
    std::vector<int64_t> ids;
    HALFSPACE* previous = head;
    for (HALFSPACE* e = head->next; e != head; e = e->next) {
        EXPECT_EQ(e->prev, previous);
        EXPECT_EQ(e->head, head);
        EXPECT_EQ(e->isHead, 0);
        ids.push_back(e->id);
        previous = e;
        if (ids.size() > 100000) break;
    }
    EXPECT_EQ(head->prev, previous);
    EXPECT_EQ(GetElementCount(head), int64_t(ids.size()));
    return ids;
}

std::vector<int64_t> SecondaryIds(HALFSPACE* head) {
    std::vector<int64_t> ids;
    HALFSPACE* previous = head;
    for (HALFSPACE* e = head->next_2; e != head; e = e->next_2) {
        EXPECT_EQ(e->prev_2, previous);
        ids.push_back(e->id);
        previous = e;
        if (ids.size() > 100000) break;
    }
    EXPECT_EQ(head->prev_2, previous);
    return ids;
}

HALFSPACE* Add(HALFSPACE* list, int64_t id, float key = 0) {
    triplex p = {double(id), 2.0 * id, -1.0};
    HALFSPACE* n = AddPointToEndOfList(p, list, id);
    n->sortKey = key;
    return n;
}

TEST(HalfspaceList, NewHeadIsEmpty) {
    Head head;
    EXPECT_TRUE(ListIsEmpty(&head));
    EXPECT_TRUE(ListIsEmpty_2(&head));
    EXPECT_EQ(GetElementCount(&head), 0);
    EXPECT_EQ(GetFirstElement(&head), &head);
    EXPECT_EQ(head.h.id, -1);
    EXPECT_EQ(head.h.sort_retrieval_id, -99);
    EXPECT_EQ(GetElementCount(nullptr), -1);
}

TEST(HalfspaceList, InsertionOrders) {
    Head atEnd, atFront;
    for (int64_t id = 1; id <= 3; ++id) {
        triplex p = {double(id), 0, 0};
        HALFSPACE* n = AddPointToEndOfList(p, &atEnd, id);
        EXPECT_EQ(n->point.x, double(id));
        EXPECT_EQ(n->userTag, -1);
        AddPointToList(p, &atFront, id);
    }
    EXPECT_EQ(Ids(&atEnd), (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(Ids(&atFront), (std::vector<int64_t>{3, 2, 1}));
}

TEST(HalfspaceList, SortMergeAndDispose) {
    Head a, b;
    HALFSPACE* carrier = Add(&a, 30, 3);
    carrier->userBlockA[4] = 9.5;
    carrier->plane.k = -4.25;
    carrier->plane.n = triplex{0, 0, 1};
    Add(&a, 10, 1);
    Add(&a, 20, 2);
    SortAList(&a);
    EXPECT_EQ(Ids(&a), (std::vector<int64_t>{10, 20, 30}));

    MergeListAIntoListB(&a, &b);
    EXPECT_EQ(Ids(&b), (std::vector<int64_t>{30, 20, 10}));
    EXPECT_EQ(Ids(&a), (std::vector<int64_t>{10, 20, 30}));
    EXPECT_EQ(GetFirstElement(&b)->userBlockA[4], 9.5);
    EXPECT_EQ(GetFirstElement(&b)->point.y, 60.0);
    EXPECT_EQ(GetFirstElement(&b)->plane.k, -4.25);
    EXPECT_EQ(GetFirstElement(&b)->plane.n.z, 1.0);

    DisposeListExceptForHead(GetFirstElement(&b)->next);
    EXPECT_TRUE(ListIsEmpty(&b));
    EXPECT_EQ(GetElementCount(&b), 0);
}

// The secondary chain keeps its own order; deleting an element takes it out
// of both chains.
TEST(HalfspaceList, SecondaryChainSortsApart) {
    Head head;
    const float keys[] = {5, 2, 9, 1, 7};
    for (int i = 0; i < 5; ++i) Add(&head, i, keys[i]);
    RestoreAllSecondaryLinks(&head);
    EXPECT_EQ(SecondaryIds(&head), Ids(&head));
    SortAList_2(&head);
    EXPECT_EQ(Ids(&head), (std::vector<int64_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(SecondaryIds(&head), (std::vector<int64_t>{3, 1, 0, 4, 2}));

    DeleteNodeInList(GetFirstElement_2(&head));  // id 3
    EXPECT_EQ(Ids(&head), (std::vector<int64_t>{0, 1, 2, 4}));
    EXPECT_EQ(SecondaryIds(&head), (std::vector<int64_t>{1, 0, 4, 2}));

    MoveElementToEndOfList_2(GetFirstElement_2(&head));
    EXPECT_EQ(SecondaryIds(&head), (std::vector<int64_t>{0, 4, 2, 1}));
    EXPECT_EQ(head.h.count_2, 4);
}

// An element taken off the primary chain only stays on the secondary one,
// which is then longer than the primary count: the sort must cover it.
TEST(HalfspaceList, SecondarySortLongerThanPrimary) {
    Head head;
    for (int i = 0; i < 6; ++i) Add(&head, i, float(10 - i));
    RestoreAllSecondaryLinks(&head);
    HALFSPACE* loose = GetFirstElement(&head)->next;  // id 1
    DetatchNodeFromList(loose);
    EXPECT_EQ(GetElementCount(&head), 5);
    SortAList_2(&head);
    EXPECT_EQ(SecondaryIds(&head), (std::vector<int64_t>{5, 4, 3, 2, 1, 0}));
    DetatchNodeFromList_2(loose);
    EXPECT_EQ(SecondaryIds(&head), (std::vector<int64_t>{5, 4, 3, 2, 0}));
    loose->head = nullptr;
    RobustDisposePtr(&loose);
}

// Random operation sequences on two lists against a std::list model.
TEST(HalfspaceList, AgreesWithListModel) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        Head heads[2];
        std::list<int64_t> model[2];
        int64_t nextId = 0;
        auto pick = [&](int which) -> HALFSPACE* {
            std::uniform_int_distribution<size_t> d(0, model[which].size() - 1);
            size_t k = d(rng);
            HALFSPACE* e = GetFirstElement(&heads[which]);
            while (k--) e = e->next;
            return e;
        };
        auto position = [&](int which, HALFSPACE* e) {
            auto it = model[which].begin();
            for (HALFSPACE* f = GetFirstElement(&heads[which]); f != e; f = f->next) ++it;
            return it;
        };
        for (int step = 0; step < 400; ++step) {
            int which = rng() % 2;
            HALFSPACE* h = &heads[which];
            std::list<int64_t>& m = model[which];
            int op = rng() % 10;
            if (m.empty() && op > 2) op = rng() % 3;
            switch (op) {
                case 0:
                    AddPointToEndOfList(kOrigin, h, nextId);
                    m.push_back(nextId++);
                    break;
                case 1:
                    AddPointToList(kOrigin, h, nextId);
                    m.push_front(nextId++);
                    break;
                case 2: {
                    HALFSPACE* at = m.empty() ? h : pick(which);
                    auto it = m.empty() ? m.end() : position(which, at);
                    CreateNodeInListBefore(at)->id = nextId;
                    m.insert(it, nextId++);
                    break;
                }
                case 3: {
                    HALFSPACE* e = pick(which);
                    m.erase(position(which, e));
                    DeleteNodeInList(e);
                    break;
                }
                case 4: {
                    HALFSPACE* e = pick(which);
                    m.erase(position(which, e));
                    m.push_front(e->id);
                    MoveElementToStartOfList(e);
                    break;
                }
                case 5: {
                    HALFSPACE* e = pick(which);
                    m.erase(position(which, e));
                    m.push_back(e->id);
                    MoveElementToEndOfList(e);
                    break;
                }
                case 6: {
                    HALFSPACE* e = pick(which);
                    m.erase(position(which, e));
                    model[1 - which].push_back(e->id);
                    TransplantElementToEnd(e, &heads[1 - which]);
                    break;
                }
                case 7: {
                    for (HALFSPACE* e = GetFirstElement(h); e != h; e = e->next)
                        if (e->id % 3 == 0) MarkForDestruction(e);
                    m.remove_if([](int64_t id) { return id % 3 == 0; });
                    EXPECT_EQ(DiscardElementsMarkedForDestruction(GetFirstElement(h)), h);
                    break;
                }
                case 8: {
                    for (HALFSPACE* e = GetFirstElement(h); e != h; e = e->next)
                        e->sortKey = float((e->id * 7919) % 101);
                    m.sort([](int64_t x, int64_t y) { return (x * 7919) % 101 < (y * 7919) % 101; });
                    SortAList(h);
                    // Ties may come out in any order: compare the keys only.
                    std::vector<int64_t> got = Ids(h);
                    ASSERT_EQ(got.size(), m.size());
                    auto it = m.begin();
                    for (int64_t id : got) EXPECT_EQ((id * 7919) % 101, (*it++ * 7919) % 101);
                    m.assign(got.begin(), got.end());
                    break;
                }
                case 9: {
                    HALFSPACE* e = pick(which);
                    auto it = position(which, e);
                    int64_t id = *it;
                    m.erase(it);
                    DetatchNodeFromList(e);
                    HALFSPACE* at = m.empty() ? h : pick(which);
                    auto where = m.empty() ? m.end() : std::next(position(which, at));
                    InsertNodeInListAfter(e, at);
                    m.insert(where, id);
                    break;
                }
            }
            ASSERT_EQ(Ids(&heads[0]), std::vector<int64_t>(model[0].begin(), model[0].end()))
                << "round " << round << " step " << step << " op " << op;
            ASSERT_EQ(Ids(&heads[1]), std::vector<int64_t>(model[1].begin(), model[1].end()));
        }
        TransplantListAIntoListB(&heads[0], &heads[1], 1);
        model[1].splice(model[1].end(), model[0]);
        EXPECT_EQ(Ids(&heads[1]), std::vector<int64_t>(model[1].begin(), model[1].end()));
        EXPECT_TRUE(ListIsEmpty(&heads[0]));
    }
}

}  // namespace
