// The checked-in conformal tables against the properties that define them:
// where the corners and edges of each piece land, conformality, and
// independent evaluations of the maps (the Jacobi elliptic closed form of the
// Peirce map; the forward Schwarz-Christoffel integrals by Simpson's rule).
// Nothing here shares code with the generator.
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "projections/caches.h"
#include "projections/freezedried.h"
#include "tests/generated_source.h"

namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr int kN = 50;
constexpr double kH = 1.0 / (kN - 1);

// ---- Jacobi elliptic functions (arithmetic-geometric mean, A&S 16.4) ----

void JacobiReal(double u, double m, double* sn, double* cn, double* dn) {
    double a[16], c[16];
    a[0] = 1.0;
    double b = std::sqrt(1.0 - m);
    c[0] = std::sqrt(m);
    int n = 0;
    while (std::fabs(c[n]) > 1e-16 && n < 15) {
        a[n + 1] = 0.5 * (a[n] + b);
        c[n + 1] = 0.5 * (a[n] - b);
        b = std::sqrt(a[n] * b);
        ++n;
    }
    double phi = std::ldexp(a[n] * u, n), previous = phi;
    for (int i = n; i >= 1; --i) {
        previous = phi;
        phi = 0.5 * (phi + std::asin(c[i] / a[i] * std::sin(phi)));
    }
    *sn = std::sin(phi);
    *cn = std::cos(phi);
    *dn = std::cos(phi) / std::cos(previous - phi);
}

// cn of a complex argument by the addition formula (A&S 16.21.3).
cd JacobiCn(cd z, double m) {
    double s, c, d, s1, c1, d1;
    JacobiReal(z.real(), m, &s, &c, &d);
    JacobiReal(z.imag(), 1.0 - m, &s1, &c1, &d1);
    const double den = c1 * c1 + m * s * s * s1 * s1;
    return cd(c * c1, -s * d * s1 * d1) / den;
}

double CompleteK(double m) {
    double a = 1.0, b = std::sqrt(1.0 - m);
    for (int i = 0; i < 10; ++i) {
        const double t = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = t;
    }
    return kPi / (2.0 * a);
}

// The Peirce core in closed form: the square [-1, 1]^2 onto the unit disc
// with the corner (1, 1) at 45 degrees, through cn of modulus 1/sqrt(2).
cd PeirceClosedForm(cd z) {
    const double K = CompleteK(0.5);
    return std::polar(1.0, kPi / 4.0) * JacobiCn(K - 0.5 * K * cd(1.0, -1.0) * z, 0.5);
}

// ---- forward integrals by Simpson's rule along the ray from 0 ----

template <class F>
cd RayIntegral(F density, cd w, int intervals = 800) {
    cd sum = density(0.0) + density(w);
    for (int i = 1; i < intervals; ++i) sum += (i % 2 ? 4.0 : 2.0) * density(w * (double(i) / intervals));
    return sum * w / (3.0 * intervals);
}

// ---- the table frames ----

cd Entry(const float* table, int index) { return cd(table[2 * index], table[2 * index + 1]); }

// Octant tables: (column, row) with column <= row, row by row.
int OctantIndex(int col, int row) { return row * (row + 1) / 2 + col; }

struct PolygonTable {
    const char* name;
    const float* values;
    int n;
};

const PolygonTable kPolygons[] = {
    {"triangle", tri_sextant_freezedried, 3},
    {"square", nu_square_octant_freezedried, 4},
    {"pentagon", pent_decant_freezedried, 5},
    {"hexagon", hex_dodecant_freezedried, 6},
};

// The disc point of polygon-table cell (col, row); the table holds (-Re, Im).
cd PolygonDisc(const PolygonTable& t, int col, int row) {
    const cd e = Entry(t.values, row * kN + col);
    return cd(-e.real(), e.imag());
}
cd PolygonPoint(int n, double wO, double wA) {
    const cd A = std::polar(1.0, kPi / n), B = std::cos(kPi / n);
    return wA * A + (1.0 - wO - wA) * B;
}

}  // namespace

