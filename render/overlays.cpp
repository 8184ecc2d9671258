#include "render/overlays.h"

#include <algorithm>
#include <cmath>

#include "nets/net_links.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "pyramid/wu_pixel.h"
#include "render/reply_grid.h"
#include "render/supersampler.h"

namespace {

constexpr int64_t kZonesOfSetting[6] = {36, 30, 18, 12, 6, 4};  // settings 2..7
constexpr float kNoValue = -2.0f;
constexpr float kParallelLow = 0.01f, kParallelHigh = 0.99f;

// The indicatrix: chord radius 0.15 around each spot.
constexpr float kTissotRadius = 0.15f;
constexpr float kSecondTissotWeight = 0.7f;

enum { TL = 0, TR = 1, BL = 2, BR = 3 };

float* ChannelOf(MirelYummy* cell, int channel) {
    if (channel == 1) return &cell->reply.edges;
    if (channel == 2) return &cell->reply.tissotValue;
    return nullptr;
}

bool IsMarbledFergusonRegion(int32_t r) { return r >= 2 && r <= 5; }

// A longitude difference the short way round.
float WrappedLongitude(float d) { return d - std::nearbyint(d); }

// The change of u and v from cell p to cell q, q one step further on.
void Step(const TransformationReply& p, const TransformationReply& q, float* du, float* dv) {
    *du = WrappedLongitude(q.graticuleX - p.graticuleX);
    *dv = q.graticuleY - p.graticuleY;
}

}  // namespace

// ---------------------------------------------------------------- dots

void draw_Wu_Pixel(float fx, float fy, float w, int64_t ix, int64_t iy, const vort* c, int channel) {
    if (channel != 1 && channel != 2) return;
    const float share[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    for (int q = 0; q < 4; ++q)
        if (MirelYummy* cell = GetYummyReplyPointer(ix + (q & 1), iy + (q >> 1), c)) *ChannelOf(cell, channel) += w * share[q];
}

void draw_Wu_segment(float ox, float oy, const vort* c, int channel, float x0, float y0, float x1, float y1, float w) {
    const float length = std::hypot(x1 - x0, y1 - y0);
    const float x = ox + 0.5f * (x0 + x1), y = oy + 0.5f * (y0 + y1);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1.0e9f || std::fabs(y) > 1.0e9f) return;
    const float fx = std::floor(x), fy = std::floor(y);
    draw_Wu_Pixel(x - fx, y - fy, w * length, int64_t(fx), int64_t(fy), c, channel);
}

void mystery_dot(float ox, float oy, const vort* c, int channel, int contourCase, const float t[4], float w) {
    ContourSegment s[2];
    const int n = ContourCellSegments(contourCase, t, s);
    for (int i = 0; i < n; ++i) draw_Wu_segment(ox, oy, c, channel, s[i].x0, s[i].y0, s[i].x1, s[i].y1, w);
}

// ---------------------------------------------------------------- graticule

void getGratZoneCounts(int64_t grid, float v, int64_t* latitudeZones, int64_t* longitudeZones) {
    if (grid < 2 || grid > 7) {
        *latitudeZones = *longitudeZones = 0;
        return;
    }
    const int64_t n = kZonesOfSetting[grid - 2];
    const int64_t zone = latitude_to_zone(v, n);
    *latitudeZones = n;
    *longitudeZones = (v == kNoValue || zone < 1 || zone >= n - 1) ? 4 : 2 * n;
}

int64_t latitude_to_zone(double v, int64_t n) { return v == kNoValue ? 0 : int64_t(std::floor(v * double(n))); }

