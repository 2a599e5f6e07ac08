// Matrix, quaternion and box operations of the host SDK, in the row-vector convention.
#include "host/Geometry.h"
#include "host/Misuse.h"

#include <cmath>
#include <string>

const Point3 Point3::Origin(0.0f, 0.0f, 0.0f);
const Point3 Point3::XAxis(1.0f, 0.0f, 0.0f);
const Point3 Point3::YAxis(0.0f, 1.0f, 0.0f);
const Point3 Point3::ZAxis(0.0f, 0.0f, 1.0f);

static_assert(sizeof(Point3) == 3 * sizeof(float), "Point3 must overlay a matrix row");

namespace {

bool rowIndexValid(int i, const char* operation) {
    if (i >= 0 && i <= 3)
        return true;
    reportHostMisuse(
        (std::string(operation) + ": row " + std::to_string(i) + " is outside rows 0 to 3")
            .c_str());
    return false;
}

float determinant3(const Matrix3& a) {
    const MRow* m = a.GetAddr();
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Quaternion of a proper rotation matrix (rows orthonormal, determinant +1). The matrix acts
// on row vectors, so it is the transpose of the textbook column-vector matrix.
Quat quatFromRotationRows(const Point3 rows[3]) {
    auto r = [&rows](int i, int j) { return rows[j][i]; }; // column-vector element (i, j)
    float trace = r(0, 0) + r(1, 1) + r(2, 2);
    Quat q;
    if (trace > 0.0f) {
        float s = 0.5f / std::sqrt(trace + 1.0f);
        q.w = 0.25f / s;
        q.x = (r(2, 1) - r(1, 2)) * s;
        q.y = (r(0, 2) - r(2, 0)) * s;
        q.z = (r(1, 0) - r(0, 1)) * s;
    } else if (r(0, 0) > r(1, 1) && r(0, 0) > r(2, 2)) {
        float s = 2.0f * std::sqrt(1.0f + r(0, 0) - r(1, 1) - r(2, 2));
        q.w = (r(2, 1) - r(1, 2)) / s;
        q.x = 0.25f * s;
        q.y = (r(0, 1) + r(1, 0)) / s;
        q.z = (r(0, 2) + r(2, 0)) / s;
    } else if (r(1, 1) > r(2, 2)) {
        float s = 2.0f * std::sqrt(1.0f + r(1, 1) - r(0, 0) - r(2, 2));
        q.w = (r(0, 2) - r(2, 0)) / s;
        q.x = (r(0, 1) + r(1, 0)) / s;
        q.y = 0.25f * s;
        q.z = (r(1, 2) + r(2, 1)) / s;
    } else {
        float s = 2.0f * std::sqrt(1.0f + r(2, 2) - r(0, 0) - r(1, 1));
        q.w = (r(1, 0) - r(0, 1)) / s;
        q.x = (r(0, 2) + r(2, 0)) / s;
        q.y = (r(1, 2) + r(2, 1)) / s;
        q.z = 0.25f * s;
    }
    return q.Normalize();
}

} // namespace

Quat::Quat(const Matrix3& mat) {
    Point3 rows[3] = {mat.GetRow(0).Normalize(), mat.GetRow(1).Normalize(),
                      mat.GetRow(2).Normalize()};
    if (determinant3(mat) < 0.0f)
        for (Point3& row : rows)
            row = -row;
    *this = quatFromRotationRows(rows);
}

void Quat::MakeMatrix(Matrix3& mat) const {
    Quat q = Normalize();
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    mat.SetRow(0, Point3(1.0f - 2.0f * (yy + zz), 2.0f * (xy + wz), 2.0f * (xz - wy)));
    mat.SetRow(1, Point3(2.0f * (xy - wz), 1.0f - 2.0f * (xx + zz), 2.0f * (yz + wx)));
    mat.SetRow(2, Point3(2.0f * (xz + wy), 2.0f * (yz - wx), 1.0f - 2.0f * (xx + yy)));
    mat.SetRow(3, Point3(0.0f, 0.0f, 0.0f));
}

Quat Quat::Normalize() const {
    float len = std::sqrt(x * x + y * y + z * z + w * w);
    if (len <= 0.0f)
        return Quat();
    return Quat(x / len, y / len, z / len, w / len);
}

Quat QFromAngAxis(float angle, const Point3& axis) {
    Point3 n = axis.Normalize();
    float s = std::sin(angle * 0.5f);
    return Quat(n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f));
}

Matrix3::Matrix3(float (*fp)[3]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = fp[i][j];
}

