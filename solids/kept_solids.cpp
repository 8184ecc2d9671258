#include "solids/kept_solids.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/background_work.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron.h"
#include "solids/poly_setup.h"

namespace {

struct Kept {
    polyhedron* poly = nullptr;
    uint64_t lastUsed = 0;
};

// One build asked of the background thread, into the spare record when
// there was one.
struct Build {
    SolidSetUp setUp;
    Data* data = nullptr;
    polyhedron* record = nullptr;
    uint64_t generation = 0;
};

struct Store {
    std::mutex lock;             // the kept records, the spare and the counters below
    std::vector<Kept> kept;
    // A record no longer kept, its storage emptied, for the next build: a
    // whole record is large, and made afresh it costs more than many builds.
    polyhedron* spare = nullptr;
    // The build before the turn of the pages drawn last (main thread only).
    polyhedron* unturned = nullptr;
    uint64_t clock = 0;
    uint64_t latestAsked = 0;    // the generation of the last build asked for
    int64_t built = 0;
    std::shared_ptr<Build> asked;               // main thread only
    std::shared_ptr<BackgroundWork> askedWork;  // main thread only
    bool (*waiter)(void*) = nullptr;            // main thread only
    void* waiterContext = nullptr;
    bool keeping = false;                       // main thread only
};

// Never destroyed: a build may still be running on the background thread
// while the process exits.
Store& TheStore() {
    static Store* store = new Store;
    return *store;
}

bool Holds(const polyhedron* poly, const SolidSetUp& s) {
    return PolyHoldsSetUp(poly, s.mode, s.secondParameter, s.setupMode, s.optionByte, s.flag, s.netSettingA,
                          s.netSettingB, s.angle);
}

// A record that holds a build (of any arguments) is worth keeping.
bool HoldsABuild(const polyhedron* poly) { return poly && poly->lastOutputMode != -9999; }

void FreeRecord(polyhedron* poly) { FreePolyhedron(&poly); }

// A record that no longer holds a kept build: the spare, or freed when there
// is one. Under the lock.
void SpareLocked(Store& s, polyhedron* poly) {
    if (!poly) return;
    if (s.spare) {
        FreeRecord(poly);
        return;
    }
    DumpPolyStorage(poly);
    poly->lastOutputMode = -9999;
    s.spare = poly;
}

// Keeps poly, the least recently used kept solid making room. Under the lock.
void KeepLocked(Store& s, polyhedron* poly) {
    if (!HoldsABuild(poly)) {
        SpareLocked(s, poly);
        return;
    }
    if (int(s.kept.size()) >= kKeptSolids) {
        size_t oldest = 0;
        for (size_t i = 1; i < s.kept.size(); ++i)
            if (s.kept[i].lastUsed < s.kept[oldest].lastUsed) oldest = i;
        SpareLocked(s, s.kept[oldest].poly);
        s.kept.erase(s.kept.begin() + ptrdiff_t(oldest));
    }
    s.kept.push_back(Kept{poly, ++s.clock});
}

polyhedron* TakeSpare(Store& s) {
    std::lock_guard<std::mutex> hold(s.lock);
    polyhedron* spare = s.spare;
    s.spare = nullptr;
    return spare;
}

// The kept record of setUp, taken out of the store; null when none.
polyhedron* TakeKept(Store& s, const SolidSetUp& setUp) {
    std::lock_guard<std::mutex> hold(s.lock);
    for (size_t i = 0; i < s.kept.size(); ++i)
        if (Holds(s.kept[i].poly, setUp)) {
            polyhedron* poly = s.kept[i].poly;
            s.kept.erase(s.kept.begin() + ptrdiff_t(i));
            return poly;
        }
    return nullptr;
}

// The slot takes poly; the slot's own record is kept (or freed when it holds
// nothing). The caller's fields go with the slot.
void PutInSlot(Store& s, polyhedron** slot, polyhedron* poly) {
    polyhedron* old = *slot;
    poly->data = old->data;
    poly->exportPiece = old->exportPiece;
    *slot = poly;
    std::lock_guard<std::mutex> hold(s.lock);
    KeepLocked(s, old);
}

void SetUp(polyhedron* poly, const SolidSetUp& u) {
    HooBoyPolySetup(u.mode, poly, u.secondParameter, u.setupMode, u.optionByte, u.hostValue, u.flag, u.netSettingA,
                    u.netSettingB, u.angle);
}

// The build into record, or a new record when null.
polyhedron* BuildRecord(const SolidSetUp& u, Data* data, polyhedron* record) {
    polyhedron* poly = record ? record : NewPolyhedron(u.netSettingA, u.netSettingB);
    if (!poly) return nullptr;
    poly->data = data;
    poly->exportPiece = 0;
    HooBoyPolySetup(u.mode, poly, u.secondParameter, u.setupMode, u.optionByte, u.hostValue, u.flag, u.netSettingA,
                    u.netSettingB, u.angle);
    return poly;
}

// The solid of u turned from its build before the turn into record: the
// unturned build kept from the page before, else built now. False when
// either cannot be made; record then holds no storage.
bool TurnFromUnturned(Store& s, const SolidSetUp& u, Data* data, polyhedron* record) {
    if (!PolyHoldsUnturnedSetUp(s.unturned, u.mode, u.secondParameter, u.setupMode, u.optionByte, u.flag,
                                u.netSettingA, u.netSettingB)) {
        if (!s.unturned) s.unturned = TakeSpare(s);
        if (!s.unturned) s.unturned = NewPolyhedron(u.netSettingA, u.netSettingB);
        if (!s.unturned) return false;
        DumpPolyStorage(s.unturned);
        s.unturned->data = data;
        s.unturned->exportPiece = 0;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            ++s.built;
        }
        if (!BuildSolidUnturned(u.mode, s.unturned, u.secondParameter, u.setupMode, u.optionByte, u.hostValue, u.flag,
                                u.netSettingA, u.netSettingB))
            return false;
    }
    return TurnBuiltSolid(s.unturned, record, u.hostValue, u.angle);
}

