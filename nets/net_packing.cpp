#include "nets/net_packing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/foundation_threads.h"
#include "platform/worker_pool.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTurns = 36;          // turns tried, 10 degrees apart
constexpr double kCellsAcross = 80;  // cells along the side of a square of the net's area
constexpr int kFirstTurns = 2;      // turns of the first piece tried, those of the smallest boxes
constexpr double kGap = 0.005;       // between fragments, beyond their tabs: a share of that side

struct Point {
    double x, y;
};

// One fragment: its faces as polygons of net positions.
struct Piece {
    int64_t fragment;
    std::vector<std::vector<Point>> faces;
    double area;
    double reach;
};

// A piece turned and laid on the cell grid: which cells it (with its reach
// and the gap) takes, rows of bits from (x0, y0) in cells of the turned plane.
struct Raster {
    int64_t x0 = 0, y0 = 0, width = 0, height = 0, words = 0;
    std::vector<uint64_t> bits;  // height rows of `words` words
    bool Get(int64_t i, int64_t j) const { return (bits[size_t(j * words + (i >> 6))] >> (i & 63)) & 1; }
    void Set(int64_t i, int64_t j) { bits[size_t(j * words + (i >> 6))] |= uint64_t(1) << (i & 63); }
};

double PolygonArea(const std::vector<Point>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point& u = p[i];
        const Point& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return 0.5 * std::fabs(a);
}

Point Turn(Point p, double c, double s) { return {c * p.x - s * p.y, s * p.x + c * p.y}; }

// int64_t(std::floor(v)) for the v of a sheet's cells, without the library's call.
inline int64_t Floor(double v) {
    const int64_t i = int64_t(v);
    return i - int64_t(double(i) > v);
}

// The cells within `grow` of the piece turned by (c, s): the cells the
// faces touch, grown by a disc a cell wider than `grow`, so that a cell
// any of whose points may lie within that distance is taken.
Raster Rasterise(const Piece& piece, double c, double s, double cell, double grow) {
    std::vector<std::vector<Point>> faces;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const auto& f : piece.faces) {
        std::vector<Point> t;
        for (const Point& p : f) {
            t.push_back(Turn(p, c, s));
            minX = std::min(minX, t.back().x), maxX = std::max(maxX, t.back().x);
            minY = std::min(minY, t.back().y), maxY = std::max(maxY, t.back().y);
        }
        faces.push_back(t);
    }
    const double radius = grow / cell + 0.71;
    const int64_t pad = int64_t(std::ceil(radius)) + 1;
    Raster core;
    core.x0 = int64_t(std::floor(minX / cell)) - pad;
    core.y0 = int64_t(std::floor(minY / cell)) - pad;
    core.width = int64_t(std::floor(maxX / cell)) + pad + 1 - core.x0;
    core.height = int64_t(std::floor(maxY / cell)) + pad + 1 - core.y0;
    core.words = (core.width + 63) / 64;
    core.bits.assign(size_t(core.height * core.words), 0);
    auto mark = [&](double x, double y) { core.Set(Floor(x / cell) - core.x0, Floor(y / cell) - core.y0); };
    std::vector<double> crossings;
    for (const auto& f : faces) {
        // The cells along the edges, then those whose centres lie inside.
        double fx0 = 1e300, fx1 = -1e300, fy0 = 1e300, fy1 = -1e300;
        for (size_t k = 0; k < f.size(); ++k) {
            const Point a = f[k], b = f[(k + 1) % f.size()];
            const int steps = int(std::ceil(4.0 * std::hypot(b.x - a.x, b.y - a.y) / cell)) + 1;
            for (int q = 0; q <= steps; ++q) mark(a.x + (b.x - a.x) * q / steps, a.y + (b.y - a.y) * q / steps);
            fx0 = std::min(fx0, a.x), fx1 = std::max(fx1, a.x), fy0 = std::min(fy0, a.y), fy1 = std::max(fy1, a.y);
        }
        for (int64_t j = int64_t(std::floor(fy0 / cell)); j <= int64_t(std::floor(fy1 / cell)); ++j) {
            // Where the edges cross the row through the cells' centres (as
            // Inside works them out): a centre lies inside when an odd
            // number of them lie to its right.
            const double y = (double(j) + 0.5) * cell;
            crossings.clear();
            for (size_t i = 0, k = f.size() - 1; i < f.size(); k = i++)
                if ((f[i].y > y) != (f[k].y > y)) crossings.push_back((f[k].x - f[i].x) * (y - f[i].y) / (f[k].y - f[i].y) + f[i].x);
            if (crossings.empty()) continue;
            for (int64_t i = int64_t(std::floor(fx0 / cell)); i <= int64_t(std::floor(fx1 / cell)); ++i) {
                const double x = (double(i) + 0.5) * cell;
                bool in = false;
                for (double c : crossings) in = in != (x < c);
                if (in) core.Set(i - core.x0, j - core.y0);
            }
        }
    }
    // Grown by the disc: each row widened by the disc's half width at each
    // height over or under it.
    Raster r = core;
    std::fill(r.bits.begin(), r.bits.end(), 0);
    std::vector<int64_t> half(size_t(2 * pad + 1), -1);  // by dj + pad; -1 past the disc
    for (int64_t dj = -pad; dj <= pad; ++dj)
        if (double(std::llabs(dj)) <= radius)
            half[size_t(dj + pad)] = std::min(int64_t(std::floor(std::sqrt(radius * radius - double(dj * dj)))), pad);
    // The row widened by 0 .. pad cells, level after level.
    const size_t words = size_t(core.words);
    std::vector<uint64_t> widened(size_t(pad + 1) * words);
    for (int64_t j = 0; j < core.height; ++j) {
        const uint64_t* row = core.bits.data() + j * core.words;
        bool any = false;
        for (size_t k = 0; k < words; ++k) any = any || row[k];
        if (!any) continue;
        std::copy(row, row + words, widened.begin());
        for (int64_t w = 1; w <= pad; ++w) {
            const uint64_t* from = widened.data() + size_t(w - 1) * words;
            uint64_t* to = widened.data() + size_t(w) * words;
            for (size_t k = 0; k < words; ++k) {
                to[k] = from[k] | from[k] << 1 | from[k] >> 1;
                if (k > 0) to[k] |= from[k - 1] >> 63;
                if (k + 1 < words) to[k] |= from[k + 1] << 63;
            }
        }
        for (int64_t dj = -pad; dj <= pad; ++dj) {
            const int64_t to = j + dj;
            if (to < 0 || to >= r.height || half[size_t(dj + pad)] < 0) continue;
            const uint64_t* src = widened.data() + size_t(half[size_t(dj + pad)]) * words;
            for (size_t k = 0; k < words; ++k) r.bits[size_t(to) * words + k] |= src[k];
        }
    }
    return r;
}

