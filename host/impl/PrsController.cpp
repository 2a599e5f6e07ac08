// The default transform controller's view of a matrix: position, rotation and a scale along
// its own axes. Any affine matrix splits that way (translation, essential rotation, stretch
// rotation, stretch factors, sign: decomp.h AffineParts); the controller stores each part as
// floats, so a matrix set and read back keeps its shape but not always its low bits.
#include "host/impl/PrsController.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace hostimpl {

namespace {

struct Mat3 {
    double m[3][3];
};

Mat3 linearPart(const Matrix3& tm) {
    Mat3 a;
    for (int r = 0; r < 3; ++r) {
        Point3 row = tm.GetRow(r);
        a.m[r][0] = row.x;
        a.m[r][1] = row.y;
        a.m[r][2] = row.z;
    }
    return a;
}

Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 c{};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                c.m[r][j] += a.m[r][k] * b.m[k][j];
    return c;
}

Mat3 transpose(const Mat3& a) {
    Mat3 t;
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < 3; ++j)
            t.m[r][j] = a.m[j][r];
    return t;
}

Mat3 identity() {
    Mat3 a{};
    for (int i = 0; i < 3; ++i)
        a.m[i][i] = 1.0;
    return a;
}

double determinant(const Mat3& a) {
    const double(*m)[3] = a.m;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

struct Vec {
    double v[3];
};

Vec row(const Mat3& a, int r) {
    return Vec{{a.m[r][0], a.m[r][1], a.m[r][2]}};
}

void setRow(Mat3& a, int r, const Vec& v) {
    for (int j = 0; j < 3; ++j)
        a.m[r][j] = v.v[j];
}

double dot(const Vec& a, const Vec& b) {
    return a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2];
}

Vec cross(const Vec& a, const Vec& b) {
    return Vec{{a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                a.v[0] * b.v[1] - a.v[1] * b.v[0]}};
}

Vec scaled(const Vec& a, double s) {
    return Vec{{a.v[0] * s, a.v[1] * s, a.v[2] * s}};
}

Vec minus(const Vec& a, const Vec& b) {
    return Vec{{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2]}};
}

Vec unit(const Vec& a) {
    double len = std::sqrt(dot(a, a));
    return len > 0.0 ? scaled(a, 1.0 / len) : Vec{{1.0, 0.0, 0.0}};
}

// Entries below what a float matrix can carry say nothing about the axes: dropping them keeps
// the stretch axes of an unsheared matrix on its own axes.
void dropFloatNoise(Mat3& b) {
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q)
            if (p != q &&
                std::fabs(b.m[p][q]) <= 8.0 * FLT_EPSILON * std::sqrt(b.m[p][p] * b.m[q][q]))
                b.m[p][q] = 0.0;
}

// Symmetric b = E diag(eigen) E^T by Jacobi rotations; the columns of the result are E.
Mat3 symmetricEigen(Mat3 b, double eigen[3]) {
    Mat3 e = identity();
    for (int sweep = 0; sweep < 64; ++sweep) {
        double off = std::fabs(b.m[0][1]) + std::fabs(b.m[0][2]) + std::fabs(b.m[1][2]);
        if (off == 0.0)
            break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (b.m[p][q] == 0.0)
                    continue;
                double theta = 0.5 * std::atan2(2.0 * b.m[p][q], b.m[q][q] - b.m[p][p]);
                double c = std::cos(theta), s = std::sin(theta);
                Mat3 j = identity();
                j.m[p][p] = c;
                j.m[q][q] = c;
                j.m[p][q] = s;
                j.m[q][p] = -s;
                b = multiply(transpose(j), multiply(b, j));
                b.m[p][q] = b.m[q][p] = 0.0;
                e = multiply(e, j);
            }
    }
    for (int i = 0; i < 3; ++i)
        eigen[i] = b.m[i][i];
    return e;
}