bool get_latlong_fixer(int32_t region, int64_t x, int64_t y, const vort* c, const TransformationReply* sample,
                       float out[4]) {
    auto at = [&](int64_t i, int64_t j) -> const TransformationReply* {
        const MirelYummy* cell = GetYummyReplyPointer(i, j, c);
        return cell && cell->reply.place == region ? &cell->reply : nullptr;
    };
    // A cell on a pole has no longitude of its own.
    auto hasLongitude = [](const TransformationReply* r) { return r->graticuleY > 1e-6f && r->graticuleY < 1.0f - 1e-6f; };
    // The change of u and of v along one axis: the mean over the two pairs
    // of the pixel's own corners, else the first pair of same-region cells
    // one pixel apart in the rows (columns) around them.
    auto along = [&](bool alongX, float* du, float* dv) {
        bool haveU = false, haveV = false;
        float su = 0.0f, sv = 0.0f;
        int nu = 0, nv = 0;
        for (int64_t k = -1; k <= 0; ++k) {
            const int64_t i0 = alongX ? x - 1 : x + k, j0 = alongX ? y + k : y - 1;
            const TransformationReply *p = at(i0, j0), *q = at(i0 + (alongX ? 1 : 0), j0 + (alongX ? 0 : 1));
            if (!p || !q) continue;
            float a, b;
            Step(*p, *q, &a, &b);
            sv += b, ++nv;
            if (hasLongitude(p) && hasLongitude(q)) su += a, ++nu;
        }
        if (nu) *du = su / float(nu), haveU = true;
        if (nv) *dv = sv / float(nv), haveV = true;
        // Only cells every tiling holds: tiles of any shape agree.
        for (int64_t across : {int64_t(-1), int64_t(0), int64_t(1)})
                for (int64_t from : {int64_t(-1), int64_t(0)}) {
                    if (haveU && haveV) return true;
                    const int64_t i0 = alongX ? x + from : x + across, j0 = alongX ? y + across : y + from;
                    const TransformationReply *p = at(i0, j0), *q = at(i0 + (alongX ? 1 : 0), j0 + (alongX ? 0 : 1));
                    if (!p || !q) continue;
                    float a, b;
                    Step(*p, *q, &a, &b);
                    if (!haveV) *dv = b, haveV = true;
                    if (!haveU && hasLongitude(p) && hasLongitude(q)) *du = a, haveU = true;
                }
        if (!haveU) *du = 0.0f;
        if (!haveV) *dv = 0.0f;
        return haveU || haveV;
    };
    float ux = 0.0f, vx = 0.0f, uy = 0.0f, vy = 0.0f;
    const bool hasX = along(true, &ux, &vx), hasY = along(false, &uy, &vy);
    if (!hasX && !hasY) return false;
    out[0] = sample->graticuleX;
    out[1] = sample->graticuleY;
    out[2] = std::hypot(ux, uy);
    out[3] = std::hypot(vx, vy);
    return true;
}

float derivative_grid_hybrid(const TransformationReply* sample, int64_t x, int64_t y, const vort* c) {
    const int32_t region = sample->place;
    if (c->gridSetting < 2 || c->gridSetting > 7) return 0.0f;
    if (region == kPlaceNoDirection || region >= kPlaceGlueTabBase) return 0.0f;
    if (c->outputMode == kModeFerguson && !IsMarbledFergusonRegion(region)) return 0.0f;
    float g[4];
    if (!get_latlong_fixer(region, x, y, c, sample, g)) return 0.0f;
    const float u = g[0], v = g[1], du = g[2], dv = g[3];
    int64_t n, m;
    getGratZoneCounts(c->gridSetting, v, &n, &m);
    // Distance to the nearest line in pixels: the distance in the fraction
    // over its rate per pixel. A line is a one-pixel tent.
    auto tent = [](float f, int64_t count, float rate) {
        if (!(rate > 0.0f)) return 0.0f;
        const float t = f * float(count) + 0.5f;
        const float k = std::fabs((t - std::trunc(t)) - 0.5f) / (float(count) * rate);
        return 1.0f - std::clamp(k, 0.0f, 1.0f);
    };
    float strength = tent(u, m, du);
    if (v >= kParallelLow && v <= kParallelHigh) strength = std::max(strength, tent(v, n, dv));
    return strength;
}

// ---------------------------------------------------------------- Tissot