// The cells taken so far, on a grid wide enough for every piece side by side.
// Beside the cells themselves, level k holds for each cell whether any of
// the 2^k cells from it rightwards is taken, so that a run of cells of any
// length is tested against 64 places at once with two reads. Each row has
// two words of nothing past its end.
struct Sheet {
    int64_t size = 0, words = 0, stride = 0;
    std::vector<uint64_t> levels;  // level after level, rows of `stride` words
    int64_t levelSize = 0;
    bool any = false;
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;  // the cells taken, inclusive-exclusive
    // A sheet of size x size cells whose levels reach 2^top cells.
    void Start(int64_t size_, int top) {
        size = size_;
        words = (size + 63) / 64;
        stride = words + 2;
        levelSize = size * stride;
        levels.assign(size_t((top + 1) * levelSize), 0);
    }
    int Top() const { return int(int64_t(levels.size()) / levelSize) - 1; }
    const uint64_t* Row(int k, int64_t j) const { return levels.data() + k * levelSize + j * stride; }
    uint64_t Word(int64_t j, int64_t q) const { return q < 0 || q >= stride ? 0 : Row(0, j)[q]; }
    // Bits i = 0 .. 63: whether any of the 2^k cells from (at + i, row) is
    // taken (at >= 0).
    uint64_t Window(int k, int64_t row, int64_t at) const {
        const uint64_t* s = Row(k, row);
        const int64_t q = at >> 6, shift = at & 63;
        if (q + 1 >= stride) return q < stride ? s[q] >> shift : 0;
        return s[q] >> shift | (s[q + 1] << 1) << (63 - shift);
    }
    void Lay(const Raster& r, int64_t X, int64_t Y) {
        for (int64_t j = 0; j < r.height; ++j)
            for (int64_t i = 0; i < r.width; ++i)
                if (r.Get(i, j)) {
                    const int64_t x = X + i, y = Y + j;
                    levels[size_t(y * stride + (x >> 6))] |= uint64_t(1) << (x & 63);
                    if (!any) minX = maxX = x, minY = maxY = y;
                    any = true;
                    minX = std::min(minX, x), maxX = std::max(maxX, x + 1);
                    minY = std::min(minY, y), maxY = std::max(maxY, y + 1);
                }
        // The levels of the rows laid on, one after the other.
        for (int k = 1; k <= Top(); ++k)
            for (int64_t y = Y; y < Y + r.height; ++y) {
                uint64_t* to = levels.data() + k * levelSize + y * stride;
                const uint64_t* from = Row(k - 1, y);
                for (int64_t q = 0; q < words; ++q)
                    to[q] = from[q] | Window(k - 1, y, 64 * q + (int64_t(1) << (k - 1)));
            }
    }
};

