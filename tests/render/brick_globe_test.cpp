// The brick globe's voxel model and its ray casting against brute force:
// the filled cells against the ellipsoid's volume, the hollowed shell, the
// colour choice against a nearest-colour search done here, the diffusion's
// mean, the cell walk against a small-step march, and the occlusion range.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "render/globes/brick_globe.h"
#include "render/globes/brick_march.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The life colours, as published with the palette.
constexpr int kLife[13][3] = {{0, 0, 0},       {0, 0, 0},       {52, 77, 153},   {0, 143, 81},    {242, 0, 42},
                              {255, 255, 255}, {251, 225, 11},  {193, 193, 193}, {85, 85, 85},    {81, 43, 32},
                              {203, 149, 197}, {240, 194, 129}, {139, 172, 150}};

// A picture of one colour (an equirectangular input), and the model's source.
struct Picture {
    std::unique_ptr<PyramidDescriptor> pyr{new PyramidDescriptor{}};
    std::vector<PyramidDescriptor> all{7};
    float table[400];
    BrickPicture source{};
    Picture(int64_t kind, const float rgba[4], int64_t w = 64, int64_t h = 32) {
        for (PyramidDescriptor& p : all) InitPyramidProcs(&p);
        EXPECT_EQ(TryToAllocatePyramid_2006(&all[0], w, h, kind, 0, 0), 1);
        for (int64_t y = 0; y < h; ++y)
            for (int64_t x = 0; x < w; ++x) set_intcoord_unitary_color(x, y, &all[0], 0, rgba);
        source.pyramids = all.data();
        source.inputMode = 1;
        source.table = table;
        table[0] = 999.0f;
        source.aspect = float(h) / float(w);
    }
    ~Picture() {
        for (PyramidDescriptor& p : all) DisposePyramidData(&p);
    }
};

struct Ball {
    LegoStructure b{};
    ~Ball() { DestroyLegoBall(&b); }
};

tumbletype Still() {
    tumbletype t;
    const float none[3] = {0, 0, 0};
    BrickTumble(&t, none);
    return t;
}

int64_t Filled(const LegoStructure& b) {
    int64_t n = 0;
    for (int64_t z = 0; z < b.nz; ++z)
        for (int64_t y = 0; y < b.ny; ++y)
            for (int64_t x = 0; x < b.nx; ++x) n += GetLegoColor(&b, x, y, z) != 0;
    return n;
}

TEST(BrickGlobe, FilledCellsApproachTheEllipsoidsVolume) {
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    Picture pic(kPyrColour8, grey);
    const tumbletype t = Still();
    for (bool plates : {false, true})
        for (int64_t size : {30, 60, 120}) {
            Ball ball;
            CreateLegoBall(&ball.b, size, plates, false, 63);
            ASSERT_TRUE(ball.b.cells);
            BuildLegoball(&ball.b, &pic.source, &t, true);
            const double expected = kPi / 6.0 * double(ball.b.nx * ball.b.ny * ball.b.nz);
            EXPECT_NEAR(double(Filled(ball.b)) / expected, 1.0, 0.06) << size << " plates " << plates;
        }
}

// After hollowing every cell left has an empty neighbour that was empty in
// the plain shape: a shell, with nothing sealed inside.
TEST(BrickGlobe, HollowingLeavesAShellOpenToTheOutside) {
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    Picture pic(kPyrColour8, grey);
    const tumbletype t = Still();
    for (int64_t size : {1, 2, 3, 5, 12, 25}) {
        Ball shape, shell;
        CreateLegoBall(&shape.b, size, false, false, 63);
        CreateLegoBall(&shell.b, size, false, false, 63);
        BuildLegoball(&shape.b, &pic.source, &t, true);
        BuildLegoball(&shell.b, &pic.source, &t, false);
        int64_t hollowed = 0;
        for (int64_t z = 0; z < shell.b.nz; ++z)
            for (int64_t y = 0; y < shell.b.ny; ++y)
                for (int64_t x = 0; x < shell.b.nx; ++x) {
                    if (!GetLegoColor(&shell.b, x, y, z)) {
                        hollowed += GetLegoColor(&shape.b, x, y, z) != 0;
                        continue;
                    }
                    bool open = false;
                    for (int dz = -1; dz <= 1; ++dz)
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx)
                                open = open || !GetLegoColor(&shape.b, x + dx, y + dy, z + dz);
                    EXPECT_TRUE(open) << size << " cell " << x << "," << y << "," << z;
                }
        // Tiny grids are filled through: the outside is empty, not a cell of the grid.
        if (size <= 2) EXPECT_GT(Filled(shell.b), 0) << size;
        if (size >= 12) EXPECT_GT(hollowed, 0) << size;
    }
}

