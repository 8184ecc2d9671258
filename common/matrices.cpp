#include "common/matrices.h"

#include <cmath>
#include <cstring>

#include "common/geometry.h"

namespace {

template <class T>
void Mul3(const T* A, const T* B, T* C) {
    T r[9];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) r[3 * i + j] = A[4 * i] * B[j] + A[4 * i + 1] * B[4 + j] + A[4 * i + 2] * B[8 + j];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) C[4 * i + j] = r[3 * i + j];
}

template <class T>
void RowTimes3(const T* v, const T* M, T* out) {
    T r[3];
    for (int j = 0; j < 3; j++) r[j] = v[0] * M[j] + v[1] * M[4 + j] + v[2] * M[8 + j];
    for (int j = 0; j < 3; j++) out[j] = r[j];
}

// F(v, e): the rotation that, with v = to × from and e = from·to, takes the
// row vector from to to (and, with v = from × to, the column vector).
void FormulaF(const double* v, double e, double* M) {
    const double h = 1.0 / (1.0 + e);
    M[0] = e + h * v[0] * v[0];
    M[1] = h * v[0] * v[1] - v[2];
    M[2] = h * v[0] * v[2] + v[1];
    M[4] = h * v[0] * v[1] + v[2];
    M[5] = e + h * v[1] * v[1];
    M[6] = h * v[1] * v[2] - v[0];
    M[8] = h * v[0] * v[2] - v[1];
    M[9] = h * v[1] * v[2] + v[0];
    M[10] = e + h * v[2] * v[2];
}

// Q(a, θ): rotation of column vectors by θ about a (not normalised).
void FormulaQ(const double* a, double theta, double* M) {
    const double s = std::sin(theta / 2), c = std::cos(theta / 2);
    const double x = s * a[0], y = s * a[1], z = s * a[2];
    M[0] = 1 - 2 * (y * y + z * z);
    M[1] = 2 * x * y - 2 * c * z;
    M[2] = 2 * x * z + 2 * c * y;
    M[4] = 2 * x * y + 2 * c * z;
    M[5] = 1 - 2 * (x * x + z * z);
    M[6] = 2 * y * z - 2 * c * x;
    M[8] = 2 * x * z - 2 * c * y;
    M[9] = 2 * y * z + 2 * c * x;
    M[10] = 1 - 2 * (x * x + y * y);
}

void Cross(const double* a, const double* b, double* out) {
    const double r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    std::memcpy(out, r, sizeof r);
}
double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Unit vector, or (0, 0, 1) for a zero vector.
void UnitOrZ(const double* v, double* out) {
    const double m = std::sqrt(Dot(v, v));
    if (m == 0.0) {
        out[0] = 0, out[1] = 0, out[2] = 1;
        return;
    }
    out[0] = v[0] / m, out[1] = v[1] / m, out[2] = v[2] / m;
}

// Axis and angle of the turn from a to b. a × b equals a × (b ∓ a), and the
// shorter of b − a and b + a is computed with little rounding, so the axis
// stays accurate for nearly parallel and nearly opposite vectors, where the
// plain cross product is mostly noise; the angle from atan2 stays accurate
// there too, unlike acos of the dot product. Exactly parallel or opposite
// vectors turn about a unit vector across a (any axis serves a zero angle,
// but a half turn needs one perpendicular to a).
void TurnAxisAndAngle(const double* a, const double* b, double* axis, double* angle) {
    const double dot = Dot(a, b);
    const double s = dot >= 0 ? -1.0 : 1.0;
    const double d[3] = {b[0] + s * a[0], b[1] + s * a[1], b[2] + s * a[2]};
    double c[3];
    Cross(a, d, c);
    const double cc = Dot(c, c);
    *angle = std::atan2(std::sqrt(cc), dot);
    if (cc > 0.0) {
        UnitOrZ(c, axis);
        return;
    }
    // Cross a with the coordinate axis it has least of.
    const double ax = std::fabs(a[0]), ay = std::fabs(a[1]), az = std::fabs(a[2]);
    double e[3] = {0, 0, 0};
    e[(ax <= ay && ax <= az) ? 0 : (ay <= az ? 1 : 2)] = 1;
    Cross(a, e, c);
    UnitOrZ(c, axis);
}

void FillTranslationPart(double* M) {
    M[3] = M[7] = M[11] = 0;
    M[12] = M[13] = M[14] = 0;
    M[15] = 1;
}

}  // namespace

void MultiplyRowVectorBy3x3(const float* v, const float* M, float* out) { RowTimes3(v, M, out); }
void MultiplyRowVectorBy3x3D(const double* v, const double* M, double* out) { RowTimes3(v, M, out); }

void Multiply3x3byColumnVectorD(const double* M, const double* v, double* out) {
    double r[3];
    for (int i = 0; i < 3; i++) r[i] = M[4 * i] * v[0] + M[4 * i + 1] * v[1] + M[4 * i + 2] * v[2];
    std::memcpy(out, r, sizeof r);
}
triplex Multiply3x3byColumnVectorT(const double* M, triplex p) {
    return {M[0] * p.x + M[1] * p.y + M[2] * p.z, M[4] * p.x + M[5] * p.y + M[6] * p.z,
            M[8] * p.x + M[9] * p.y + M[10] * p.z};
}

