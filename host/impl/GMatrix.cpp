// IGame's 4x4 matrix in the row-vector convention.
#include "host/GMatrix.h"
#include "host/Misuse.h"

#include <cmath>
#include <utility>

static_assert(sizeof(Point4) == 4 * sizeof(float), "Point4 must overlay a matrix row");

namespace {
int checkedRow(int i, const char* operation) {
    if (i >= 0 && i <= 3)
        return i;
    reportHostMisuse(operation);
    return 3;
}
} // namespace

GMatrix::GMatrix() {
    SetIdentity();
}

GMatrix::GMatrix(const Matrix3& mat) {
    const MRow* rows = mat.GetAddr();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = rows[i][j];
        m[i][3] = i == 3 ? 1.0f : 0.0f;
    }
}

GMatrix GMatrix::operator*(const GMatrix& b) const {
    GMatrix c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            c.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] +
                        m[i][3] * b.m[3][j];
    return c;
}

GMatrix& GMatrix::operator*=(const GMatrix& b) {
    *this = *this * b;
    return *this;
}

bool GMatrix::operator==(const GMatrix& b) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != b.m[i][j])
                return false;
    return true;
}

Point4& GMatrix::operator[](int i) {
    if (i < 0 || i > 3) {
        reportHostMisuse("GMatrix::operator[] outside rows 0-3");
        static Point4 spare; // a write through a bad row must not land in the matrix
        spare = Point4();
        return spare;
    }
    return *reinterpret_cast<Point4*>(m[i]);
}

const Point4& GMatrix::operator[](int i) const {
    if (i < 0 || i > 3) {
        reportHostMisuse("GMatrix::operator[] outside rows 0-3");
        static const Point4 zero;
        return zero;
    }
    return *reinterpret_cast<const Point4*>(m[i]);
}

GMatrix GMatrix::Inverse() {
    // Gauss-Jordan elimination with partial pivoting, in double precision.
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = m[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-30 || !std::isfinite(a[pivot][col])) {
            GMatrix zero;
            for (auto& row : zero.m)
                for (float& v : row)
                    v = 0.0f;
            return zero;
        }
        if (pivot != col)
            for (int j = 0; j < 8; ++j)
                std::swap(a[col][j], a[pivot][j]);
        double k = 1.0 / a[col][col];
        for (int j = 0; j < 8; ++j)
            a[col][j] *= k;
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0)
                continue;
            double f = a[r][col];
            for (int j = 0; j < 8; ++j)
                a[r][j] -= f * a[col][j];
        }
    }
    GMatrix inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            inv.m[i][j] = (float)a[i][j + 4];
    return inv;
}

Point3 GMatrix::Scaling() const {
    Point3 s(Point3(m[0][0], m[0][1], m[0][2]).Length(), Point3(m[1][0], m[1][1], m[1][2]).Length(),
             Point3(m[2][0], m[2][1], m[2][2]).Length());
    return Determinant() < 0.0f ? -s : s;
}

Point3 GMatrix::Translation() const {
    return Point3(m[3][0], m[3][1], m[3][2]);
}

Quat GMatrix::Rotation() const {
    Point3 s = Scaling();
    Matrix3 rot(TRUE);
    for (int i = 0; i < 3; ++i)
        if (s[i] != 0.0f)
            rot.SetRow(i, Point3(m[i][0], m[i][1], m[i][2]) / s[i]);
    return Quat(rot);
}

Point4 GMatrix::GetRow(int i) const {
    i = checkedRow(i, "GMatrix::GetRow outside rows 0-3");
    return Point4(m[i][0], m[i][1], m[i][2], m[i][3]);
}

void GMatrix::SetRow(int i, Point4 row) {
    i = checkedRow(i, "GMatrix::SetRow outside rows 0-3");
    for (int j = 0; j < 4; ++j)
        m[i][j] = row[j];
}

Point4 GMatrix::GetColumn(int i) const {
    i = checkedRow(i, "GMatrix::GetColumn outside columns 0-3");
    return Point4(m[0][i], m[1][i], m[2][i], m[3][i]);
}

Matrix3 GMatrix::ExtractMatrix3() const {
    Matrix3 out;
    for (int i = 0; i < 4; ++i)
        out.SetRow(i, Point3(m[i][0], m[i][1], m[i][2]));
    return out;
}

BOOL GMatrix::IsIdentity(float epsilon) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (std::fabs(m[i][j] - (i == j ? 1.0f : 0.0f)) > epsilon)
                return FALSE;
    return TRUE;
}

void GMatrix::SetIdentity() {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = i == j ? 1.0f : 0.0f;
}

float GMatrix::Determinant() const {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

int GMatrix::Parity() const {
    return Determinant() < 0.0f ? 1 : 0;
}

Point3 operator*(const Point3& V, const GMatrix& A) {
    const GRow* m = A.GetAddr();
    return Point3(V.x * m[0][0] + V.y * m[1][0] + V.z * m[2][0] + m[3][0],
                  V.x * m[0][1] + V.y * m[1][1] + V.z * m[2][1] + m[3][1],
                  V.x * m[0][2] + V.y * m[1][2] + V.z * m[2][2] + m[3][2]);
}
