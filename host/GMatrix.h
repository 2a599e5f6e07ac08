// IGame's 4x4 matrix, in the host's row-vector convention.
#ifndef HOST_GMATRIX_H
#define HOST_GMATRIX_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"

#include <IGame/IGameType.h>
#else

#include "host/Geometry.h"

/// A row of a GMatrix.
typedef float GRow[4];

/// A 4x4 matrix: rows 0-2 the axes, row 3 the translation; built from a Matrix3 the fourth
/// column is 0, 0, 0, 1. A * B applies A first, then B. Its storage is private, as in IGame.
class MAXHOST_API GMatrix : public MaxHeapOperators {
public:
    /// The identity.
    GMatrix();
    GMatrix(const Matrix3& mat);

    /// This matrix followed by b.
    GMatrix operator*(const GMatrix& b) const;
    GMatrix& operator*=(const GMatrix& b);
    bool operator==(const GMatrix& b) const;
    bool operator!=(const GMatrix& b) const { return !(*this == b); }
    Point4& operator[](int i);
    const Point4& operator[](int i) const;
    /// The sixteen floats, row 0 first.
    GRow* GetAddr() { return m; }
    const GRow* GetAddr() const { return m; }

    /// The inverse (non-const as in IGame; this matrix is left unchanged). A singular matrix
    /// gives the zero matrix.
    GMatrix Inverse();
    /// The scale factors: the lengths of rows 0-2, all three negated when the matrix mirrors
    /// (negative determinant), so that Scaling and a proper Rotation rebuild the matrix.
    Point3 Scaling() const;
    /// Row 3.
    Point3 Translation() const;
    /// The rotation left when scale and mirroring are divided out of rows 0-2.
    Quat Rotation() const;
    Point4 GetRow(int i) const;
    void SetRow(int i, Point4 row);
    Point4 GetColumn(int i) const;
    /// The first three columns.
    Matrix3 ExtractMatrix3() const;
    BOOL IsIdentity(float epsilon = 1E-5f);
    void SetIdentity();
    /// Determinant of the upper 3x3 part (the affine part that IGame matrices carry).
    float Determinant() const;
    /// 1 when the matrix mirrors (negative determinant), 0 otherwise.
    int Parity() const;

private:
    float m[4][4];
};

/// The point transformed by A (w taken as 1).
MAXHOST_API Point3 operator*(const Point3& V, const GMatrix& A);

#endif // MSH_REAL_SDK

#endif
