// Built solids kept by what shapes them: a kept solid is the build the set-up
// makes for its arguments, any argument that shapes it asks for another
// build, the store stays within its bound, and a build left by its waiter
// goes on and is kept.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron.h"
#include "solids/kept_solids.h"
#include "solids/poly_setup.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

SolidSetUp SetUpOf(int64_t mode, float tabs = 0.165f) {
    SolidSetUp u;
    u.mode = mode;
    u.netSettingA = 0.5f;
    u.netSettingB = tabs;
    return u;
}

// The net as the renderer reads it: its triangles' corners.
std::vector<double> NetOf(const polyhedron* p) {
    std::vector<double> out;
    for (int64_t t = 0; t < p->netTriangleCount; ++t)
        for (int64_t v : p->netTriangle[t].vertex) {
            out.push_back(p->netVertex[v].x);
            out.push_back(p->netVertex[v].y);
        }
    return out;
}

// The same arguments built afresh on a record of their own.
std::vector<double> FreshNet(const SolidSetUp& u) {
    PolyPtr p = MakePoly();
    HooBoyPolySetup(u.mode, p.get(), u.secondParameter, u.setupMode, u.optionByte, nullptr, u.flag, u.netSettingA,
                    u.netSettingB, u.angle);
    return NetOf(p.get());
}

struct KeptSolidsTest : ::testing::Test {
    polyhedron* slot = nullptr;
    void SetUp() override {
        ForgetKeptSolids();
        KeepSolidsBuilt(true);
        slot = NewPolyhedron(0.5f, 0.0f);
        ASSERT_NE(slot, nullptr);
    }
    void TearDown() override {
        KeepSolidsBuilt(false);
        SetSolidBuildWaiter(nullptr, nullptr);
        ForgetKeptSolids();
        FreePolyhedron(&slot);
    }
};

// Going back to a solid built before takes it from the store, unchanged: the
// same net the set-up builds afresh. Each argument that shapes the solid or
// its net (the mode, the tab size, the net's frame, the turn, the build for
// the final picture) asks for a build of its own.
TEST_F(KeptSolidsTest, AKeptSolidIsTheBuildOfItsArgumentsAndEachArgumentCounts) {
    const SolidSetUp first = SetUpOf(8);
    SolidSetUp tabs = first, frame = first, turned = first, final = first;
    tabs.netSettingB = 0.0f;
    frame.netSettingA = 0.75f;
    turned.angle = 0.5f;
    final.flag = 1;
    const std::vector<SolidSetUp> cases = {SetUpOf(7), tabs, frame, turned, final};
    ASSERT_TRUE(SetUpSolidInSlot(&slot, first));
    const std::vector<double> firstNet = NetOf(slot);
    ASSERT_FALSE(firstNet.empty());
    EXPECT_EQ(firstNet, FreshNet(first));
    for (const SolidSetUp& other : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << other.mode << " tabs " << other.netSettingB << " frame "
                                        << other.netSettingA << " angle " << other.angle << " flag " << int(other.flag));
        const int64_t built = SolidsBuiltForSlots();
        ASSERT_TRUE(SetUpSolidInSlot(&slot, other));
        EXPECT_EQ(SolidsBuiltForSlots(), built + 1);
        EXPECT_EQ(NetOf(slot), FreshNet(other));
        // Back: nothing built, and the net is the first one.
        ASSERT_TRUE(SetUpSolidInSlot(&slot, first));
        EXPECT_EQ(SolidsBuiltForSlots(), built + 1);
        EXPECT_EQ(NetOf(slot), firstNet);
    }
}