TEST(ConformalTables, GeneratedSourceIsCurrent) {
    ExpectGeneratedSourceIsCurrent("gen_conformal_tables", "projections/generated/conformal_tables.cpp");
}

TEST(ConformalTables, PeirceMatchesTheJacobiClosedForm) {
    // The closed form itself: corner, edge midpoint and centre.
    EXPECT_LT(std::abs(PeirceClosedForm(cd(1, 1)) - std::polar(1.0, kPi / 4)), 1e-12);
    EXPECT_LT(std::abs(PeirceClosedForm(cd(1, 0)) - 1.0), 1e-12);
    EXPECT_LT(std::abs(PeirceClosedForm(0.0)), 1e-12);
    double worst = 0.0;
    for (int row = 0; row < kN; ++row)
        for (int col = 0; col <= row; ++col) {
            const cd exact = PeirceClosedForm(cd(col * kH, row * kH));
            worst = std::max(worst, std::abs(Entry(Peirce_octant_freezedried, OctantIndex(col, row)) - exact));
        }
    EXPECT_LT(worst, 2e-7);
}

TEST(ConformalTables, PeirceCornersAndEdges) {
    const float* t = Peirce_octant_freezedried;
    EXPECT_LT(std::abs(Entry(t, OctantIndex(0, 0))), 1e-7);
    EXPECT_LT(std::abs(Entry(t, OctantIndex(0, kN - 1)) - cd(0, 1)), 1e-6);                       // edge midpoint
    EXPECT_LT(std::abs(Entry(t, OctantIndex(kN - 1, kN - 1)) - std::polar(1.0, kPi / 4)), 1e-6);  // corner
    for (int i = 0; i < kN; ++i) {
        EXPECT_NEAR(std::abs(Entry(t, OctantIndex(i, kN - 1))), 1.0, 1e-6) << "edge y = 1 on the rim";
        EXPECT_NEAR(Entry(t, OctantIndex(0, i)).real(), 0.0, 1e-7) << "axis x = 0 stays on the axis";
        const cd d = Entry(t, OctantIndex(i, i));
        EXPECT_NEAR(d.real(), d.imag(), 1e-7) << "diagonal stays on the diagonal";
    }
}

TEST(ConformalTables, PolygonPiecesLandOnTheirSector) {
    for (const PolygonTable& t : kPolygons) {
        SCOPED_TRACE(t.name);
        const double half = kPi / t.n;
        EXPECT_LT(std::abs(PolygonDisc(t, 0, 0) - 1.0), 1e-6);                   // edge midpoint B
        EXPECT_LT(std::abs(PolygonDisc(t, kN - 1, 0)), 1e-7);                    // centre O
        EXPECT_LT(std::abs(PolygonDisc(t, 0, kN - 1) - std::polar(1.0, half)), 1e-6);  // vertex A
        for (int i = 0; i < kN; ++i) {
            EXPECT_NEAR(std::abs(PolygonDisc(t, 0, i)), 1.0, 2e-6) << "edge AB on the rim, cell " << i;
            const cd onOB = PolygonDisc(t, i, 0);
            EXPECT_NEAR(onOB.imag(), 0.0, 1e-7) << "radius OB, cell " << i;
            EXPECT_GE(onOB.real(), -1e-7);
            if (i < kN - 1) {
                const cd onOA = PolygonDisc(t, i, kN - 1 - i);
                EXPECT_NEAR(std::arg(onOA), half, 2e-6) << "radius OA, cell " << i;
            }
        }
    }
}

TEST(ConformalTables, PolygonForwardIntegralReturnsTheGridPoint) {
    for (const PolygonTable& t : kPolygons) {
        SCOPED_TRACE(t.name);
        const int n = t.n;
        auto density = [n](cd w) { return std::pow(1.0 + std::pow(w, n), -2.0 / n); };
        const double c = std::cos(kPi / n) / RayIntegral(density, 1.0, 4000).real();
        double worst = 0.0;
        int checked = 0;
        for (int row = 0; row < kN; row += 3)
            for (int col = 0; col < kN; col += 3) {
                const cd w = PolygonDisc(t, col, row);
                if (std::abs(w) > 0.9) continue;  // Simpson is exact enough well inside the disc
                worst = std::max(worst, std::abs(c * RayIntegral(density, w) - PolygonPoint(n, col * kH, row * kH)));
                ++checked;
            }
        EXPECT_GT(checked, 100);
        EXPECT_LT(worst, 1e-6);
    }
}