int NearestByHand(int r, int g, int b, int64_t set) {
    int best = 7;
    double bestD = 2e9;
    for (int k = 1; k <= 12; ++k) {
        if (!((set >> (k - 1)) & 1)) continue;
        const double d = std::pow(r - kLife[k][0], 2) + std::pow(g - kLife[k][1], 2) + std::pow(b - kLife[k][2], 2);
        if (d < bestD) bestD = d, best = k;
    }
    return best;
}

// A one-colour picture, in every pixel kind: each visible cell takes the
// nearest allowed life colour.
TEST(BrickGlobe, OneColourPictureGivesTheNearestAllowedColour) {
    const tumbletype t = Still();
    const int colours[][3] = {{250, 10, 30}, {20, 30, 90}, {200, 200, 200}, {90, 60, 40}, {140, 170, 150}};
    for (int64_t kind : {kPyrColour8, kPyrColour16, kPyrColourFloat})
        for (int64_t set : {int64_t(63), int64_t(0xFFF), int64_t(0x11), int64_t(0)})
            for (const auto& c : colours) {
                const float rgba[4] = {c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f};
                Picture pic(kind, rgba);
                Ball ball;
                CreateLegoBall(&ball.b, 8, false, false, set);
                BuildLegoball(&ball.b, &pic.source, &t, false);
                const int want = NearestByHand(c[0], c[1], c[2], set);
                int64_t visible = 0;
                for (int64_t z = 0; z < ball.b.nz; ++z)
                    for (int64_t y = 0; y < ball.b.ny; ++y)
                        for (int64_t x = 0; x < ball.b.nx; ++x) {
                            if (!GetLegoColor(&ball.b, x, y, z)) continue;
                            ++visible;
                            ASSERT_EQ(GetLegoColor(&ball.b, x, y, z), want)
                                << "kind " << kind << " set " << set << " colour " << c[0] << "," << c[1] << "," << c[2];
                        }
                EXPECT_GT(visible, 0);
            }
}

// Black and white allowed, a grey picture: the diffusion keeps the mean.
TEST(BrickGlobe, DiffusionKeepsTheMeanOfAGrey) {
    const tumbletype t = Still();
    for (int grey : {64, 128, 190}) {
        const float rgba[4] = {grey / 255.0f, grey / 255.0f, grey / 255.0f, 1.0f};
        Picture pic(kPyrColour8, rgba);
        Ball ball;
        CreateLegoBall(&ball.b, 40, false, true, (1 << 0) | (1 << 4));
        BuildLegoball(&ball.b, &pic.source, &t, false);
        double sum = 0, n = 0, whites = 0;
        for (int64_t z = 0; z < ball.b.nz; ++z)
            for (int64_t y = 0; y < ball.b.ny; ++y)
                for (int64_t x = 0; x < ball.b.nx; ++x) {
                    if (!(GetLegoMark(&ball.b, x, y, z) & kLegoSurface)) continue;
                    const int code = GetLegoColor(&ball.b, x, y, z);
                    ASSERT_TRUE(code == 1 || code == 5) << code;
                    sum += kLife[code][0];
                    whites += code == 5;
                    ++n;
                }
        ASSERT_GT(n, 1000);
        EXPECT_NEAR(sum / n, grey, 0.05 * 255) << grey << " whites " << whites << " of " << n;
    }
}

// The first filled cell along a ray by small steps, in cell space.
bool MarchByHand(const LegoStructure& b, const double o[3], const double d[3], int64_t cell[3]) {
    const double n[3] = {double(b.nx), double(b.ny), double(b.nz)};
    for (double t = 0; t < 8.0; t += 1e-4) {
        int64_t c[3];
        for (int i = 0; i < 3; ++i) c[i] = int64_t(std::floor(n[i] * 0.5 + (o[i] + t * d[i]) * n[i] * 0.5));
        if (InsideLego(&b, c[0], c[1], c[2]) && GetLegoColor(&b, c[0], c[1], c[2])) {
            for (int i = 0; i < 3; ++i) cell[i] = c[i];
            return true;
        }
    }
    return false;
}