// What a render and an export read of a build, in use: the solid's vertices
// and faces, the net's vertices, faces and triangles, the scissor marks and
// the counts and settings beside them. Equal when two builds are one.
bool SameBuild(const polyhedron* a, const polyhedron* b, std::string* what) {
    auto differ = [&](const void* x, const void* y, size_t n, const char* name) {
        if (std::memcmp(x, y, n) == 0) return false;
        *what = name;
        return true;
    };
    const int64_t counts[][2] = {{a->vertexCount3D, b->vertexCount3D},     {a->faceCount3D, b->faceCount3D},
                                 {a->netFaceCount, b->netFaceCount},       {a->netTriangleCount, b->netTriangleCount},
                                 {a->scissorMarkCount, b->scissorMarkCount}, {a->status, b->status},
                                 {a->unfittedTabs, b->unfittedTabs},       {a->tabsPastLimit, b->tabsPastLimit}};
    for (const auto& c : counts)
        if (c[0] != c[1]) {
            *what = "counts";
            return false;
        }
    if (!a->coords3D || !b->coords3D || !a->coords2D || !b->coords2D) {
        *what = "storage";
        return false;
    }
    if (differ(a->coords3D, b->coords3D, sizeof(triplex) * size_t(a->vertexCount3D), "solid vertices") ||
        differ(a->face3D, b->face3D, sizeof(PolyFace3D) * size_t(a->faceCount3D), "solid faces") ||
        differ(a->netFace, b->netFace, sizeof(PolyNetFace) * size_t(a->netFaceCount), "net faces") ||
        differ(a->netTriangle, b->netTriangle, sizeof(PolyNetTriangle) * size_t(a->netTriangleCount),
               "net triangles") ||
        differ(a->scissorMark, b->scissorMark, sizeof(PolyScissorMark) * size_t(a->scissorMarkCount),
               "scissor marks") ||
        differ(a->netVertexUsed, b->netVertexUsed, sizeof a->netVertexUsed, "net vertices in use") ||
        differ(&a->net, &b->net, sizeof a->net, "net settings") ||
        differ(a->wedgeNetVertex, b->wedgeNetVertex, sizeof a->wedgeNetVertex, "warp corners") ||
        differ(a->floretCentre, b->floretCentre, sizeof a->floretCentre, "floret frame"))
        return false;
    for (int64_t i = 0; i < kMax2DVertices; ++i)
        if (a->netVertexUsed[i] &&
            (differ(a->coords2D[i], b->coords2D[i], sizeof(double[2]), "net vertices") ||
             differ(&a->netVertex[i], &b->netVertex[i], sizeof a->netVertex[i], "net vertices") ||
             a->netVertexSolid[i] != b->netVertexSolid[i]))
            return false;
    return true;
}

// An export's pages ask for one solid under one angle each: it is built once,
// and each page is the build the set-up makes afresh for its angle, whether
// solids are kept (the dialog) or built in the slot (the command line). The
// cube in the faces' build (set-up mode 3, tabs fitted after the turn).
TEST_F(KeptSolidsTest, APagesSolidIsBuiltOnceAndEachPageIsTheBuildOfItsAngle) {
    const float angles[] = {0.7f, -2.1f};
    SolidSetUp page = SetUpOf(7);
    page.setupMode = 3;
    page.netSettingA = 1.0f;
    page.flag = 1;
    page.turnedPerPage = true;
    PolyPtr fresh[2] = {MakePoly(), MakePoly()};
    for (int k = 0; k < 2; ++k) {
        HooBoyPolySetup(page.mode, fresh[k].get(), page.secondParameter, page.setupMode, page.optionByte, nullptr,
                        page.flag, page.netSettingA, page.netSettingB, angles[k]);
        ASSERT_GT(fresh[k]->netTriangleCount, 0);
    }
    for (bool keeping : {true, false}) {
        SCOPED_TRACE(testing::Message() << "keeping " << keeping);
        ForgetKeptSolids();
        KeepSolidsBuilt(keeping);
        const int64_t built = SolidsBuiltForSlots();
        for (int k : {0, 1, 0}) {
            page.angle = angles[k];
            ASSERT_TRUE(SetUpSolidInSlot(&slot, page));
            std::string what;
            EXPECT_TRUE(SameBuild(slot, fresh[k].get(), &what)) << "angle " << angles[k] << ": " << what;
        }
        EXPECT_EQ(SolidsBuiltForSlots(), built + 1);
    }
}

