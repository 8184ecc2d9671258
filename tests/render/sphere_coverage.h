// Which part of the sphere an output mode shows. The mode's own road, set up
// as a render sets it up, is sampled over the output on a grid that is
// refined wherever neighbouring samples lie far apart on the sphere; then a
// net of probe directions spread evenly over the sphere is held against the
// directions drawn. A probe far from every drawn direction lies in a part of
// the sphere that the output leaves out.
//
// The refinement follows a squeezed region (a lobe's tip, where a large cap
// of the sphere shrinks into a point of the plane) for as long as each
// halving of a cell brings its corners closer together, and gives up on a
// cut (two sides of a seam side by side) after a few halvings, where it
// does not.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/task_records.h"
#include "projections/polyhedral_transform.h"
#include "projections/sample_road.h"
#include "records/TransformationReply.h"
#include "records/vort.h"
#include "render/tile_passes.h"
#include "tests/render/render_fixture.h"

struct SphereCoverage {
    bool prepared = false;
    double missingArea = 0.0;  // square degrees of the sphere no drawn direction comes near
    double farthest = 0.0;     // degrees from the worst probe to its nearest drawn direction
    std::array<double, 3> farthestProbe{};
    std::vector<std::array<double, 3>> missed;  // the probes left out
    int64_t samples = 0;                        // output positions the road was asked for
};

struct SphereCoverageOptions {
    int64_t width = 2, height = 1;  // the output's proportions
    int base = 32;                  // cells of the first grid along the output's height
    double spread = 2.5;            // degrees: a cell whose corners lie farther apart is halved
    double reach = 3.0;             // degrees: a probe farther than this from all drawn is missed
    int probes = 20000;             // probe directions, a Fibonacci spiral over the sphere
    int64_t budget = 400000;        // the most samples asked for; past them no cell is halved
};

namespace sphere_coverage {

using Dir = std::array<double, 3>;

// The direction an equirectangular input position stands for (input mode 1).
inline Dir FromEquirectangular(double u, double v) {
    const double lam = 2.0 * M_PI * (1.0 - u) - M_PI, t = M_PI * v;
    return {std::sin(t) * std::sin(lam), std::cos(t), std::sin(t) * std::cos(lam)};
}

// Directions binned by latitude and longitude, a degree a bin: gathered
// with Add, then sorted into their bins once with Sort.
struct Bins {
    static constexpr int kLon = 360, kLat = 180;
    std::vector<Dir> held;
    std::vector<int32_t> first;  // bin b's directions are held[first[b] .. first[b + 1])
    static int Cell(const Dir& d) {
        const double lat = std::asin(std::clamp(d[1], -1.0, 1.0)), lon = std::atan2(d[0], d[2]);
        const int i = std::clamp(int((lon + M_PI) / (2 * M_PI) * kLon), 0, kLon - 1);
        const int j = std::clamp(int((lat + M_PI / 2) / M_PI * kLat), 0, kLat - 1);
        return j * kLon + i;
    }
    void Add(const Dir& d) { held.push_back(d); }
    void Sort() {
        std::vector<int32_t> cells(held.size());
        first.assign(size_t(kLon * kLat) + 1, 0);
        for (size_t k = 0; k < held.size(); ++k) ++first[size_t((cells[k] = Cell(held[k]))) + 1];
        for (size_t b = 1; b < first.size(); ++b) first[b] += first[b - 1];
        std::vector<Dir> sorted(held.size());
        std::vector<int32_t> next(first.begin(), first.end() - 1);
        for (size_t k = 0; k < held.size(); ++k) sorted[size_t(next[size_t(cells[k])]++)] = held[k];
        held.swap(sorted);
    }
    // The angle to the nearest direction held, or pi when none lies within
    // `within` radians. The nearest is the one of the shortest chord.
    double Nearest(const Dir& p, double within) const {
        const int cell = Cell(p), i = cell % kLon, j = cell / kLon;
        const int rings = int(std::ceil(within * 180.0 / M_PI)) + 1;
        double best = 4.0 * 2.0;  // chord squared, beyond the longest (2)
        for (int jj = std::max(0, j - rings); jj <= std::min(kLat - 1, j + rings); ++jj) {
            const double lat = std::fabs((jj + 0.5) / kLat * M_PI - M_PI / 2) + double(rings) * M_PI / kLat;
            const int span = lat >= M_PI / 2 - 1e-9 ? kLon / 2 : std::min(kLon / 2, int(rings / std::cos(lat)) + 1);
            for (int di = -span; di <= span; ++di) {
                const int ii = ((i + di) % kLon + kLon) % kLon;
                for (int32_t k = first[size_t(jj * kLon + ii)]; k < first[size_t(jj * kLon + ii) + 1]; ++k) {
                    const Dir& q = held[size_t(k)];
                    const double x = p[0] - q[0], y = p[1] - q[1], z = p[2] - q[2];
                    best = std::min(best, x * x + y * y + z * z);
                }
            }
        }
        return best > 4.0 ? M_PI : 2.0 * std::asin(std::min(1.0, 0.5 * std::sqrt(best)));
    }
    // The angle to the nearest direction held, searched near first: most
    // probes lie within a degree of something drawn.
    double Nearest(const Dir& p, double reach, double farthest) const {
        const double degree = M_PI / 180.0;
        double d = Nearest(p, degree);
        if (d > degree) d = Nearest(p, reach);
        if (d > reach) d = Nearest(p, farthest);
        return d;
    }
};

}  // namespace sphere_coverage