void FillInTissotSpots(vort* c) {
    const double pi = 3.14159265358979323846;
    long n = 0;
    for (int k = 1; k <= 8; ++k) {
        const double phi = std::asin(std::sin((double(k) / 9.0 - 0.5) * -pi));
        const bool sparse = k == 1 || k == 8;
        for (int j = 0; j < 18; ++j) {
            if (sparse && j % 2) continue;
            const double lambda = (double(j) / 18.0 - 0.5) * 2.0 * pi;
            c->tissotSpots[n][0] = float(std::sin(lambda) * std::cos(phi));
            c->tissotSpots[n][1] = float(std::sin(phi));
            c->tissotSpots[n][2] = float(std::cos(lambda) * std::cos(phi));
            ++n;
        }
    }
    const float poles[2][3] = {{0.0f, 1.0f, 0.0f}, {0.0f, -1.0f, 0.0f}};
    for (const auto& p : poles) {
        for (int i = 0; i < 3; ++i) c->tissotSpots[n][i] = p[i];
        ++n;
    }
    c->tissotSpotCount = n;
}

bool IsNonTissotRegion(int32_t region, const vort* c) {
    return region == kPlaceNoDirection || region >= kPlaceGlueTabBase ||
           (c->outputMode == kModeFerguson && !IsMarbledFergusonRegion(region));
}

void TissotBlock(const TransformationReply* const k[4], float ox, float oy, const vort* c, float weight) {
    // Cells of no indicatrix take a valid cell's height.
    int valid = -1;
    for (int i = 0; i < 4; ++i)
        if (!IsNonTissotRegion(k[i]->place, c)) valid = i;
    if (valid < 0) return;
    // The chord distance √h grows linearly across the rim, the 0.15 level.
    float s[4];
    for (int i = 0; i < 4; ++i)
        s[i] = -std::sqrt(std::max(0.0f, IsNonTissotRegion(k[i]->place, c) ? k[valid]->tissotHeight : k[i]->tissotHeight));
    const int contourCase = ContourCase(s[0], s[1], s[2], s[3], -kTissotRadius);
    if (contourCase == 0 || contourCase == 15) return;
    float t[4];
    LinearContourCrossings(s[0], s[1], s[2], s[3], -kTissotRadius, t);
    mystery_dot(ox, oy, c, 2, contourCase, t, weight);
}

void thetissotgrid(int64_t x, int64_t y, const vort* c, int variant) {
    // The second variant reads the block one row and one column further on,
    // where that cell carries an indicatrix, and draws lighter.
    const int64_t s = variant == 0 ? 0 : 1;
    const MirelYummy* cell[4] = {GetYummyReplyPointer(x + s, y + s, c), GetYummyReplyPointer(x + s + 1, y + s, c),
                                 GetYummyReplyPointer(x + s, y + s + 1, c), GetYummyReplyPointer(x + s + 1, y + s + 1, c)};
    for (const MirelYummy* p : cell)
        if (!p) return;
    if (s && IsNonTissotRegion(cell[0]->reply.place, c)) return;
    const TransformationReply* k[4] = {&cell[0]->reply, &cell[1]->reply, &cell[2]->reply, &cell[3]->reply};
    // Cell (x, y) answers for the far corner of pixel (x, y), which lies
    // half a pixel on from that pixel's centre.
    TissotBlock(k, float(x + s) + 0.5f, float(y + s) + 0.5f, c, s ? kSecondTissotWeight : 1.0f);
}

// ---------------------------------------------------------------- scissor marks

void ScissorBlock(const TransformationReply* const k[4], float ox, float oy, const vort* c) {
    constexpr float kNoMark = 99999.0f;
    float h[4];
    for (int i = 0; i < 4; ++i) {
        if (!k[i]->okToDrawScissor || !(k[i]->scissorHeight < kNoMark) || k[i]->place >= kPlaceGlueTabBase) return;
        h[i] = k[i]->scissorHeight;
    }
    const int contourCase = ContourCase(h[0], h[1], h[2], h[3], 0.0f);
    if (contourCase == 0 || contourCase == 15) return;
    float t[4];
    LinearContourCrossings(h[0], h[1], h[2], h[3], 0.0f, t);
    mystery_dot(ox, oy, c, 2, contourCase, t, 1.0f);
}

