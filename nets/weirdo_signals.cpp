#include "nets/weirdo_signals.h"

namespace {

bool ValidGroup(int64_t g) { return g >= 0 && g < kMaxGroups; }

void AddToList(int16_t* slots, int64_t signal) {
    for (int k = 0; k < kSignalsPerSlot; ++k)
        if (slots[k] == -1) {
            slots[k] = int16_t(signal);
            return;
        }
}

}  // namespace

void AddGroupSignal(polyhedron* poly, int64_t group, int64_t signal) {
    if (!poly) return;
    if (group >= kMaxGroups) {
        poly->status = kPolyStatusGroupIndexOutOfRange;
        return;
    }
    if (group >= 0) AddToList(poly->groupSignal[group], signal);
}

void AddFragmentSignal(polyhedron* poly, int64_t fragment, int64_t signal) {
    if (poly && fragment >= 0 && fragment < kFragmentSignalRows) AddToList(poly->fragmentSignal[fragment], signal);
}

bool InSignalListforGroupN(int64_t signal, int64_t group, const polyhedron* poly) {
    if (!poly || signal == -1 || !ValidGroup(group) || poly->groupSignal[group][0] == -1) return false;
    for (int16_t s : poly->groupSignal[group])
        if (s == signal) return true;
    return false;
}

bool seeker_shares_2_signals_with_victim(const polyhedron* poly, int64_t a, int64_t b) {
    if (!poly || a == b || !ValidGroup(a) || !ValidGroup(b) || poly->groupSignal[a][0] == -1) return false;
    int shared = 0;
    for (int16_t s : poly->groupSignal[a])
        if (s != -1 && InSignalListforGroupN(s, b, poly)) ++shared;
    return shared >= 2;
}

bool fragment_shares_a_signal_with_group(const polyhedron* poly, int64_t f, int64_t g) {
    if (!poly || !ValidGroup(g) || f < 0 || f >= kFragmentSignalRows || poly->groupSignal[g][0] == -1) return false;
    for (int16_t s : poly->fragmentSignal[f])
        if (s != -1 && InSignalListforGroupN(s, g, poly)) return true;
    return false;
}

void Associate_a_frag_with_a_group(polyhedron* poly, int64_t f, int64_t g) {
    if (!poly || !ValidGroup(g)) return;
    for (int16_t& slot : poly->groupOwner[g])
        if (slot == -1) {
            slot = int16_t(f);
            return;
        }
}

void AddAutomaticGroupingInfo(polyhedron* poly) {
    if (!poly) return;
    for (int g = 0; g < kMaxGroups; ++g) {
        poly->groupNumber[g] = -1;  // 65535 read unsigned
        poly->groupOwner[g][0] = poly->groupOwner[g][1] = -1;
    }
    int16_t c = -1;
    for (int a = 0; a < kMaxGroups - 1; ++a)
        for (int b = a; b < kMaxGroups; ++b)
            if (seeker_shares_2_signals_with_victim(poly, a, b)) {
                if (poly->groupNumber[a] == -1) poly->groupNumber[a] = ++c;
                poly->groupNumber[b] = poly->groupNumber[a];
            }
    for (int g = 0; g < kMaxGroups; ++g)
        for (int f = 1; f <= kMaxFragments; ++f)
            if (fragment_shares_a_signal_with_group(poly, f, g)) Associate_a_frag_with_a_group(poly, f, g);
}