// What a caller set on the slot's record before the set-up stays with the
// slot when a kept record takes its place.
TEST_F(KeptSolidsTest, TheCallersFieldsStayWithTheSlot) {
    Data* data = reinterpret_cast<Data*>(&slot);   // only compared
    slot->data = data;
    slot->exportPiece = 3;
    ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(7)));
    ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(8)));
    slot->exportPiece = 5;
    ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(7)));
    EXPECT_EQ(slot->data, data);
    EXPECT_EQ(slot->exportPiece, 5);
    EXPECT_EQ(slot->lastOutputMode, 7);
}

// The store keeps at most its bound of solids, the least recently used
// going first.
TEST_F(KeptSolidsTest, TheStoreKeepsItsBoundAndDropsTheLeastRecentlyUsed) {
    const int64_t modes[] = {6, 7, 8, 9, 10};
    for (int64_t m : modes) ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(m)));
    EXPECT_EQ(KeptSolidCount(), kKeptSolids);
    // 10 in the slot, 7, 8 and 9 kept, 6 dropped.
    const int64_t built = SolidsBuiltForSlots();
    for (int64_t m : {9, 8, 7}) ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(m)));
    EXPECT_EQ(SolidsBuiltForSlots(), built);
    ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(6)));
    EXPECT_EQ(SolidsBuiltForSlots(), built + 1);
    EXPECT_EQ(KeptSolidCount(), kKeptSolids);
}

// With a waiter, the build runs off this thread and the waiter is called
// meanwhile; a waiter that stops waiting leaves the slot as it was, and the
// build, finished on its own, is kept for the next ask.
TEST_F(KeptSolidsTest, AWaiterIsServedAndABuildNotWaitedForIsKept) {
    ASSERT_TRUE(SetUpSolidInSlot(&slot, SetUpOf(7)));
    struct Waiting {
        int calls = 0;
        int stopAfter = 0;
    } waiting;
    SetSolidBuildWaiter(
        [](void* context) {
            auto* w = static_cast<Waiting*>(context);
            return ++w->calls < w->stopAfter;
        },
        &waiting);
    // The build cannot end while this thread holds the builds' lock: the
    // waiter is asked.
    const SolidSetUp slow = SetUpOf(9);
    waiting.stopAfter = 1;
    polyhedron* before = slot;
    SolidBuildLock().lock();
    EXPECT_FALSE(SetUpSolidInSlot(&slot, slow));
    SolidBuildLock().unlock();
    EXPECT_EQ(slot, before);
    EXPECT_EQ(slot->lastOutputMode, 7);
    EXPECT_EQ(waiting.calls, 1);
    ForgetKeptSolids();   // waits for the build, then empties the store
    EXPECT_FALSE(SolidBuildUnderWay());
    // Asked again with a patient waiter: built off this thread, and the same
    // net as built here.
    waiting.calls = 0;
    waiting.stopAfter = 1 << 30;
    ASSERT_TRUE(SetUpSolidInSlot(&slot, slow));
    EXPECT_EQ(slot->lastOutputMode, 9);
    EXPECT_EQ(NetOf(slot), FreshNet(slow));
    // Left and asked again: the build left goes on and is kept.
    const SolidSetUp other = SetUpOf(10);
    waiting.stopAfter = 1;
    waiting.calls = 0;
    SolidBuildLock().lock();
    EXPECT_FALSE(SetUpSolidInSlot(&slot, other));
    SolidBuildLock().unlock();
    while (SolidBuildUnderWay()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SetSolidBuildWaiter(nullptr, nullptr);
    const int64_t built = SolidsBuiltForSlots();
    ASSERT_TRUE(SetUpSolidInSlot(&slot, other));
    EXPECT_EQ(SolidsBuiltForSlots(), built);
    EXPECT_EQ(slot->lastOutputMode, 10);
}

}  // namespace