// The set bits of a word, inline: the library's call for it cost a tenth of
// a packing, which counts them at most places a piece may go.
inline int64_t Bits(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return int64_t((x * 0x0101010101010101ull) >> 56);
}

// How many taken cells of the sheet the raster laid with its cell (0, 0) at
// (X, Y) touches; rows outside the band of taken rows hold none.
int64_t Contact(const Sheet& sheet, const Raster& r, int64_t X, int64_t Y) {
    int64_t n = 0;
    const int64_t j0 = std::max<int64_t>(0, sheet.minY - Y), j1 = std::min(r.height, sheet.maxY - Y);
    for (int64_t j = j0; j < j1; ++j) {
        const int64_t row = Y + j;
        for (int64_t k = 0; k < r.words; ++k) {
            const uint64_t b = r.bits[size_t(j * r.words + k)];
            if (!b) continue;
            const int64_t at = X + 64 * k, q = at >> 6, shift = at & 63;
            n += Bits(sheet.Word(row, q) & (b << shift));
            if (shift) n += Bits(sheet.Word(row, q + 1) & (b >> (64 - shift)));
        }
    }
    return n;
}

// The cells next to the raster's (sideways or up and down) that it does not
// take, on a grid one cell larger all round: laid at (X - 1, Y - 1) beside
// the raster at (X, Y).
Raster Ring(const Raster& r) {
    Raster g;
    g.x0 = r.x0 - 1, g.y0 = r.y0 - 1, g.width = r.width + 2, g.height = r.height + 2, g.words = (g.width + 63) / 64;
    g.bits.assign(size_t(g.height * g.words), 0);
    // Row y of the raster on the ring's grid (cell i of the raster at i + 1),
    // shifted by `shift` (1: each cell moves right, -1: left); none past
    // the raster's rows.
    const size_t words = size_t(g.words);
    auto row = [&](int64_t y, int64_t k, int shift) -> uint64_t {
        if (y < 0 || y >= r.height) return 0;
        auto word = [&](int64_t q) -> uint64_t {  // word q of the row moved right by one
            if (q < 0 || q >= g.words) return 0;
            const uint64_t lo = q < r.words ? r.bits[size_t(y * r.words + q)] : 0;
            const uint64_t below = q > 0 && q - 1 < r.words ? r.bits[size_t(y * r.words + q - 1)] : 0;
            return lo << 1 | below >> 63;
        };
        if (shift == 0) return word(k);
        if (shift > 0) return word(k) << 1 | word(k - 1) >> 63;
        return word(k) >> 1 | word(k + 1) << 63;
    };
    for (int64_t j = 0; j < g.height; ++j)
        for (size_t k = 0; k < words; ++k) {
            const int64_t q = int64_t(k), y = j - 1;
            const uint64_t beside = row(y, q, 1) | row(y, q, -1) | row(y - 1, q, 0) | row(y + 1, q, 0);
            g.bits[size_t(j) * words + k] = ~row(y, q, 0) & beside;
        }
    return g;
}

// A rectangle of cells the raster takes whole (width 0: none): the longest
// run of its middle row, grown up and down while the rows hold all of it.
struct Core {
    int64_t x = 0, y = 0, width = 0, height = 0;
};

// Calls each(a, length) for the runs of taken cells a .. a + length - 1 of
// the raster's row j, from the left.
template <class Each>
void ForRunsOfRow(const Raster& r, int64_t j, Each each) {
    for (int64_t i = 0; i < r.width;) {
        if (!r.Get(i, j)) {
            ++i;
            continue;
        }
        int64_t e = i;
        while (e < r.width && r.Get(e, j)) ++e;
        each(i, e - i);
        i = e;
    }
}

