#include "scene/AffineMatrix.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mshgltf {

AffineMatrix AffineMatrix::identity() {
    AffineMatrix a;
    for (int i = 0; i < 4; ++i)
        a.m[i][i] = 1.0;
    return a;
}

AffineMatrix AffineMatrix::operator*(const AffineMatrix& b) const {
    AffineMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

bool AffineMatrix::nearlyEquals(const AffineMatrix& b, double tolerance) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double scale = std::max(1.0, std::max(std::fabs(m[i][j]), std::fabs(b.m[i][j])));
            if (std::fabs(m[i][j] - b.m[i][j]) > tolerance * scale)
                return false;
        }
    return true;
}

bool invertAffine(const AffineMatrix& a, AffineMatrix& inverse) {
    const auto& m = a.m;
    // Inverse of the 3x3 part by cofactors, then the translation row follows from it.
    double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    if (det == 0.0 || !std::isfinite(det))
        return false;
    double inv = 1.0 / det;
    AffineMatrix r;
    r.m[0][0] = c00 * inv;
    r.m[1][0] = c01 * inv;
    r.m[2][0] = c02 * inv;
    r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * inv;
    r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inv;
    r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * inv;
    r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inv;
    r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * inv;
    r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inv;
    for (int j = 0; j < 3; ++j) {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k)
            sum += m[3][k] * r.m[k][j];
        r.m[3][j] = -sum;
    }
    r.m[3][3] = 1.0;
    inverse = r;
    return true;
}

Point3 transformPoint(const AffineMatrix& m, const Point3& p) {
    double r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
    return Point3(float(r[0]), float(r[1]), float(r[2]));
}

// Row vector n * (M^-1)^T.
Point3 transformNormal(const AffineMatrix& inverse, const Point3& n) {
    double r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = n.x * inverse.m[j][0] + n.y * inverse.m[j][1] + n.z * inverse.m[j][2];
    double len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    if (len == 0.0)
        return n;
    return Point3(float(r[0] / len), float(r[1] / len), float(r[2] / len));
}

AffineMatrix fromMatrix3(const Matrix3& tm) {
    AffineMatrix a;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            a.m[i][j] = tm.GetAddr()[i][j];
    a.m[3][3] = 1.0;
    return a;
}

Matrix3 toMatrix3(const AffineMatrix& a) {
    Matrix3 tm;
    for (int i = 0; i < 4; ++i)
        tm.SetRow(i, Point3(float(a.m[i][0]), float(a.m[i][1]), float(a.m[i][2])));
    return tm;
}

Point3 pointToGltf(const Point3& p) {
    return Point3(p.x, p.z, -p.y);
}

Point3 pointFromGltf(const Point3& p) {
    return Point3(p.x, -p.z, p.y);
}

namespace {

// Row vectors of a 4-vector through the axis change, as pointToGltf / pointFromGltf do.
std::array<double, 4> rowToGltf(const std::array<double, 4>& r) {
    return {r[0], r[2], -r[1], r[3]};
}
std::array<double, 4> rowFromGltf(const std::array<double, 4>& r) {
    return {r[0], -r[2], r[1], r[3]};
}

} // namespace

// With C the axis change (p_gltf = p_max * C), the glTF form is C^-1 * M * C: the columns
// of M go through C (rowToGltf on each row), and the rows are re-ordered by C^-1, whose rows
// pick max rows 0, 2 and -1 for glTF axes x, y and z.
AffineMatrix matrixToGltf(const AffineMatrix& a) {
    AffineMatrix r;
    std::array<std::array<double, 4>, 4> rows;
    for (int i = 0; i < 4; ++i)
        rows[i] = rowToGltf(a.m[i]);
    r.m[0] = rows[0];
    r.m[1] = rows[2];
    for (int j = 0; j < 4; ++j)
        r.m[2][j] = -rows[1][j];
    r.m[3] = rows[3];
    return r;
}

AffineMatrix matrixFromGltf(const AffineMatrix& a) {
    AffineMatrix r;
    std::array<std::array<double, 4>, 4> rows;
    for (int i = 0; i < 4; ++i)
        rows[i] = rowFromGltf(a.m[i]);
    r.m[0] = rows[0];
    for (int j = 0; j < 4; ++j)
        r.m[1][j] = -rows[2][j];
    r.m[2] = rows[1];
    r.m[3] = rows[3];
    return r;
}

std::vector<double> toGltfArray(const AffineMatrix& a) {
    std::vector<double> values;
    values.reserve(16);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            values.push_back(a.m[i][j]);
    return values;
}

bool fromGltfArray(const std::vector<double>& values, AffineMatrix& a) {
    if (values.size() != 16)
        return false;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            a.m[i][j] = values[size_t(i * 4 + j)];
    return true;
}

std::string toGltfText(const AffineMatrix& a) {
    std::string text;
    for (double v : toGltfArray(a)) {
        char digits[32];
        // Shortest form that reads back as the same double, in any locale.
        std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, v);
        if (!text.empty())
            text += ' ';
        text.append(digits, end.ptr);
    }
    return text;
}

bool fromGltfText(const std::string& text, AffineMatrix& a) {
    std::vector<double> values;
    const char* at = text.data();
    const char* end = at + text.size();
    while (at < end) {
        if (*at == ' ') {
            ++at;
            continue;
        }
        double v = 0.0;
        std::from_chars_result read = std::from_chars(at, end, v);
        if (read.ec != std::errc() || !std::isfinite(v) || values.size() == 16)
            return false;
        values.push_back(v);
        at = read.ptr;
    }
    return fromGltfArray(values, a);
}

AffineMatrix fromTranslationRotationScale(const std::vector<double>& translation,
                                          const std::vector<double>& rotation,
                                          const std::vector<double>& scale) {
    double s[3] = {1.0, 1.0, 1.0};
    if (scale.size() == 3)
        std::copy(scale.begin(), scale.end(), s);
    double x = 0, y = 0, z = 0, w = 1;
    if (rotation.size() == 4) {
        x = rotation[0];
        y = rotation[1];
        z = rotation[2];
        w = rotation[3];
    }
    // Column-vector rotation R; the row-vector matrix holds R transposed, each axis row
    // scaled: row i = s_i * (column i of R).
    double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                      {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                      {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    AffineMatrix a;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            a.m[i][j] = s[i] * r[j][i];
    if (translation.size() == 3)
        for (int j = 0; j < 3; ++j)
            a.m[3][j] = translation[size_t(j)];
    a.m[3][3] = 1.0;
    return a;
}

} // namespace mshgltf