Matrix3::Matrix3(const Point3& U, const Point3& V, const Point3& N, const Point3& T) {
    SetRow(0, U);
    SetRow(1, V);
    SetRow(2, N);
    SetRow(3, T);
}

void Matrix3::SetRow(int i, Point3 p) {
    if (!rowIndexValid(i, "Matrix3::SetRow"))
        return;
    m[i][0] = p.x;
    m[i][1] = p.y;
    m[i][2] = p.z;
}

Point3 Matrix3::GetRow(int i) const {
    if (!rowIndexValid(i, "Matrix3::GetRow"))
        return Point3();
    return Point3(m[i][0], m[i][1], m[i][2]);
}

const Point3& Matrix3::operator[](int i) const {
    if (!rowIndexValid(i, "Matrix3::operator[]")) {
        static const Point3 zero;
        return zero;
    }
    return *reinterpret_cast<const Point3*>(m[i]);
}

void Matrix3::IdentityMatrix() {
    Zero();
    m[0][0] = m[1][1] = m[2][2] = 1.0f;
}

void Matrix3::Zero() {
    for (auto& row : m)
        for (float& v : row)
            v = 0.0f;
}

void Matrix3::Orthogonalize() {
    Point3 x = GetRow(0).Normalize();
    Point3 y = (GetRow(1) - x * (GetRow(1) % x)).Normalize();
    Point3 z = (x ^ y);
    if ((GetRow(2) % z) < 0.0f)
        z = -z;
    SetRow(0, x);
    SetRow(1, y);
    SetRow(2, z);
}

bool Matrix3::IsIdentity() const {
    return *this == Matrix3(TRUE);
}

void Matrix3::Translate(const Point3& p) {
    SetRow(3, GetRow(3) + p);
}

void Matrix3::PreTranslate(const Point3& p) {
    SetRow(3, GetRow(3) + VectorTransform(p));
}

void Matrix3::Scale(const Point3& s, BOOL trans) {
    for (int i = 0; i < (trans ? 4 : 3); ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] *= s[j];
}

void Matrix3::PreScale(const Point3& s, BOOL trans) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] *= s[i];
    if (trans)
        for (int j = 0; j < 3; ++j)
            m[3][j] *= s[j];
}

void Matrix3::Rotate(const Quat& q) {
    Matrix3 r;
    q.MakeMatrix(r);
    *this = *this * r;
}

void Matrix3::PreRotate(const Quat& q) {
    Matrix3 r;
    q.MakeMatrix(r);
    Point3 trans = GetRow(3);
    *this = r * *this;
    SetRow(3, trans);
}

void Matrix3::RotateX(float angle) {
    *this = *this * RotateXMatrix(angle);
}
void Matrix3::RotateY(float angle) {
    *this = *this * RotateYMatrix(angle);
}
void Matrix3::RotateZ(float angle) {
    *this = *this * RotateZMatrix(angle);
}

void Matrix3::Invert() {
    *this = Inverse(*this);
}

Point3 Matrix3::PointTransform(const Point3& p) const {
    return VectorTransform(p) + GetRow(3);
}

Point3 Matrix3::VectorTransform(const Point3& p) const {
    return Point3(p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0],
                  p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1],
                  p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2]);
}

Matrix3 Matrix3::operator*(const Matrix3& b) const {
    Matrix3 c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            float sum = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
            c.m[i][j] = i == 3 ? sum + b.m[3][j] : sum;
        }
    return c;
}

Matrix3& Matrix3::operator*=(const Matrix3& b) {
    *this = *this * b;
    return *this;
}

bool Matrix3::operator==(const Matrix3& b) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            if (m[i][j] != b.m[i][j])
                return false;
    return true;
}

bool Matrix3::Equals(const Matrix3& b, float epsilon) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            if (std::fabs(m[i][j] - b.m[i][j]) > epsilon)
                return false;
    return true;
}

Matrix3 Inverse(const Matrix3& a) {
    float det = determinant3(a);
    Matrix3 inv;
    if (det == 0.0f || !std::isfinite(det))
        return inv;
    float k = 1.0f / det;
    const MRow* am = a.GetAddr();
    MRow* im = inv.GetAddr();
    im[0][0] = (am[1][1] * am[2][2] - am[1][2] * am[2][1]) * k;
    im[0][1] = (am[0][2] * am[2][1] - am[0][1] * am[2][2]) * k;
    im[0][2] = (am[0][1] * am[1][2] - am[0][2] * am[1][1]) * k;
    im[1][0] = (am[1][2] * am[2][0] - am[1][0] * am[2][2]) * k;
    im[1][1] = (am[0][0] * am[2][2] - am[0][2] * am[2][0]) * k;
    im[1][2] = (am[0][2] * am[1][0] - am[0][0] * am[1][2]) * k;
    im[2][0] = (am[1][0] * am[2][1] - am[1][1] * am[2][0]) * k;
    im[2][1] = (am[0][1] * am[2][0] - am[0][0] * am[2][1]) * k;
    im[2][2] = (am[0][0] * am[1][1] - am[0][1] * am[1][0]) * k;
    inv.SetRow(3, -inv.VectorTransform(a.GetRow(3)));
    return inv;
}