Core CoreOf(const Raster& r) {
    Core c;
    if (r.height <= 0) return c;
    const int64_t j = r.height / 2;
    ForRunsOfRow(r, j, [&](int64_t a, int64_t length) {
        if (length > c.width) c.x = a, c.width = length;
    });
    if (c.width == 0) return c;
    auto whole = [&](int64_t row) {
        for (int64_t i = c.x; i < c.x + c.width; ++i)
            if (!r.Get(i, row)) return false;
        return true;
    };
    int64_t top = j, bottom = j + 1;
    while (top > 0 && whole(top - 1)) --top;
    while (bottom < r.height && whole(bottom)) ++bottom;
    c.y = top, c.height = bottom - top;
    return c;
}

// A run of taken cells of a raster's row: row j, cells a .. a + length - 1,
// tested as the spans of 2^k cells from a and from b (b = a + length - 2^k).
struct Run {
    int64_t j, a, length;
    int k;
    int64_t b;
};

Run RunOf(int64_t j, int64_t a, int64_t length) {
    const int k = 63 - __builtin_clzll(uint64_t(length));
    return {j, a, length, k, a + length - (int64_t(1) << k)};
}

// The runs of the raster's rows, the middle row's first and then outwards:
// a piece that meets others mostly meets them there first.
std::vector<Run> RunsOf(const Raster& r) {
    std::vector<Run> runs;
    auto row = [&](int64_t j) {
        ForRunsOfRow(r, j, [&](int64_t a, int64_t length) { runs.push_back(RunOf(j, a, length)); });
    };
    for (int64_t up = r.height / 2, down = up + 1; up >= 0 || down < r.height;) {
        if (up >= 0) row(up--);
        if (down < r.height) row(down++);
    }
    return runs;
}

// A piece in one turn, as the search reads it: the core's rows come first
// among its runs.
struct Turned {
    Raster raster, ring;
    Core core;
    std::vector<Run> runs;
};

std::vector<Run> CoreAndRunsOf(const Raster& r, const Core& core) {
    std::vector<Run> runs;
    for (int64_t j = core.y; j < core.y + core.height && core.width; ++j) runs.push_back(RunOf(j, core.x, core.width));
    const std::vector<Run> rest = RunsOf(r);
    runs.insert(runs.end(), rest.begin(), rest.end());
    return runs;
}

// A run of a piece as read on the sheet for the places from `left` on: the
// words of its two spans in the sheet's levels, for the place in row 0.
struct RunOnSheet {
    int64_t j;
    int64_t first, second;  // word offsets into the levels
    int shiftFirst, shiftSecond;
};

void RunsOnSheet(const Sheet& sheet, const Turned& piece, int64_t left, std::vector<RunOnSheet>* out) {
    out->clear();
    for (const Run& run : piece.runs) {
        const int64_t base = run.k * sheet.levelSize + run.j * sheet.stride;
        out->push_back({run.j, base + ((left + run.a) >> 6), base + ((left + run.b) >> 6), int((left + run.a) & 63),
                        int((left + run.b) & 63)});
    }
}

// Bits i = 0 .. 63 of the sheet's words from w on, `shift` bits in.
inline uint64_t Bits64(const uint64_t* w, int shift) { return w[0] >> shift | (w[1] << 1) << (63 - shift); }

// Which places left .. right of row Y, 64 a word from `left` on, would have
// the piece meet a taken cell: those its core meets, then those any of its
// runs meets, until every place is refused. Bits past `right` are set.
void RefusedPlaces(const Sheet& sheet, const std::vector<RunOnSheet>& runs, int64_t left, int64_t right, int64_t Y,
                   std::vector<uint64_t>* out) {
    const size_t chunks = out->size();
    uint64_t* refused = out->data();
    uint64_t all = ~uint64_t(0);
    for (size_t c = 0; c < chunks; ++c) {
        const int64_t past = right + 1 - (left + 64 * int64_t(c));
        refused[c] = past >= 64 ? 0 : ~uint64_t(0) << past;
        all &= refused[c];
    }
    const uint64_t* row = sheet.levels.data() + Y * sheet.stride;
    for (size_t k = 0; k < runs.size() && ~all; ++k) {
        const RunOnSheet& run = runs[k];
        if (Y + run.j < sheet.minY || Y + run.j >= sheet.maxY) continue;
        const uint64_t *first = row + run.first, *second = row + run.second;
        size_t c = 0;
#if defined(__SSE2__)
        // Two words at a time: each lane shifted as Bits64 shifts it (a
        // shift by 64 gives nothing).
        const __m128i firstRight = _mm_cvtsi32_si128(run.shiftFirst),
                      firstLeft = _mm_cvtsi32_si128(64 - run.shiftFirst);
        const __m128i secondRight = _mm_cvtsi32_si128(run.shiftSecond),
                      secondLeft = _mm_cvtsi32_si128(64 - run.shiftSecond);
        auto load = [](const uint64_t* w) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(w)); };
        for (; c + 2 <= chunks; c += 2) {
            const __m128i a = _mm_or_si128(_mm_srl_epi64(load(first + c), firstRight),
                                           _mm_sll_epi64(load(first + c + 1), firstLeft));
            const __m128i b = _mm_or_si128(_mm_srl_epi64(load(second + c), secondRight),
                                           _mm_sll_epi64(load(second + c + 1), secondLeft));
            __m128i* to = reinterpret_cast<__m128i*>(refused + c);
            _mm_storeu_si128(to, _mm_or_si128(_mm_loadu_si128(to), _mm_or_si128(a, b)));
        }
