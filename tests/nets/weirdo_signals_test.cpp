// Weirdo groups by their signals on a hand-built set: two shared signals
// join groups under one number, one does not; fragments own the groups they
// share a signal with, two at most, the lowest first.
#include <gtest/gtest.h>

#include "nets/weirdo_signals.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

TEST(WeirdoSignals, ClusteringAndPairingOnAHandBuiltSet) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    GetDefaultPolySettings(p.get());
    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    // Groups 0 and 1 share signals 10 and 11; group 2 shares only 11 with
    // them; groups 5 and 7 share 20 and 21; group 9 has no signals.
    for (int64_t s : {10, 11, 12}) AddGroupSignal(p.get(), 0, s);
    for (int64_t s : {11, 10, 13}) AddGroupSignal(p.get(), 1, s);
    for (int64_t s : {11, 14}) AddGroupSignal(p.get(), 2, s);
    for (int64_t s : {20, 21}) AddGroupSignal(p.get(), 5, s);
    for (int64_t s : {21, 20, 22}) AddGroupSignal(p.get(), 7, s);
    // Fragments 1, 2 and 3 all touch group 0; fragment 4 touches group 5.
    AddFragmentSignal(p.get(), 3, 12);
    AddFragmentSignal(p.get(), 1, 10);
    AddFragmentSignal(p.get(), 2, 13);
    AddFragmentSignal(p.get(), 2, 12);
    AddFragmentSignal(p.get(), 4, 22);
    AddAutomaticGroupingInfo(p.get());
    EXPECT_EQ(p->groupNumber[0], 0);
    EXPECT_EQ(p->groupNumber[1], 0);
    EXPECT_EQ(uint16_t(p->groupNumber[2]), 65535);
    EXPECT_EQ(p->groupNumber[5], 1);
    EXPECT_EQ(p->groupNumber[7], 1);
    EXPECT_EQ(uint16_t(p->groupNumber[9]), 65535);
    EXPECT_EQ(p->groupOwner[0][0], 1);  // 1, 2 and 3 share: the two lowest stay
    EXPECT_EQ(p->groupOwner[0][1], 2);
    EXPECT_EQ(p->groupOwner[1][0], 1);
    EXPECT_EQ(p->groupOwner[1][1], 2);
    EXPECT_EQ(p->groupOwner[7][0], 4);
    EXPECT_EQ(p->groupOwner[7][1], -1);
    EXPECT_EQ(p->groupOwner[5][0], -1);
    EXPECT_EQ(p->groupOwner[9][0], -1);
    // A full list drops the signal; a group beyond the table sets status 11.
    for (int k = 0; k < 25; ++k) AddGroupSignal(p.get(), 3, 100 + k);
    EXPECT_EQ(p->groupSignal[3][kSignalsPerSlot - 1], 100 + kSignalsPerSlot - 1);
    EXPECT_EQ(p->status, kPolyStatusGood);
    AddGroupSignal(p.get(), kMaxGroups, 1);
    EXPECT_EQ(p->status, kPolyStatusGroupIndexOutOfRange);
}

}  // namespace
