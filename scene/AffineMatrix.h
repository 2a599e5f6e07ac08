#pragma once
// Double-precision 4x4 matrices in the host's row-vector convention (p' = p * M, rows 0-2
// axes, row 3 translation), and the exact axis change between the host's Z-up frame and
// glTF's Y-up frame.

#include "host/max.h"

#include <array>
#include <string>
#include <vector>

namespace mshgltf {

/// A 4x4 matrix, row-vector convention; `A * B` applies A first.
struct AffineMatrix {
    std::array<std::array<double, 4>, 4> m{};

    static AffineMatrix identity();
    AffineMatrix operator*(const AffineMatrix& b) const;
    bool operator==(const AffineMatrix& b) const { return m == b.m; }
    /// True when every entry is within `tolerance` of b's, relative to the larger magnitude
    /// (at least 1).
    bool nearlyEquals(const AffineMatrix& b, double tolerance) const;
    bool isIdentity() const { return *this == identity(); }
};

/// The inverse of an affine matrix (fourth column 0, 0, 0, 1); false when it is singular.
bool invertAffine(const AffineMatrix& a, AffineMatrix& inverse);

/// A point through the matrix (row vector times matrix), computed in double.
Point3 transformPoint(const AffineMatrix& m, const Point3& p);
/// A normal through the matrix whose inverse is `inverse` (the inverse transpose of its 3x3
/// part), scaled back to unit length; a zero result gives the normal back unchanged.
Point3 transformNormal(const AffineMatrix& inverse, const Point3& n);

AffineMatrix fromMatrix3(const Matrix3& tm);
/// Rounds to the host's float matrix (the fourth column is dropped).
Matrix3 toMatrix3(const AffineMatrix& a);

/// A host-frame point in glTF's frame: (x, y, z) becomes (x, z, -y). Exact.
Point3 pointToGltf(const Point3& p);
/// The inverse: (x, y, z) in glTF becomes (x, -z, y). Exact.
Point3 pointFromGltf(const Point3& p);
/// The same transform expressed in glTF's frame (conjugation by the axis change). Only
/// permutes entries and flips signs, so it is exact and its inverse restores every bit.
AffineMatrix matrixToGltf(const AffineMatrix& a);
AffineMatrix matrixFromGltf(const AffineMatrix& a);

/// The 16 numbers of a glTF `matrix` (column-major, column vectors) for a glTF-frame matrix.
/// A row-vector matrix stored row by row has exactly that layout, so this only flattens.
std::vector<double> toGltfArray(const AffineMatrix& a);
/// The inverse of toGltfArray; false unless there are 16 numbers.
bool fromGltfArray(const std::vector<double>& values, AffineMatrix& a);
/// The 16 numbers of toGltfArray as text, separated by spaces, each written with as many digits
/// as it takes to read back the same double.
std::string toGltfText(const AffineMatrix& a);
/// The inverse of toGltfText; false unless the text holds exactly 16 finite numbers.
bool fromGltfText(const std::string& text, AffineMatrix& a);
/// A glTF node's translation, rotation (unit quaternion x, y, z, w) and scale as a matrix.
AffineMatrix fromTranslationRotationScale(const std::vector<double>& translation,
                                          const std::vector<double>& rotation,
                                          const std::vector<double>& scale);

} // namespace mshgltf