#endif
        for (; c < chunks; ++c) refused[c] |= Bits64(first + c, run.shiftFirst) | Bits64(second + c, run.shiftSecond);
        all = ~uint64_t(0);
        for (c = 0; c < chunks; ++c) all &= refused[c];
    }
}

// The widest box (in whole cells) whose area w * h, as the search works it
// out, is within `area`.
int64_t WidestWithin(double area, double h) {
    int64_t w = int64_t(std::min(area / h, 1e15));
    while (double(w + 1) * h <= area) ++w;
    while (w > 0 && double(w) * h > area) --w;
    return w;
}

struct Placing {
    int turn;
    int64_t X, Y;  // the sheet cell of the raster's cell (0, 0)
};

// The threads RunShared runs work on: the calling one and pooled ones, as
// many as there are processors for.
int32_t SharingThreads() { return int32_t(std::clamp<int64_t>(NSProcessInfo_activeProcessorCount(), 1, 64)); }

// Runs work(0, thread) .. work(count - 1, thread), each once, on the calling
// thread (thread 0) and pooled threads 1 .. SharingThreads() - 1 (all on
// the calling thread when the pool is busy).
void RunShared(int32_t count, const std::function<void(int32_t, int32_t)>& work) {
    std::atomic<int32_t> next{0};
    const std::function<void(int32_t)> take = [&](int32_t thread) {
        for (int32_t i; (i = next++) < count;) work(i, thread);
    };
    const int32_t helpers = std::min(SharingThreads(), count) - 1;
    const std::function<void(int32_t)> helper = [&](int32_t n) { take(n + 1); };
    const bool started = helpers > 0 && StartPooledWork(helpers, helper) > 0;
    take(0);
    if (started) WaitForPooledWork();
}

// The best place of one turn of a piece, in one pass of the search: the
// place that grows the box least, and of those the snuggest, and of those
// the first in the order of rows, then columns.
struct TurnBest {
    double area = 1e300;
    int64_t contact = -1;
    Placing at{-1, 0, 0};
};

// Whether a, found in an earlier turn than b (or none), stays the better.
bool KeepsOver(const TurnBest& a, const TurnBest& b) {
    return b.at.turn < 0 || a.area < b.area || (a.area == b.area && a.contact >= b.contact);
}

// The refused places of three rows about the one searched, each kept
// until a row three further on takes its slot.
struct RowMasks {
    std::vector<uint64_t> rows[3];
    int64_t Y[3] = {-1, -1, -1};
    std::vector<RunOnSheet> runs;
};