TEST(BrickGlobe, CellWalkMeetsTheCellASmallStepMarchMeets) {
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    Picture pic(kPyrColour8, grey);
    const tumbletype t = Still();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    for (bool plates : {false, true}) {
        Ball ball;
        CreateLegoBall(&ball.b, plates ? 20 : 9, plates, false, 63);
        BuildLegoball(&ball.b, &pic.source, &t, false);
        int hits = 0, misses = 0;
        for (int i = 0; i < 400; ++i) {
            double d[3] = {U(rng), U(rng), U(rng)};
            const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (double& x : d) x /= len;
            // From 3 units out, aimed near the ball.
            double o[3];
            for (int k = 0; k < 3; ++k) o[k] = -3.0 * d[k] + 0.9 * U(rng);
            int64_t want[3];
            const bool expect = MarchByHand(ball.b, o, d, want);
            LegoHit hit;
            const int got = castRay(&ball.b, o, d, &hit);
            ASSERT_EQ(got, expect ? 1 : 0) << i;
            if (!got) {
                ++misses;
                EXPECT_EQ(hit.region, -5);
                EXPECT_EQ(hit.faceShade, 0.0f);
                continue;
            }
            ++hits;
            for (int k = 0; k < 3; ++k) EXPECT_EQ(hit.cell[k], want[k]) << i;
            const float shade = calc_occlusive_shading(&ball.b, hit);
            EXPECT_GE(shade, 0.0f);
            EXPECT_LE(shade, 1.0f);
            EXPECT_EQ(ColorcodeFromLegoRegion(hit.region), GetLegoColor(&ball.b, hit.cell[0], hit.cell[1], hit.cell[2]));
        }
        EXPECT_GT(hits, 50);
        EXPECT_GT(misses, 20);
    }
}

// Region codes: one flat face of one colour shares a code; faces turned
// another way or lying at another depth do not. Face shades as published.
TEST(BrickGlobe, RegionCodesAndFaceShades) {
    EXPECT_EQ(GetShadingFactor(0), 1.0f);       // the step towards -x is lit
    EXPECT_EQ(GetShadingFactor(1), 0.1375f);    // towards +x, the darkest
    EXPECT_EQ(GetShadingFactor(-1), 1.0f);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    Picture pic(kPyrColour8, grey);
    const tumbletype t = Still();
    Ball ball;
    CreateLegoBall(&ball.b, 10, false, false, 63);
    BuildLegoball(&ball.b, &pic.source, &t, false);
    // Rays straight down -z near the top: the top layer's face.
    const double down[3] = {0, 0, -1};
    LegoHit a, b, side;
    const double oa[3] = {0.02, 0.01, 3}, ob[3] = {-0.03, 0.04, 3};
    ASSERT_TRUE(castRay(&ball.b, oa, down, &a));
    ASSERT_TRUE(castRay(&ball.b, ob, down, &b));
    EXPECT_EQ(a.region, b.region);
    EXPECT_EQ(MovementcodeFromLegoRegion(a.region), 5);
    // Rays along -x meet a face of another orientation.
    const double left[3] = {-1, 0, 0}, os[3] = {3, 0.01, 0.02};
    ASSERT_TRUE(castRay(&ball.b, os, left, &side));
    EXPECT_NE(side.region, a.region);
    EXPECT_EQ(side.faceShade, 1.0f);
    // Near the rim the top face lies a layer lower: another plane.
    LegoHit rim;
    const double orim[3] = {0.75, 0.0, 3};
    ASSERT_TRUE(castRay(&ball.b, orim, down, &rim));
    EXPECT_EQ(MovementcodeFromLegoRegion(rim.region), 5);
    EXPECT_NE(PlaneFromLegoRegion(rim.region), PlaneFromLegoRegion(a.region));
    // Beside the ball: nothing.
    LegoHit miss;
    const double beside[3] = {1.5, 1.5, 3};
    EXPECT_EQ(castRay(&ball.b, beside, down, &miss), 0);
    EXPECT_EQ(miss.region, -5);
}

