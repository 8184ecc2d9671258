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

TEST(HalfspaceList, NewHeadIsEmpty) {
    Head head;
    EXPECT_TRUE(ListIsEmpty(&head));
    EXPECT_EQ(GetElementCount(&head), 0);
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

// Deleting an element takes it out of its list and keeps the links whole.
TEST(HalfspaceList, DeletedElementLeavesTheList) {
    Head head;
    for (int64_t id = 0; id < 5; ++id) AddPointToEndOfList(triplex{double(id), 0, 0}, &head, id);
    DeleteNodeInList((&head)->next->next);  // id 1
    EXPECT_EQ(Ids(&head), (std::vector<int64_t>{0, 2, 3, 4}));
    DeleteNodeInList((&head)->prev);  // id 4
    EXPECT_EQ(Ids(&head), (std::vector<int64_t>{0, 2, 3}));
}

}  // namespace