triplex Multiply4x4byTriplex(const double* M, triplex p) {
    return Tadd(Multiply3x3byColumnVectorT(M, p), triplex {M[3], M[7], M[11]});
}

void Multiply4x4by4x4(const double* A, const double* B, double* C) {
    double r[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double s = 0;
            for (int k = 0; k < 4; k++) s += A[4 * i + k] * B[4 * k + j];
            r[4 * i + j] = s;
        }
    std::memcpy(C, r, sizeof r);
}

void MatrixFromAxisAngleD(const double* axis, double* M, double theta) {
    FormulaQ(axis, theta, M);
    FillTranslationPart(M);
}

void FromToBuildRotationD_core(const double* from, const double* to, double* M) {
    double v[3];
    Cross(to, from, v);
    FormulaF(v, Dot(from, to), M);
}

void FromToBuildRotationD(const double* from, const double* to, double* M) {
    const double e = Dot(from, to);
    if (std::fabs(e) <= 0.9999999) {
        FromToBuildRotationD_core(from, to, M);
        return;
    }
    // Nearly parallel: go through an intermediate direction u that is far
    // from both, as two column rotations from → u → to.
    const double m[3] = {(from[0] + to[0]) / 2, (from[1] + to[1]) / 2, (from[2] + to[2]) / 2};
    const double mm = Dot(m, m);
    double u[3];
    if (mm > 0.9999999) {
        const double len = std::sqrt(Dot(from, from));
        u[0] = from[1] / len, u[1] = from[2] / len, u[2] = from[0] / len;
    } else if (mm > 1e-12) {
        const double len = std::sqrt(mm);
        u[0] = m[0] / len, u[1] = m[1] / len, u[2] = m[2] / len;
    } else {
        // Opposite vectors: any direction away from the axis will do.
        const bool nearZ = std::fabs(from[2]) > 0.9;
        u[0] = nearZ ? 1 : 0, u[1] = 0, u[2] = nearZ ? 0 : 1;
    }
    double v[3], A[16], B[16], C[16];
    Cross(u, to, v);
    FormulaF(v, Dot(u, to), A);
    Cross(from, u, v);
    FormulaF(v, Dot(from, u), B);
    Mul3(A, B, C);  // C·from = to
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) M[4 * i + j] = C[4 * j + i];  // transposed: from·M = to
}

void CGetsAngularInterpolantOfAB(const double* A, const double* B, double* C, double t) {
    double axis[3], angle;
    TurnAxisAndAngle(A, B, axis, &angle);
    if (t == 0) {
        std::memmove(C, A, 3 * sizeof(double));
        return;
    }
    double Q[16], r[3];
    FormulaQ(axis, angle * t, Q);
    Multiply3x3byColumnVectorD(Q, A, r);
    UnitOrZ(r, C);
}

// Determinant of the 3×3 minor of M without row r and column c.
static double Minor(const double* M, int r, int c) {
    double m[9];
    int k = 0;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            if (i != r && j != c) m[k++] = M[4 * i + j];
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

void adjoint4x4(const double* M, double* out) {
    double r[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) r[4 * j + i] = (((i + j) & 1) ? -1.0 : 1.0) * Minor(M, i, j);
    std::memcpy(out, r, sizeof r);
}

double det4x4(const double* M) {
    double d = 0;
    for (int j = 0; j < 4; j++) d += ((j & 1) ? -1.0 : 1.0) * M[j] * Minor(M, 0, j);
    return d;
}

int Inverse4x4(const double* M, double* out) {
    const double det = det4x4(M);
    if (!(std::fabs(det) >= 1e-8)) return 0;
    double adj[16];
    adjoint4x4(M, adj);
    for (int i = 0; i < 16; i++) out[i] = adj[i] / det;
    return 1;
}

int LineLineIntersect(const double* p1, const double* p2, const double* p3, const double* p4, double* pa,
                      double* pb, double* mua, double* mub) {
    const double eps = 1e-5;
    double d43[3], d21[3], d13[3];
    for (int i = 0; i < 3; i++) d43[i] = p4[i] - p3[i], d21[i] = p2[i] - p1[i], d13[i] = p1[i] - p3[i];
    if (std::fabs(d43[0]) < eps && std::fabs(d43[1]) < eps && std::fabs(d43[2]) < eps) return 0;
    if (std::fabs(d21[0]) < eps && std::fabs(d21[1]) < eps && std::fabs(d21[2]) < eps) return 0;
    const double d1343 = Dot(d13, d43), d4321 = Dot(d43, d21), d1321 = Dot(d13, d21), d4343 = Dot(d43, d43),
                 d2121 = Dot(d21, d21);
    // denom = |d21|²·|d43|²·sin² of the lines' angle. Parallel is judged on
    // the sine alone, so short lines (small polyhedra, net edges) that cross
    // at a good angle are not taken for parallel ones.
    const double denom = d2121 * d4343 - d4321 * d4321;
    if (std::fabs(denom) < eps * d2121 * d4343) return 0;
    const double a = (d1343 * d4321 - d1321 * d4343) / denom;
    const double b = (d1343 + a * d4321) / d4343;
    for (int i = 0; i < 3; i++) pa[i] = p1[i] + a * d21[i], pb[i] = p3[i] + b * d43[i];
    *mua = a;
    *mub = b;
    return 1;
}