// ---------------------------------------------------------------- edges

bool CornersApart(const TransformationReply& a, const TransformationReply& b, const vort* c, bool clamp) {
    const int32_t p = clamp && a.place < 0 ? 0 : a.place, q = clamp && b.place < 0 ? 0 : b.place;
    if (p != q) return true;
    if (!c->polyhedral) return false;
    // Two tabs of one piece that meet at a corner.
    if (p >= kPlaceGlueTabBase) return a.faceTag != b.faceTag;
    return a.regionFace != b.regionFace && NetFacesCutApart(c->outputPolyhedron, a.regionFace, b.regionFace);
}

uint64_t NetFaceKey(const TransformationReply& r) {
    return r.place >= kPlaceGlueTabBase ? uint64_t(uint32_t(r.faceTag)) << 32 : uint64_t(uint32_t(r.regionFace));
}

SuperSamplerReply draw_edge_dot(const SuperSamplerReply* rec, int64_t x, int64_t y, bool clamp, const vort* c,
                                int lastChannel) {
    // r[i] != r[j] reads: corners i and j lie apart.
    struct Apart {
        const SuperSamplerReply* rec;
        const vort* c;
        bool clamp;
        int i;
        bool operator!=(const Apart& o) const { return CornersApart(*rec->corner[i], *rec->corner[o.i], c, clamp); }
        bool operator==(const Apart& o) const { return !(*this != o); }
    };
    const Apart r[4] = {{rec, c, clamp, 0}, {rec, c, clamp, 1}, {rec, c, clamp, 2}, {rec, c, clamp, 3}};
    const float a = rec->boundary[0], b = rec->boundary[1], cc = rec->boundary[2], d = rec->boundary[3];
    // The pixel's square runs from its top-left corner, half a pixel before
    // its centre.
    const float ox = float(x) - 0.5f, oy = float(y) - 0.5f;
    auto piece = [&](float x0, float y0, float x1, float y1, int channel = 1) {
        draw_Wu_segment(ox, oy, c, channel, x0, y0, x1, y1, 1.0f);
    };
    const int pattern = (r[TL] != r[BR]) + 2 * (r[TR] != r[BR]) + 4 * (r[BL] != r[BR]);
    const float m = 0.5f * (cc + d);
    switch (pattern) {
        case 1: piece(a, 0, 0, cc); break;
        case 2: piece(a, 0, 1, d); break;
        case 3:
            piece(0, cc, 1, d);
            if (r[TL] != r[TR]) piece(a, m, b, 1, lastChannel);
            break;
        case 4: piece(b, 1, 0, cc); break;
        case 5:
            piece(a, 0, b, 1);
            if (r[TL] != r[BL]) piece(0, cc, 0.5f * (a + b), cc, lastChannel);
            break;
        case 6:
            piece(b, 1, 0, cc);
            piece(a, 0, 1, d);
            break;
        case 7:
            if (r[TL] == r[TR] && r[TL] == r[BL]) {
                piece(b, 1, 1, d);
            } else if (r[TR] == r[BL]) {
                piece(a, 0, 0, cc);
                piece(b, 1, 1, d);
            } else if (r[TL] != r[TR] && r[TL] != r[BL]) {
                piece(a, 0, b, 1);
                piece(0, cc, 1, d);
            } else if (r[TL] == r[BL]) {
                piece(a, 0, b, 1);
                piece(0.5f * (a + b), d, 1, d, lastChannel);
            } else {
                piece(0, cc, 1, d);
                piece(b, m, b, 1, lastChannel);
            }
            break;
        default: break;
    }
    SuperSamplerReply out = *rec;
    out.edgePattern = pattern;
    // The pixel's face: the last corner, in reading order, on a face.
    out.face = out.faceSecond = -1;
    for (const TransformationReply* k : rec->corner)
        if (k->regionFace >= 0 && k->regionFace < kPlaceGlueTabBase) out.face = k->regionFace, out.faceSecond = k->regionFragment;
    return out;
}