// Cauchy-Riemann in the affine grid frame: with z = z0 + x e1 + y e2, a map
// is conformal when g_x / e1 = g_y / e2. Fourth-order central differences on
// the stored grid, away from the vertex where the derivative vanishes.
TEST(ConformalTables, PolygonTablesAreConformal) {
    for (const PolygonTable& t : kPolygons) {
        SCOPED_TRACE(t.name);
        const cd A = std::polar(1.0, kPi / t.n), B = std::cos(kPi / t.n);
        const cd e1 = -B, e2 = A - B;
        double worst = 0.0;
        for (int row = 2; row < kN - 2; ++row)
            for (int col = 2; col < kN - 2; ++col) {
                if (std::hypot(col, row - (kN - 1)) < 8.0) continue;  // near the vertex
                if (t.n == 3 && col + row > kN - 1) continue;          // beyond the triangle's edge
                auto g = [&](int c, int r) { return PolygonDisc(t, c, r); };
                // Fourth-order central differences.
                const cd gx = (g(col - 2, row) - 8.0 * g(col - 1, row) + 8.0 * g(col + 1, row) - g(col + 2, row)) / (12 * kH);
                const cd gy = (g(col, row - 2) - 8.0 * g(col, row - 1) + 8.0 * g(col, row + 1) - g(col, row + 2)) / (12 * kH);
                const cd a = gx / e1, b = gy / e2;
                worst = std::max(worst, std::abs(a - b) / std::abs(a));
            }
        EXPECT_LT(worst, 1e-4);
    }
}

// The interpolated cache keeps angles: the images of the two grid directions
// through a point meet at the angle the directions meet at in the polygon.
TEST(ConformalTables, InterpolatedPolygonCacheKeepsAngles) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    const struct {
        int64_t tag;
        int n;
        fcomplex (*fetch)(PyramidDescriptor*, double, double);
    } caches[] = {{kCacheTagSextant, 3, FetchFromCache_sextant},
                  {kCacheTagNuOctant, 4, FetchFromCache_nuoctant},
                  {kCacheTagDecant, 5, FetchFromCache_decant},
                  {kCacheTagDodecant, 6, FetchFromCache_dodecant}};
    for (const auto& c : caches) {
        SCOPED_TRACE(c.n);
        PyramidDescriptor* pyr = ProjectionCache(store, c.tag);
        const cd A = std::polar(1.0, kPi / c.n), B = std::cos(kPi / c.n);
        const double expected = std::arg((A - B) / -B);
        const double d = 0.5 * kH;
        for (double wO = 0.15; wO < 0.8; wO += 0.13)
            for (double wA = 0.1; wA + wO < 0.9; wA += 0.13) {
                auto g = [&](double x, double y) {
                    const fcomplex v = c.fetch(pyr, x, y);
                    return cd(-v.re, v.im);
                };
                const cd gx = g(wO + d, wA) - g(wO - d, wA), gy = g(wO, wA + d) - g(wO, wA - d);
                EXPECT_NEAR(std::arg(gy / gx), expected, 0.02) << wO << ", " << wA;
            }
    }
    DisposeProjectionCacheStore(&store);
}

// ---- sphere cube ----

namespace {

// Table (u, v) = (col, row)/49 -> sphere point (x, y, z) with (x/z, y/z) of
// the signs of (u, v); the table holds (-x, -y).
void CubeImage(int col, int row, double* x, double* y, double* z) {
    const cd e = Entry(spherecube_octant_freezedried, OctantIndex(col, row));
    *x = -e.real(), *y = -e.imag();
    *z = std::sqrt(1.0 - *x * *x - *y * *y);
}
cd CubeStereographic(int col, int row) {
    double x, y, z;
    CubeImage(col, row, &x, &y, &z);
    return cd(x, y) / (1.0 + z);
}

}  // namespace