// A lone cell's face: all eight neighbours in front empty, no occlusion;
// the cell in a step's corner is darkened but stays within 0..1.
TEST(BrickGlobe, OcclusionStaysWithinZeroAndOne) {
    Ball ball;
    CreateLegoBall(&ball.b, 5, false, false, 63);  // 6 x 6 x 5, cleared
    SetLegoColor(&ball.b, 2, 2, 2, 4);
    LegoHit hit{};
    hit.region = 4;
    hit.face = 5;  // entered moving -z: the layer in front is z = 3
    hit.cell[0] = hit.cell[1] = hit.cell[2] = 2;
    double cell[3] = {2.5, 2.5, 3.0};
    transformToVoxelTAnisotropicToUnitary(&ball.b, cell, hit.point);
    EXPECT_EQ(calc_occlusive_shading(&ball.b, hit), 1.0f);
    // Walls on all four sides in front: the sum reaches 2 and is clamped.
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            if (i != 2 || j != 2) SetLegoColor(&ball.b, i, j, 3, 4);
    const float walled = calc_occlusive_shading(&ball.b, hit);
    EXPECT_GE(walled, 0.0f);
    EXPECT_LE(walled, 1.0f);
    EXPECT_LT(walled, 0.5f);
}

// The cell store: tiny grids, reads and writes outside, the marks kept by
// colour writes, saturating errors.
TEST(BrickGlobe, CellAccessOutsideTheGridAndSaturation) {
    Ball ball;
    CreateLegoBall(&ball.b, 1, false, false, 63);  // one cell
    ASSERT_TRUE(ball.b.cells);
    EXPECT_EQ(ball.b.nx * ball.b.ny * ball.b.nz, 1);
    SetLegoColor(&ball.b, 0, 0, 0, 3);
    SetLegoColor(&ball.b, -1, 0, 0, 5);  // dropped
    EXPECT_EQ(GetLegoColor(&ball.b, 0, 0, 0), 3);
    EXPECT_EQ(GetLegoColor(&ball.b, 1, 0, 0), 0);
    EXPECT_EQ(GetLegoColor(&ball.b, -1, -1, -1), 0);
    SetLegoMark(&ball.b, 0, 0, 0, kLegoSurface, true);
    SetLegoColor(&ball.b, 0, 0, 0, 9);
    EXPECT_EQ(GetLegoMark(&ball.b, 0, 0, 0), kLegoSurface);
    const int64_t big[3] = {100000, -100000, 5};
    SetLegoError(&ball.b, 0, 0, 0, big);
    int64_t back[3];
    GetLegoError(&ball.b, 0, 0, 0, back);
    EXPECT_EQ(back[0], 32767);
    EXPECT_EQ(back[1], -32768);
    EXPECT_EQ(back[2], 5);
    LegoStructure none{};
    EXPECT_EQ(GetLegoMark(&none, 0, 0, 0), kLegoNoCellsMark);
}

// A view straight down z still has a right and an up.
TEST(BrickGlobe, AViewAlongZHasAFrame) {
    for (float z : {1.0f, -1.0f}) {
        LegoGaze g;
        MakeLegoViewCore(&g, 0, 0, z, 2.0f);
        const double r = std::hypot(std::hypot(g.right[0], g.right[1]), g.right[2]);
        const double u = std::hypot(std::hypot(g.up[0], g.up[1]), g.up[2]);
        EXPECT_NEAR(r, 2.0, 1e-6);
        EXPECT_NEAR(u, 2.0, 1e-6);
        EXPECT_NEAR(g.right[0] * g.up[0] + g.right[1] * g.up[1] + g.right[2] * g.up[2], 0.0, 1e-6);
    }
}

TEST(BrickGlobe, ZoomGrowsForSmallBalls) {
    struct Case {
        int64_t size;
        int factors;
    } cases[] = {{3, 13}, {4, 12}, {7, 9}, {9, 6}, {15, 0}, {16, 0}, {40, 0}};
    for (const Case& c : cases) {
        LegoStructure b{};
        b.size = c.size;
        const double base = c.size < 16 ? 1.122 : 1.1;
        EXPECT_NEAR(zoomoutForLego(&b), base * std::pow(1.02, c.factors), 1e-5) << c.size;
    }
}

}  // namespace