// Samples output mode `mode` (settings as the rig holds them, input read as
// equirectangular) and measures what it leaves out.
inline SphereCoverage ProbeSphereCoverage(RenderRig& rig, int32_t mode, const SphereCoverageOptions& o = {}) {
    using namespace sphere_coverage;
    SphereCoverage result;
    rig.params->inputMode = 1;
    rig.params->outputMode = mode;
    rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
    const int64_t W = 8 * o.width, H = 8 * o.height;
    if (!rig.SetInput(W, H, kPyrColourFloat, [](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 1.0f; }))
        return result;
    RenderJob job(*rig.params);
    if (!PrepareRenderContext(&job, rig.data.get())) return result;
    auto context = std::make_unique<vort>();
    auto task = std::make_unique<PerTaskStuffType>();
    task->context = context.get();
    task->job = &job;
    PrerollOneTileTask(task.get());
    vort* c = context.get();
    RoadTaskState state{&task->hints[0], &task->hints[1], &task->lastTissotSpot};
    // The net's triangles are found through a span list of a band of the
    // output at a time, as the renderer's rows find them; a net the samples
    // reach elsewhere (a floret's basis, a folded or repeated layout) is
    // listed whole.
    const polyhedron* net = c->polyhedral ? c->outputPolyhedron : nullptr;
    const long m = c->outputMode;
    const bool banded = net && !net->floretFlag && m != 7 && m != 64 && m != 368 && m != 370 && m != 1045 &&
                        !(m >= 371 && m <= 382);
    if (net && !banded) PrepareShortTriList(net, -1, &task->hints[0], false, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);

    // Positions on a lattice 2^kDeep finer than the first grid, so that
    // shared corners are asked once.
    constexpr int kDeep = 40;
    const int rows = o.base, columns = int(std::lround(double(o.base) * double(o.width) / double(o.height)));
    struct Sample {
        bool drawn;
        Dir d;
    };
    // The samples asked for, found by their lattice position in a table
    // of open addressing that doubles when half full.
    std::vector<Sample> samples;
    std::vector<std::pair<int64_t, int64_t>> keys;
    std::vector<int32_t> slots(size_t(1) << 16, -1);
    samples.reserve(size_t(o.budget) + 1024);
    keys.reserve(size_t(o.budget) + 1024);
    auto slotOf = [&](int64_t x, int64_t y) {
        const size_t mask = slots.size() - 1;
        // The lattice positions of coarse cells end in many zero bits: a
        // mix that carries the high bits down.
        uint64_t z = uint64_t(x) * 0x9E3779B97F4A7C15ULL + uint64_t(y);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        size_t h = size_t(z ^ (z >> 31)) & mask;
        while (slots[h] >= 0 && keys[size_t(slots[h])] != std::make_pair(x, y)) h = (h + 1) & mask;
        return h;
    };
    Bins drawn;
    auto at = [&](int64_t x, int64_t y) -> Sample {
        const size_t slot = slotOf(x, y);
        if (slots[slot] >= 0) return samples[size_t(slots[slot])];
        const double u = std::ldexp(double(x), -kDeep) / columns, v = std::ldexp(double(y), -kDeep) / rows;
        TransformationReply r = c->replyTemplate;
        CrazyDoSolarRect(float(u), float(v), c, &r, state);
        ++result.samples;
        Sample s{false, {0, 0, 1}};
        const bool region = (r.place >= 0 && r.place < kPlaceGlueTabBase) || r.place == kPlaceNoRegion;
        if (region && !(r.flags & 1) && r.inputU >= 0.0f && r.inputU <= 1.0f && r.inputV >= 0.0f &&
            r.inputV <= 1.0f) {
            s.drawn = true;
            s.d = FromEquirectangular(r.inputU, r.inputV);
            drawn.Add(s.d);
        }
        slots[slot] = int32_t(samples.size());
        samples.push_back(s);
        keys.push_back({x, y});
        if (2 * samples.size() > slots.size()) {
            slots.assign(2 * slots.size(), -1);
            for (size_t k = 0; k < keys.size(); ++k) slots[slotOf(keys[k].first, keys[k].second)] = int32_t(k);
        }
        return s;
    };

    const double spread = o.spread * M_PI / 180.0;
    // A cell at (x, y) of side 2^shift lattice steps, halved while its
    // corners lie far apart: freely for the first few halvings, then only
    // while each halving shrinks the spread (a squeezed point, not a cut).
    struct Cell {
        int64_t x, y;
        int shift;
        double ancestors[3];  // the spreads of the cell's parent, grandparent and great-grandparent
    };
    std::vector<Cell> stack;
    constexpr int kFree = 5, kBoundary = 1, kOutline = 16;
    for (int j = 0; j < rows; ++j) {
        if (banded) {
            float x0, y0, x1, y1;
            PolyhedralNetPoint(c, 0.0f, float(j) / rows, &x0, &y0);
            PolyhedralNetPoint(c, 1.0f, float(j + 1) / rows, &x1, &y1);
            const float margin = 0.01f * std::fabs(y1 - y0);
            PrepareShortTriList(net, -1, &task->hints[0], true, std::min(y0, y1), std::max(y0, y1), margin,
                                std::min(x0, x1), std::max(x0, x1));
        }
        for (int i = 0; i < columns; ++i)
            stack.push_back({int64_t(i) << kDeep, int64_t(j) << kDeep, kDeep, {M_PI * 4, M_PI * 4, M_PI * 4}});
    while (!stack.empty()) {
        const Cell cell = stack.back();
        stack.pop_back();
        // Nine samples: the corners, the middles of the sides and the centre
        // (the corners of the four halves).
        const int64_t half = int64_t(1) << (cell.shift - 1);
        Sample nine[9];
        int count = 0;
        for (int q = 0; q < 9; ++q) {
            nine[q] = at(cell.x + (q % 3) * half, cell.y + (q / 3) * half);
            count += nine[q].drawn ? 1 : 0;
        }
        if (count == 0) continue;
        const int depth = kDeep - cell.shift;
        // The spread of the drawn samples; a cell on the figure's outline is
        // halved a few times to find the outline.
        double leastDot = 1.0;
        for (int a = 0; a < 9; ++a)
            for (int b = a + 1; b < 9; ++b)
                if (nine[a].drawn && nine[b].drawn) {
                    const Dir& p = nine[a].d;
                    const Dir& q = nine[b].d;
                    leastDot = std::min(leastDot, p[0] * q[0] + p[1] * q[1] + p[2] * q[2]);
                }
        const double cellSpread = std::acos(std::clamp(leastDot, -1.0, 1.0));
        bool halve = count < 9 && depth < kBoundary;
        // A cell inside the figure is halved while its samples lie far apart,
        // freely at first and then only while they come closer (across a cut
        // they never do). A cell on the outline whose drawn samples lie far
        // apart is halved down to a few thousandths of the first cell: about
        // a squeezed point (a lobe's tip, where a cap of the sphere shrinks
        // into a point of the outline) the cell's image reaches well past its
        // samples.
        if (cellSpread > spread) halve = halve || depth < kFree || cellSpread < 0.8 * cell.ancestors[2];
        if (count < 9 && cellSpread > spread / 4 && depth < kOutline) halve = true;
        if (!halve || cell.shift <= 1 || result.samples > o.budget) continue;
        for (int q = 0; q < 4; ++q)
            stack.push_back({cell.x + (q & 1) * half, cell.y + (q >> 1) * half, cell.shift - 1,
                             {count >= 2 ? cellSpread : M_PI * 4, cell.ancestors[0], cell.ancestors[1]}});
    }
    }

    drawn.Sort();
    const double reach = o.reach * M_PI / 180.0;
    int missed = 0;
    for (int k = 0; k < o.probes; ++k) {
        const double y = 1.0 - 2.0 * (k + 0.5) / o.probes, r = std::sqrt(1.0 - y * y);
        const double phi = k * M_PI * (3.0 - std::sqrt(5.0));
        const Dir p{r * std::cos(phi), y, r * std::sin(phi)};
        const double nearest = drawn.Nearest(p, reach, M_PI / 6);  // how far, up to 30 degrees
        if (nearest > reach) {
            ++missed;
            result.missed.push_back(p);
        }
        if (nearest > result.farthest * M_PI / 180.0) {
            result.farthest = std::min(nearest, M_PI) * 180.0 / M_PI;
            result.farthestProbe = p;
        }
    }
    result.missingArea = 4.0 * M_PI * (180.0 / M_PI) * (180.0 / M_PI) * missed / o.probes;
    result.prepared = true;
    PostrollOneTileTask(task.get());  // frees the span lists the task was given
    FinishRenderContext(&job);
    return result;
}