Point3 operator*(const Point3& p, const Matrix3& A) {
    return A.PointTransform(p);
}

Point3 VectorTransform(const Matrix3& A, const Point3& p) {
    return A.VectorTransform(p);
}

Matrix3 TransMatrix(const Point3& p) {
    Matrix3 t(TRUE);
    t.SetRow(3, p);
    return t;
}

Matrix3 ScaleMatrix(const Point3& s) {
    Matrix3 t;
    t.SetRow(0, Point3(s.x, 0.0f, 0.0f));
    t.SetRow(1, Point3(0.0f, s.y, 0.0f));
    t.SetRow(2, Point3(0.0f, 0.0f, s.z));
    return t;
}

Matrix3 RotateXMatrix(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(1.0f, 0.0f, 0.0f), Point3(0.0f, c, s), Point3(0.0f, -s, c),
                   Point3(0.0f, 0.0f, 0.0f));
}

Matrix3 RotateYMatrix(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(c, 0.0f, -s), Point3(0.0f, 1.0f, 0.0f), Point3(s, 0.0f, c),
                   Point3(0.0f, 0.0f, 0.0f));
}

Matrix3 RotateZMatrix(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(c, s, 0.0f), Point3(-s, c, 0.0f), Point3(0.0f, 0.0f, 1.0f),
                   Point3(0.0f, 0.0f, 0.0f));
}

Matrix3 ScaleValueMatrix(const ScaleValue& sv) {
    // Into the scale frame, scale, and back out: inverse(R) * S * R.
    Matrix3 r;
    sv.q.MakeMatrix(r);
    return Inverse(r) * ScaleMatrix(sv.s) * r;
}

void Box3::Init() {
    pmin = Point3(1e30f, 1e30f, 1e30f);
    pmax = Point3(-1e30f, -1e30f, -1e30f);
}

int Box3::IsEmpty() const {
    return pmin.x > pmax.x || pmin.y > pmax.y || pmin.z > pmax.z;
}

Point3 Box3::operator[](int i) const {
    return Point3((i & 1) ? pmax.x : pmin.x, (i & 2) ? pmax.y : pmin.y, (i & 4) ? pmax.z : pmin.z);
}

void Box3::MakeCube(const Point3& p, float side) {
    Point3 half(side * 0.5f, side * 0.5f, side * 0.5f);
    pmin = p - half;
    pmax = p + half;
}

Box3& Box3::operator+=(const Point3& p) {
    if (IsEmpty()) {
        pmin = pmax = p;
        return *this;
    }
    pmin = Point3(std::fmin(pmin.x, p.x), std::fmin(pmin.y, p.y), std::fmin(pmin.z, p.z));
    pmax = Point3(std::fmax(pmax.x, p.x), std::fmax(pmax.y, p.y), std::fmax(pmax.z, p.z));
    return *this;
}

Box3& Box3::operator+=(const Box3& b) {
    if (b.IsEmpty())
        return *this;
    *this += b.pmin;
    *this += b.pmax;
    return *this;
}

Box3 Box3::operator*(const Matrix3& tm) const {
    Box3 out;
    if (IsEmpty())
        return out;
    for (int corner = 0; corner < 8; ++corner)
        out += (*this)[corner] * tm;
    return out;
}

int Box3::Contains(const Point3& p) const {
    return !IsEmpty() && p.x >= pmin.x && p.x <= pmax.x && p.y >= pmin.y && p.y <= pmax.y &&
           p.z >= pmin.z && p.z <= pmax.z;
}

void Box3::Scale(float s) {
    if (IsEmpty())
        return;
    Point3 c = Center();
    pmin = c + (pmin - c) * s;
    pmax = c + (pmax - c) * s;
}

void Box3::Translate(const Point3& p) {
    if (IsEmpty())
        return;
    pmin += p;
    pmax += p;
}

void Box3::EnlargeBy(float s) {
    if (IsEmpty())
        return;
    pmin -= Point3(s, s, s);
    pmax += Point3(s, s, s);
}