void ForgetUnturned(Store& s) {
    if (!s.unturned) return;
    std::lock_guard<std::mutex> hold(s.lock);
    SpareLocked(s, s.unturned);
    s.unturned = nullptr;
}

// The background thread's part: the build, kept once done. A build asked
// for and overtaken by a later one before it began is not made: nobody
// waits for it any more.
void BuildInBackground(void* context) {
    auto* b = static_cast<Build*>(context);
    Store& s = TheStore();
    polyhedron* record = b->record;
    b->record = nullptr;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (b->generation != s.latestAsked) {
            SpareLocked(s, record);
            return;
        }
    }
    polyhedron* poly = BuildRecord(b->setUp, b->data, record);
    std::lock_guard<std::mutex> hold(s.lock);
    ++s.built;
    if (poly) KeepLocked(s, poly);
}

bool SameSetUp(const SolidSetUp& a, const SolidSetUp& b) {
    return a.mode == b.mode && a.secondParameter == b.secondParameter && a.setupMode == b.setupMode &&
           a.optionByte == b.optionByte && a.flag == b.flag && a.netSettingA == b.netSettingA &&
           a.netSettingB == b.netSettingB && a.angle == b.angle;
}

}  // namespace

bool SetUpSolidInSlot(polyhedron** slot, const SolidSetUp& u) {
    if (!slot || !*slot) return false;
    polyhedron* poly = *slot;
    Store& s = TheStore();
    // The slot's build, or a one-face build (picked on the record itself): made in place.
    if (Holds(poly, u) || poly->selectedFace != -1) {
        SetUp(poly, u);
        return true;
    }
    if (polyhedron* kept = TakeKept(s, u)) {
        PutInSlot(s, slot, kept);
        return true;
    }
    if (!s.waiter && u.turnedPerPage && poly->selectedFace == -1) {
        // A page: turned from the build the pages share, into a record of
        // its own while solids are kept, else into the slot's record.
        polyhedron* record = s.keeping ? TakeSpare(s) : poly;
        if (!record) record = NewPolyhedron(u.netSettingA, u.netSettingB);
        if (record && TurnFromUnturned(s, u, poly->data, record)) {
            if (record != poly) PutInSlot(s, slot, record);
            return true;
        }
        if (record && record != poly) {
            std::lock_guard<std::mutex> hold(s.lock);
            SpareLocked(s, record);
        }
    } else if (!s.waiter) {
        ForgetUnturned(s);
    }
    if (!s.waiter) {
        // Built here: while solids are kept, into a record of its own (the
        // spare, once the store is full) so that the slot's build is kept;
        // else, or without a record to be had, in the slot's record, its
        // storage emptied first, as it always was.
        {
            std::lock_guard<std::mutex> hold(s.lock);
            ++s.built;
        }
        if (polyhedron* built = s.keeping ? BuildRecord(u, poly->data, TakeSpare(s)) : nullptr) {
            PutInSlot(s, slot, built);
            return true;
        }
        DumpPolyStorage(poly);
        SetUp(poly, u);
        return true;
    }
    // Off this thread: the build asked for last when it is this one, else a new one.
    if (!s.asked || !SameSetUp(s.asked->setUp, u) || BackgroundWorkDone(*s.askedWork)) {
        // A build that ended since the store was looked at is kept now.
        if (polyhedron* kept = TakeKept(s, u)) {
            PutInSlot(s, slot, kept);
            return true;
        }
        auto b = std::make_shared<Build>();
        b->setUp = u;
        b->data = poly->data;
        b->record = TakeSpare(s);
        {
            std::lock_guard<std::mutex> hold(s.lock);
            b->generation = ++s.latestAsked;
        }
        s.asked = b;
        s.askedWork = RunInBackground(&BuildInBackground, b);
    }
    const std::shared_ptr<BackgroundWork> work = s.askedWork;
    while (!WaitForBackgroundWork(*work, 0.004))
        if (!s.waiter(s.waiterContext)) return false;
    if (polyhedron* done = TakeKept(s, u)) {
        PutInSlot(s, slot, done);
        return true;
    }
    // No record could be had for it: built in the slot's record, here.
    DumpPolyStorage(poly);
    SetUp(poly, u);
    return true;
}

void KeepSolidsBuilt(bool on) { TheStore().keeping = on; }

void SetSolidBuildWaiter(bool (*waiter)(void* context), void* context) {
    TheStore().waiter = waiter;
    TheStore().waiterContext = context;
}

bool SolidBuildUnderWay() {
    const Store& s = TheStore();
    return s.askedWork && !BackgroundWorkDone(*s.askedWork);
}

int KeptSolidCount() {
    Store& s = TheStore();
    std::lock_guard<std::mutex> hold(s.lock);
    return int(s.kept.size());
}

int64_t SolidsBuiltForSlots() {
    Store& s = TheStore();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.built;
}

void ForgetKeptSolids() {
    Store& s = TheStore();
    if (s.askedWork) WaitForBackgroundWork(*s.askedWork, 1e9);
    s.asked.reset();
    s.askedWork.reset();
    std::lock_guard<std::mutex> hold(s.lock);
    for (Kept& k : s.kept) FreeRecord(k.poly);
    s.kept.clear();
    if (s.unturned) FreeRecord(s.unturned);
    s.unturned = nullptr;
    if (s.spare) FreeRecord(s.spare);
    s.spare = nullptr;
}