// The best place of the piece (turn t) on the sheet in the pass: 0, places
// inside the box; 1, places that grow it. A place that meets no taken cell
// touches one exactly when a place next to it (sideways or up or down) is
// refused: the snugness of the others is 0 without a count.
TurnBest BestOfTurn(const Sheet& sheet, const Turned& piece, int t, int pass, RowMasks& masks,
                    std::atomic<double>& bound) {
    TurnBest best;
    const Raster& r = piece.raster;
    const int64_t x0 = std::max<int64_t>(pass ? sheet.minX - r.width : sheet.minX, 1);
    const int64_t x1 = std::min(pass ? sheet.maxX : sheet.maxX - r.width, sheet.size - r.width - 1);
    const int64_t y0 = std::max<int64_t>(pass ? sheet.minY - r.height : sheet.minY, 1);
    const int64_t y1 = std::min(pass ? sheet.maxY : sheet.maxY - r.height, sheet.size - r.height - 1);
    if (x0 > x1 || y0 > y1) return best;
    // Places x0 - 1 .. x1 + 1: those searched and the ones beside them.
    const int64_t left = x0 - 1;
    const size_t chunks = size_t((x1 + 2 - left + 63) / 64);
    for (int k = 0; k < 3; ++k) masks.rows[k].resize(chunks), masks.Y[k] = -1;
    RunsOnSheet(sheet, piece, left, &masks.runs);
    auto refused = [&](int64_t Y) -> const uint64_t* {
        const size_t slot = size_t(Y % 3);
        if (masks.Y[slot] != Y) RefusedPlaces(sheet, masks.runs, left, x1 + 1, Y, &masks.rows[slot]), masks.Y[slot] = Y;
        return masks.rows[slot].data();
    };
    auto bit = [left](const uint64_t* row, int64_t X) { return (row[(X - left) >> 6] >> ((X - left) & 63)) & 1; };
    for (int64_t Y = y0; Y <= y1; ++Y) {
        const double h = double(std::max(sheet.maxY, Y + r.height) - std::min(sheet.minY, Y));
        // The places of this row whose box is no larger than the best
        // found: those within the widest box it allows.
        int64_t from = x0, to = x1;
        const double limit = std::min(best.area, bound.load(std::memory_order_relaxed));
        if (limit < 1e300) {
            const int64_t widest = WidestWithin(limit, h);
            if (std::max(sheet.maxX - sheet.minX, r.width) > widest) continue;
            from = std::max(from, sheet.maxX - widest);
            to = std::min(to, sheet.minX + widest - r.width);
            if (from > to) continue;
        }
        const uint64_t* here = refused(Y);
        const uint64_t *above = nullptr, *below = nullptr;
        for (int64_t c = (from - left) >> 6; c <= (to - left) >> 6; ++c) {
            uint64_t open = ~here[c];
            while (open) {
                const int64_t X = left + 64 * c + __builtin_ctzll(open);
                open &= open - 1;
                if (X < from) continue;
                if (X > to) break;
                const double w = double(std::max(sheet.maxX, X + r.width) - std::min(sheet.minX, X));
                const double area = w * h;
                if (area > limit || area > best.area) continue;
                if (!above) above = refused(Y - 1), below = refused(Y + 1), here = refused(Y);
                const bool touches = bit(here, X - 1) || bit(here, X + 1) || bit(above, X) || bit(below, X);
                const int64_t contact = touches ? Contact(sheet, piece.ring, X - 1, Y - 1) : 0;
                if (area == best.area && contact <= best.contact) continue;
                best.area = area, best.contact = contact, best.at = {t, X, Y};
                for (double b = bound.load(std::memory_order_relaxed);
                     area < b && !bound.compare_exchange_weak(b, area, std::memory_order_relaxed);) {
                }
            }
        }
    }
    return best;
}

// Lays the pieces in order on a sheet, the first in turn `first` at (span,
// span) and each further one where it grows the box least, and of those
// places where it touches most of what lies there already (the snuggest);
// the box's area in cells, with the places in `placed`. The turns of a
// piece are searched side by side; of places equally good, the first turn's
// is kept.
double Place(const std::vector<std::vector<Turned>>& turned, int64_t span, int first, std::vector<Placing>* placed) {
    // The levels reach the longest run any piece tests.
    int64_t longest = 1;
    for (size_t i = 1; i < turned.size(); ++i)
        for (const Turned& p : turned[i])
            for (const Run& run : p.runs) longest = std::max(longest, run.length);
    Sheet sheet;
    sheet.Start(2 * span + 64, 63 - __builtin_clzll(uint64_t(longest)));
    placed->clear();
    sheet.Lay(turned[0][size_t(first)].raster, span, span);
    placed->push_back({first, span, span});
    // A thread's own, on a cache line of its own.
    struct alignas(64) Scratch {
        RowMasks masks;
    };
    const size_t threads = size_t(SharingThreads());
    std::vector<Scratch> scratch(threads);
    std::vector<TurnBest> bests(kTurns);
    for (size_t i = 1; i < turned.size(); ++i) {
        TurnBest best;
        // Places inside the box first: a piece that fits there grows nothing.
        for (int pass = 0; pass < 2 && best.at.turn < 0; ++pass) {
            // The least box any turn has found so far: no turn looks at places
            // whose box is larger.
            std::atomic<double> bound{1e300};
            RunShared(kTurns, [&](int32_t t, int32_t thread) {
                bests[size_t(t)] =
                    BestOfTurn(sheet, turned[i][size_t(t)], t, pass, scratch[size_t(thread)].masks, bound);
            });
            for (const TurnBest& b : bests)
                if (b.at.turn >= 0 && !KeepsOver(best, b)) best = b;
        }
        if (best.at.turn < 0) return 1e300;
        sheet.Lay(turned[i][size_t(best.at.turn)].raster, best.at.X, best.at.Y);
        placed->push_back(best.at);
    }
    return double(sheet.maxX - sheet.minX) * double(sheet.maxY - sheet.minY);
}

}  // namespace