// The orthonormal frame whose rows the scaled rows of U*M point along; rows of a zero stretch
// are completed so that the frame is a rotation.
Mat3 essentialFrame(const Mat3& um, const double k[3]) {
    // Strongest stretch first; plain swaps stay safe when a factor is not a number.
    int order[3] = {0, 1, 2};
    for (int pass = 0; pass < 2; ++pass)
        for (int n = 0; n + 1 < 3; ++n)
            if (k[order[n + 1]] > k[order[n]])
                std::swap(order[n], order[n + 1]);
    double tiny = std::max(k[order[0]], 1.0) * 64.0 * DBL_EPSILON;
    Mat3 g{};
    int kept = 0;
    for (int n = 0; n < 3; ++n) {
        int i = order[n];
        if (k[i] <= tiny)
            break;
        Vec v = row(um, i);
        for (int m = 0; m < n; ++m) // Gram-Schmidt against the stronger rows
            v = minus(v, scaled(row(g, order[m]), dot(v, row(g, order[m]))));
        setRow(g, i, unit(v));
        ++kept;
    }
    if (kept == 0)
        return identity();
    if (kept == 1) {
        Vec a = row(g, order[0]);
        Vec helper = std::fabs(a.v[0]) < 0.9 ? Vec{{1.0, 0.0, 0.0}} : Vec{{0.0, 1.0, 0.0}};
        setRow(g, order[1], unit(cross(a, helper)));
    }
    if (kept < 3) {
        // Row c completes a right-handed frame: row (c+1) x row (c+2) cyclically.
        int c = order[2];
        setRow(g, c, cross(row(g, (c + 1) % 3), row(g, (c + 2) % 3)));
    }
    return g;
}

// The rotation of a row-vector rotation matrix, in the host's quaternion convention
// (Quat::MakeMatrix), with w >= 0.
Quat quatOfRotation(const Mat3& r) {
    const double(*m)[3] = r.m;
    double trace = m[0][0] + m[1][1] + m[2][2];
    double x, y, z, w;
    if (trace > 0.0) {
        double s = 2.0 * std::sqrt(1.0 + trace);
        w = 0.25 * s;
        x = (m[1][2] - m[2][1]) / s;
        y = (m[2][0] - m[0][2]) / s;
        z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);
        x = 0.25 * s;
        w = (m[1][2] - m[2][1]) / s;
        y = (m[0][1] + m[1][0]) / s;
        z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] >= m[2][2]) {
        double s = 2.0 * std::sqrt(1.0 - m[0][0] + m[1][1] - m[2][2]);
        y = 0.25 * s;
        w = (m[2][0] - m[0][2]) / s;
        x = (m[0][1] + m[1][0]) / s;
        z = (m[1][2] + m[2][1]) / s;
    } else {
        double s = 2.0 * std::sqrt(1.0 - m[0][0] - m[1][1] + m[2][2]);
        z = 0.25 * s;
        w = (m[0][1] - m[1][0]) / s;
        x = (m[0][2] + m[2][0]) / s;
        y = (m[1][2] + m[2][1]) / s;
    }
    double len = std::sqrt(x * x + y * y + z * z + w * w);
    double sign = w < 0.0 ? -1.0 : 1.0;
    return Quat(float(sign * x / len), float(sign * y / len), float(sign * z / len),
                float(sign * w / len));
}

} // namespace

PrsValue decomposeAffine(const Matrix3& tm) {
    // M = U^T K U R F (row vectors): M M^T = U^T K^2 U, so the rows of U are its eigenvectors.
    Mat3 m = linearPart(tm);
    Mat3 b = multiply(m, transpose(m));
    dropFloatNoise(b);
    double eigen[3];
    Mat3 u = transpose(symmetricEigen(b, eigen));
    if (determinant(u) < 0.0)
        setRow(u, 2, scaled(row(u, 2), -1.0));
    double k[3];
    for (int i = 0; i < 3; ++i)
        k[i] = std::sqrt(std::max(eigen[i], 0.0));
    // U M = K (U R F): its rows, unscaled, are the rows of U R F.
    Mat3 frame = essentialFrame(multiply(u, m), k);
    Mat3 rotation = multiply(transpose(u), frame);
    double sign = determinant(rotation) < 0.0 ? -1.0 : 1.0;
    if (sign < 0.0)
        for (auto& r : rotation.m)
            for (double& e : r)
                e = -e;

    PrsValue value;
    value.position = tm.GetRow(3);
    value.rotation = quatOfRotation(rotation);
    Point3 factors(float(sign * k[0]), float(sign * k[1]), float(sign * k[2]));
    // A uniform stretch has no axes of its own.
    bool uniform = factors.x == factors.y && factors.y == factors.z;
    value.scale = ScaleValue(factors, uniform ? Quat() : quatOfRotation(u));
    return value;
}

Matrix3 composePrs(const PrsValue& value) {
    // The order decomp.h gives for rebuilding a matrix from its parts, the sign inside scale.
    Matrix3 rotation;
    value.rotation.MakeMatrix(rotation);
    return ScaleValueMatrix(value.scale) * rotation * TransMatrix(value.position);
}

} // namespace hostimpl