TEST(ConformalTables, SphereCubeCornersAndEdgesLandOnTheFace) {
    double x, y, z;
    CubeImage(0, 0, &x, &y, &z);
    EXPECT_NEAR(x, 0.0, 1e-7);
    EXPECT_NEAR(y, 0.0, 1e-7);
    CubeImage(0, kN - 1, &x, &y, &z);  // edge midpoint (0, 1): gnomonic (0, 1)
    EXPECT_NEAR(x / z, 0.0, 1e-6);
    EXPECT_NEAR(y / z, 1.0, 1e-6);
    CubeImage(kN - 1, kN - 1, &x, &y, &z);  // the cube's vertex
    EXPECT_NEAR(x / z, 1.0, 1e-5);
    EXPECT_NEAR(y / z, 1.0, 1e-5);
    for (int i = 0; i < kN; ++i) {
        CubeImage(i, kN - 1, &x, &y, &z);
        EXPECT_NEAR(y / z, 1.0, 1e-5) << "face edge v = 1 lands on the cube edge, cell " << i;
        EXPECT_GE(x, -1e-7);
        CubeImage(0, i, &x, &y, &z);
        EXPECT_NEAR(x, 0.0, 1e-7) << "u = 0 stays on the face's axis";
        CubeImage(i, i, &x, &y, &z);
        EXPECT_NEAR(x, y, 1e-7) << "the diagonal stays on the diagonal";
    }
    // Monotonic along a row: the map does not fold.
    for (int row = 1; row < kN; row += 6)
        for (int col = 1; col <= row; ++col) {
            double x0, y0, z0;
            CubeImage(col - 1, row, &x0, &y0, &z0);
            CubeImage(col, row, &x, &y, &z);
            EXPECT_GT(x / z, x0 / z0);
        }
}

TEST(ConformalTables, SphereCubeForwardIntegralReturnsTheFacePoint) {
    const double a = -7.0 + 4.0 * std::sqrt(3.0), b = -7.0 - 4.0 * std::sqrt(3.0);
    auto density = [&](cd t) {
        const cd t4 = std::pow(t, 4);
        return std::pow((t4 - a) * (t4 - b), -0.25);
    };
    const double c = 1.0 / RayIntegral(density, std::tan(kPi / 8.0), 4000).real();
    double worst = 0.0;
    for (int row = 0; row < kN - 4; row += 2)
        for (int col = 0; col <= row; col += 2) {
            const cd face = c * RayIntegral(density, CubeStereographic(col, row));
            worst = std::max(worst, std::abs(face - cd(col * kH, row * kH)));
        }
    EXPECT_LT(worst, 1e-6);
}

// On the stereographic coordinate of the image; cells below the diagonal are
// the mirror images (x, y) -> (y, x) of the stored ones.
TEST(ConformalTables, SphereCubeIsConformal) {
    double worst = 0.0;
    auto g = [](int c, int r) { return c <= r ? CubeStereographic(c, r) : cd(0, 1) * std::conj(CubeStereographic(r, c)); };
    for (int row = 2; row < kN - 2; ++row)
        for (int col = 2; col < kN - 2; ++col) {
            if (std::hypot(kN - 1 - col, kN - 1 - row) < 8.0) continue;  // the vertex
            const cd gx = (g(col - 2, row) - 8.0 * g(col - 1, row) + 8.0 * g(col + 1, row) - g(col + 2, row)) / (12 * kH);
            const cd gy = (g(col, row - 2) - 8.0 * g(col, row - 1) + 8.0 * g(col, row + 1) - g(col, row + 2)) / (12 * kH);
            worst = std::max(worst, std::abs(gx * cd(0, 1) - gy) / std::abs(gx));
        }
    EXPECT_LT(worst, 1e-4);
}