namespace {
bool Search(const std::vector<Piece>& pieces, double total, PackingMemo::Entry* out);
}  // namespace

namespace {

// The packings kept for the process, the newest last.
struct KeptPackings {
    std::mutex lock;
    std::deque<PackingMemo::Entry> entries;
};

KeptPackings& Kept() {
    static KeptPackings kept;
    return kept;
}

std::atomic<int64_t> gSearches{0};

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

}  // namespace

void ForgetKeptPackings() {
    std::lock_guard<std::mutex> hold(Kept().lock);
    Kept().entries.clear();
}

int64_t PackingSearches() { return gSearches.load(); }

bool ShapePacksItsFragments(int64_t shapeCode) { return shapeCode == 20 || shapeCode == 21; }

double NetFill(const polyhedron* poly, double tabSize) {
    if (!poly || !poly->coords2D) return 0;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300, area = 0, longest = 0;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!poly->netVertexUsed[v]) continue;
        minX = std::min(minX, poly->coords2D[v][0]), maxX = std::max(maxX, poly->coords2D[v][0]);
        minY = std::min(minY, poly->coords2D[v][1]), maxY = std::max(maxY, poly->coords2D[v][1]);
    }
    for (int64_t n = 0; n < poly->netFaceCount && n < kMaxNetFaces; ++n) {
        const PolyNetFace& face = poly->netFace[n];
        std::vector<Point> p;
        for (int64_t k = 0; k < face.count && k < kMaxFaceVertices; ++k)
            if (face.vertex[k] >= 0 && face.vertex[k] < kMax2DVertices)
                p.push_back({poly->coords2D[face.vertex[k]][0], poly->coords2D[face.vertex[k]][1]});
        if (p.size() < 3) continue;
        area += PolygonArea(p);
        for (size_t k = 0; k < p.size(); ++k)
            longest = std::max(longest, std::hypot(p[k].x - p[(k + 1) % p.size()].x, p[k].y - p[(k + 1) % p.size()].y));
    }
    // The packing keeps half of each fragment's reach about it.
    const double margin = 0.5 * tabSize * longest;
    const double box = (maxX - minX + 2 * margin) * (maxY - minY + 2 * margin);
    return box > 0 ? area / box : 0;
}

