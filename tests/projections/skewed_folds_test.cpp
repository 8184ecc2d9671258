// The layout folds: the hexagon and triangle grids choose the cell a brute
// force over nearby cells chooses, on both sides of zero, and repeat with
// their lattices; the tetrahedron strip repeats with one period everywhere,
// negative places and every band of rows included.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "projections/skewed_folds.h"

namespace {

const NetBox kBox = {-0.7, 1.3, -0.2, 0.6};

TEST(HexagonFold, TheNearestCentreOfEitherSignAndOneRepeat) {
    std::mt19937 rng(370);
    std::uniform_real_distribution<double> place(-30.0, 30.0);
    for (double s : {1.0, 2.5}) {
        for (int i = 0; i < 20000; ++i) {
            const double x = place(rng), y = place(rng);
            double fx, fy;
            int64_t q, r;
            calc_skewed_coordinates_for_hexagon(kBox, s, x, y, &fx, &fy, &q, &r);
            // Brute force: the nearest centre q - r/2, r sqrt(3)/2 with q + r
            // a multiple of 3.
            const double X = x * s, Y = y * s;
            const int64_t r0 = int64_t(std::floor(Y / 0.8660254037844386));
            double best = 1e9;
            int64_t bq = 0, br = 0;
            for (int64_t rr = r0 - 3; rr <= r0 + 3; ++rr) {
                const int64_t q0 = int64_t(std::floor(X + rr / 2.0));
                for (int64_t qq = q0 - 3; qq <= q0 + 3; ++qq) {
                    if (((qq + rr) % 3 + 3) % 3 != 0) continue;
                    const double d = std::hypot(X - (qq - rr / 2.0), Y - rr * 0.8660254037844386);
                    if (d < best) best = d, bq = qq, br = rr;
                }
            }
            // Ties lie on the hexagons' borders; the folded point is then the
            // same from either side up to the turn, so only a clear nearest
            // is checked.
            const double dq = std::hypot(X - (q - r / 2.0), Y - r * 0.8660254037844386);
            if (dq - best > 1e-9) ADD_FAILURE() << "(" << x << ", " << y << ") cell " << q << "," << r << " not " << bq << "," << br;
            // The point lies in the net's box, within the hexagon laid on it.
            const double cx = (kBox.left + kBox.right) / 2, cy = (kBox.top + kBox.bottom) / 2;
            EXPECT_LE(std::hypot(fx - cx, fy - cy), (kBox.bottom - kBox.top) / 2 / 0.8660254037844386 + 1e-9);
            // One repeat: three hexagons along q, or three along r.
            for (auto [ax, ay] : {std::pair{3.0, 0.0}, std::pair{-1.5, 3 * 0.8660254037844386}}) {
                double gx, gy;
                int64_t gq, gr;
                calc_skewed_coordinates_for_hexagon(kBox, s, x + ax / s, y + ay / s, &gx, &gy, &gq, &gr);
                EXPECT_NEAR(gx, fx, 1e-6);
                EXPECT_NEAR(gy, fy, 1e-6);
            }
        }
    }
}

TEST(TriangleFold, TheCellHoldingThePointOfEitherSignAndOneRepeat) {
    std::mt19937 rng(368);
    std::uniform_real_distribution<double> place(-30.0, 30.0);
    const double h = kTriangleRowHeight;
    for (double s : {1.0, 3.0}) {
        for (int i = 0; i < 20000; ++i) {
            const double x = place(rng), y = place(rng);
            double fx, fy;
            int64_t c, row;
            calc_skewed_coordinates_for_triangle(kBox, s, x, y, &fx, &fy, &c, &row);
            // Brute force: the cell whose rectangle (rows of 2h/s, columns of
            // 2/s, rows 2 and 3 of every 4 shifted left by half a column)
            // is nearest in the maximum norm, i.e. holds the point.
            const double X = x * s / 2, Y = y * s / 2 / h;
            double best = 1e9;
            int64_t bc = 0, br = 0;
            for (int64_t rr = int64_t(std::floor(Y)) - 2; rr <= int64_t(std::floor(Y)) + 2; ++rr) {
                const double shift = (((rr % 4) + 4) % 4 >= 2) ? 0.5 : 0.0;
                for (int64_t cc = int64_t(std::floor(X)) - 2; cc <= int64_t(std::floor(X)) + 2; ++cc) {
                    const double d = std::fmax(std::fabs(X - (cc + 0.5 - shift)), std::fabs(Y - (rr + 0.5)));
                    if (d < best) best = d, bc = cc, br = rr;
                }
            }
            if (best < 0.5 - 1e-9) {
                EXPECT_EQ(c, bc) << x << ", " << y;
                EXPECT_EQ(row, br) << x << ", " << y;
            }
            // The place in the cell, turned on odd rows, lies on the net.
            const double k = (kBox.bottom - kBox.top) / h;
            EXPECT_LE(std::fabs(fx - (kBox.left + kBox.right) / 2), 0.5 * k + 1e-9);
            EXPECT_LE(std::fabs(fy - (kBox.top + kBox.bottom) / 2), h / 2 * k + 1e-9);
            // One repeat: a column, or two rows and half a column.
            for (auto [ax, ay] : {std::pair{1.0, 0.0}, std::pair{0.5, 2.0}, std::pair{0.0, 4.0}}) {
                double gx, gy;
                int64_t gc, gr;
                calc_skewed_coordinates_for_triangle(kBox, s, x + ax * 2 / s, y + ay * 2 * h / s, &gx, &gy, &gc, &gr);
                EXPECT_NEAR(gx, fx, 1e-6);
                EXPECT_NEAR(gy, fy, 1e-6);
            }
        }
    }
    // triangleoid alone: rows -2 and -1 are shifted as 2 and 3 are.
    const TriangleCell a = triangleoid(0.1, -0.1, 2.0), b = triangleoid(0.1, 4 * 2 * h / 2.0 - 0.1, 2.0);
    EXPECT_EQ(a.row, -1);
    EXPECT_EQ(b.row, 3);
    EXPECT_NEAR(a.u, b.u, 1e-12);
    EXPECT_NEAR(a.v, b.v, 1e-12);
    EXPECT_NEAR(a.u, 0.6, 1e-12);
}

TEST(TetrahedronFold, OnePeriodEverywhere) {
    std::mt19937 rng(64);
    std::uniform_real_distribution<double> place(-20.0, 20.0);
    for (double repeats : {1.0, 5.656854}) {
        const double px = (kBox.right - kBox.left) / repeats, py = (kBox.bottom - kBox.top) / repeats;
        // The lattice of the strip in output coordinates: one period of x'
        // along x, and one of y' (which also moves x' by half of it).
        const double v1[2] = {px, 0.0};
        const double v2[2] = {-py / 2.0, py / 1.1547005383792515};
        for (int i = 0; i < 20000; ++i) {
            const double x = place(rng), y = place(rng);
            double fx, fy;
            calc_skewed_coordinates_for_tetrahedron(kBox, repeats, x, y, &fx, &fy);
            // Each repeat spreads over the whole net.
            EXPECT_GE(fx, kBox.left - 1e-9);
            EXPECT_LE(fx, kBox.right + 1e-9);
            EXPECT_GE(fy, kBox.top - 1e-9);
            EXPECT_LE(fy, kBox.bottom + 1e-9);
            for (int m = -3; m <= 3; m += 2)
                for (const double* v : {v1, v2}) {
                    double gx, gy;
                    calc_skewed_coordinates_for_tetrahedron(kBox, repeats, x + m * v[0], y + m * v[1], &gx, &gy);
                    // Equal, or on the seam of the repeat.
                    const double wx = kBox.right - kBox.left, wy = kBox.bottom - kBox.top;
                    if (std::fabs(gx - fx) > 1e-6 && std::fabs(std::fabs(gx - fx) - wx) > 1e-6) ADD_FAILURE() << x << ", " << y;
                    if (std::fabs(gy - fy) > 1e-6 && std::fabs(std::fabs(gy - fy) - wy) > 1e-6) ADD_FAILURE() << x << ", " << y;
                }
        }
    }
}

}  // namespace