bool PackFragments(polyhedron* poly, int64_t first, int64_t last, const double* reach, double* fill,
                   PackingMemo* memo) {
    if (fill) *fill = 0;
    if (!poly || !poly->coords2D) return false;
    std::vector<Piece> pieces;
    double total = 0;
    for (int64_t f = first; f <= last; ++f) {
        Piece piece{f, {}, 0, reach ? reach[f] : 0};
        for (int64_t n = 0; n < poly->netFaceCount && n < kMaxNetFaces; ++n) {
            const PolyNetFace& face = poly->netFace[n];
            if (face.fragment != f || face.count < 3) continue;
            std::vector<Point> p;
            for (int64_t k = 0; k < face.count && k < kMaxFaceVertices; ++k)
                if (face.vertex[k] >= 0 && face.vertex[k] < kMax2DVertices)
                    p.push_back({poly->coords2D[face.vertex[k]][0], poly->coords2D[face.vertex[k]][1]});
            if (p.size() < 3) continue;
            piece.area += PolygonArea(p);
            piece.faces.push_back(p);
        }
        if (!piece.faces.empty()) pieces.push_back(piece), total += piece.area;
    }
    if (pieces.size() < 2 || !(total > 0)) return false;
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.area > b.area; });
    // What is packed, bit for bit: the pieces in order, their reach and faces.
    std::vector<double> key;
    for (const Piece& p : pieces) {
        key.insert(key.end(), {double(p.fragment), p.reach, double(p.faces.size())});
        for (const auto& f : p.faces) {
            key.push_back(double(f.size()));
            for (const Point& q : f) key.insert(key.end(), {q.x, q.y});
        }
    }
    const PackingMemo::Entry* known = nullptr;
    if (memo)
        for (const PackingMemo::Entry& e : memo->entries)
            if (SameBits(e.pieces, key)) known = &e;
    PackingMemo::Entry found;
    bool kept = false;
    if (known) {
        found = *known;
    } else {
        std::lock_guard<std::mutex> hold(Kept().lock);
        for (const PackingMemo::Entry& e : Kept().entries)
            if (SameBits(e.pieces, key)) found = e, kept = true;
    }
    if (!known && !kept) {
        ++gSearches;
        if (!Search(pieces, total, &found)) return false;
        found.pieces = key;
        std::lock_guard<std::mutex> hold(Kept().lock);
        Kept().entries.push_back(found);
        if (Kept().entries.size() > size_t(kKeptPackings)) Kept().entries.pop_front();
    }
    if (fill) *fill = found.fill;
    // Move the net vertices: turned, then shifted.
    for (size_t i = 0; i < pieces.size(); ++i) {
        const double a = 2 * kPi * found.moves[3 * i] / kTurns, c = std::cos(a), s = std::sin(a);
        const double dx = found.moves[3 * i + 1], dy = found.moves[3 * i + 2];
        for (int64_t v = 0; v < kMax2DVertices; ++v) {
            if (!poly->netVertexUsed[v] || poly->netVertexTag[v] != pieces[i].fragment) continue;
            const Point p = Turn({poly->coords2D[v][0], poly->coords2D[v][1]}, c, s);
            poly->coords2D[v][0] = p.x + dx;
            poly->coords2D[v][1] = p.y + dy;
            poly->netVertex[v].x = float(poly->coords2D[v][0]);
            poly->netVertex[v].y = float(poly->coords2D[v][1]);
        }
    }
    if (memo && !known) {
        found.pieces = std::move(key);
        memo->entries.push_back(std::move(found));
    }
    return true;
}

namespace {

// The search for the packing of the pieces (in order of size): each one's
// turn and shift, and the share of the packed box the faces fill.
bool Search(const std::vector<Piece>& pieces, double total, PackingMemo::Entry* out) {
    const double side = std::sqrt(total), cell = side / kCellsAcross, gap = kGap * side;

    // Every piece in every turn.
    std::vector<std::vector<Turned>> turned(pieces.size(), std::vector<Turned>(kTurns));
    RunShared(int32_t(pieces.size()) * kTurns, [&](int32_t k, int32_t) {
        const size_t i = size_t(k / kTurns), t = size_t(k % kTurns);
        const double a = 2 * kPi * double(t) / kTurns;
        Turned& p = turned[i][t];
        p.raster = Rasterise(pieces[i], std::cos(a), std::sin(a), cell, 0.5 * (pieces[i].reach + gap));
        p.ring = Ring(p.raster);
        p.core = CoreOf(p.raster);
        p.runs = CoreAndRunsOf(p.raster, p.core);
    });
    int64_t span = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        int64_t longest = 0;
        for (const Turned& p : turned[i]) longest = std::max({longest, p.raster.width, p.raster.height});
        span += longest;
    }
    // The first piece in each of its few turns of the smallest box, the rest
    // laid about it; the packing of the smallest box is kept.
    std::vector<int> firstTurns(kTurns);
    for (int t = 0; t < kTurns; ++t) firstTurns[size_t(t)] = t;
    auto boxOf = [&](int t) {
        return double(turned[0][size_t(t)].raster.width) * double(turned[0][size_t(t)].raster.height);
    };
    std::stable_sort(firstTurns.begin(), firstTurns.end(), [&](int a, int b) { return boxOf(a) < boxOf(b); });
    firstTurns.resize(kFirstTurns);
    std::vector<Placing> placed;
    double placedArea = 1e300;
    for (int first : firstTurns) {
        std::vector<Placing> trial;
        const double area = Place(turned, span, first, &trial);
        if (area < placedArea) placedArea = area, placed = trial;
    }
    if (placed.size() != pieces.size()) return false;
    out->fill = total / (placedArea * cell * cell);
    // Each piece turned, then shifted so that the raster's cell (0, 0)
    // lands on its sheet cell.
    out->moves.clear();
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Raster& r = turned[i][size_t(placed[i].turn)].raster;
        out->moves.insert(out->moves.end(), {double(placed[i].turn), double(placed[i].X - r.x0 - span) * cell,
                                             double(placed[i].Y - r.y0 - span) * cell});
    }
    return true;
}

}  // namespace
