// Points, quaternions, 4x3 matrices, boxes and colours of the host SDK.
// Matrices follow the host's row-vector convention: p' = p * M, rows 0-2 are the axes, row 3
// the translation, and A * B applies A first, then B.
#ifndef HOST_GEOMETRY_H
#define HOST_GEOMETRY_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxHeap.h"
#else

#include "host/MaxHeap.h"
#include <cmath>

/// A 2D point or texture coordinate.
class Point2 : public MaxHeapOperators {
public:
    float x, y;
    Point2() : x(0.0f), y(0.0f) {}
    Point2(float X, float Y) : x(X), y(Y) {}
    bool operator==(const Point2& p) const { return x == p.x && y == p.y; }
    bool operator!=(const Point2& p) const { return !(*this == p); }
};

/// A 3D point or vector. The default constructor gives the origin (the SDK leaves it
/// undefined; a defined value keeps results reproducible). Only the float constructor is
/// offered, so mixed int and float arguments are never ambiguous.
class Point3 : public MaxHeapOperators {
public:
    float x, y, z;
    Point3() : x(0.0f), y(0.0f), z(0.0f) {}
    Point3(float X, float Y, float Z) : x(X), y(Y), z(Z) {}

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    float LengthSquared() const { return x * x + y * y + z * z; }
    /// The unit vector of this direction; the zero vector stays zero.
    Point3 Normalize() const {
        float len = Length();
        return len > 0.0f ? Point3(x / len, y / len, z / len) : Point3(0.0f, 0.0f, 0.0f);
    }
    Point3& Set(float X, float Y, float Z) {
        x = X;
        y = Y;
        z = Z;
        return *this;
    }

    Point3 operator-() const { return Point3(-x, -y, -z); }
    Point3 operator+(const Point3& p) const { return Point3(x + p.x, y + p.y, z + p.z); }
    Point3 operator-(const Point3& p) const { return Point3(x - p.x, y - p.y, z - p.z); }
    /// Component-wise product.
    Point3 operator*(const Point3& p) const { return Point3(x * p.x, y * p.y, z * p.z); }
    Point3 operator*(float f) const { return Point3(x * f, y * f, z * f); }
    Point3 operator/(float f) const { return Point3(x / f, y / f, z / f); }
    /// Cross product.
    Point3 operator^(const Point3& p) const {
        return Point3(y * p.z - z * p.y, z * p.x - x * p.z, x * p.y - y * p.x);
    }
    /// Dot product.
    float operator%(const Point3& p) const { return x * p.x + y * p.y + z * p.z; }
    Point3& operator+=(const Point3& p) {
        x += p.x;
        y += p.y;
        z += p.z;
        return *this;
    }
    Point3& operator-=(const Point3& p) {
        x -= p.x;
        y -= p.y;
        z -= p.z;
        return *this;
    }
    Point3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Point3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }
    /// Exact comparison, no tolerance.
    bool operator==(const Point3& p) const { return x == p.x && y == p.y && z == p.z; }
    bool operator!=(const Point3& p) const { return !(*this == p); }
    bool Equals(const Point3& p, float epsilon = 1E-6f) const {
        return std::fabs(x - p.x) <= epsilon && std::fabs(y - p.y) <= epsilon &&
               std::fabs(z - p.z) <= epsilon;
    }

    static MAXHOST_API const Point3 Origin;
    static MAXHOST_API const Point3 XAxis;
    static MAXHOST_API const Point3 YAxis;
    static MAXHOST_API const Point3 ZAxis;
};

typedef Point3 UVVert;
typedef Point3 VertColor;

inline Point3 operator*(float f, const Point3& p) {
    return p * f;
}
inline float Length(const Point3& p) {
    return p.Length();
}
inline Point3 Normalize(const Point3& p) {
    return p.Normalize();
}
inline Point3 FNormalize(const Point3& p) {
    return p.Normalize();
}
inline float DotProd(const Point3& a, const Point3& b) {
    return a % b;
}
inline Point3 CrossProd(const Point3& a, const Point3& b) {
    return a ^ b;
}

/// A 4D point, the row type of GMatrix.
class Point4 : public MaxHeapOperators {
public:
    float x, y, z, w;
    Point4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    Point4(float X, float Y, float Z, float W) : x(X), y(Y), z(Z), w(W) {}
    Point4(const Point3& p, float W) : x(p.x), y(p.y), z(p.z), w(W) {}
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    bool operator==(const Point4& p) const { return x == p.x && y == p.y && z == p.z && w == p.w; }
    bool operator!=(const Point4& p) const { return !(*this == p); }
};

class Matrix3;

/// A rotation as a unit quaternion: angle a about unit axis n is (n sin(a/2), cos(a/2)), and
/// rotates counter-clockwise (right-handed) when the rotation is applied to row vectors.
class MAXHOST_API Quat : public MaxHeapOperators {
public:
    float x, y, z, w;
    /// The identity rotation.
    Quat() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    Quat(float X, float Y, float Z, float W) : x(X), y(Y), z(Z), w(W) {}
    /// The rotation part of a matrix (its rows are normalised first).
    explicit Quat(const Matrix3& mat);
    void Identity() {
        x = y = z = 0.0f;
        w = 1.0f;
    }
    bool IsIdentity() const { return x == 0.0f && y == 0.0f && z == 0.0f && w == 1.0f; }
    /// Writes the rotation matrix of this quaternion into mat (translation zero).
    void MakeMatrix(Matrix3& mat) const;
    Quat Normalize() const;
    bool operator==(const Quat& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const Quat& q) const { return !(*this == q); }
};

/// The quaternion of a rotation by `angle` radians about `axis`.
MAXHOST_API Quat QFromAngAxis(float angle, const Point3& axis);

/// A scale along the axes of a rotated frame: s applies in the frame given by q.
class ScaleValue : public MaxHeapOperators {
public:
    Point3 s;
    Quat q;
    ScaleValue() : s(1.0f, 1.0f, 1.0f), q() {}
    ScaleValue(const Point3& as) : s(as), q() {}
    ScaleValue(const Point3& as, const Quat& aq) : s(as), q(aq) {}
};

/// A row of a Matrix3.
typedef float MRow[3];

/// A 4x3 affine matrix in the row-vector convention. Its storage is private, as in the SDK:
/// rows are read with GetRow or operator[] and written with SetRow.
class MAXHOST_API Matrix3 : public MaxHeapOperators {
public:
    /// The zero matrix (the SDK leaves it undefined; zero makes a forgotten set-up visible).
    Matrix3() { Zero(); }
    /// The identity when init is TRUE, zero otherwise.
    explicit Matrix3(BOOL init) {
        if (init)
            IdentityMatrix();
        else
            Zero();
    }
    explicit Matrix3(float (*fp)[3]);
    Matrix3(const Point3& U, const Point3& V, const Point3& N, const Point3& T);

    void SetRow(int i, Point3 p);
    Point3 GetRow(int i) const;
    /// Row i (rows 0-2 axes, 3 translation).
    const Point3& operator[](int i) const;
    /// The twelve floats, row 0 first.
    MRow* GetAddr() { return m; }
    const MRow* GetAddr() const { return m; }
    void SetTrans(const Point3& p) { SetRow(3, p); }
    const Point3& GetTrans() const { return (*this)[3]; }

    void IdentityMatrix();
    void Zero();
    void NoTrans() { SetRow(3, Point3(0.0f, 0.0f, 0.0f)); }
    /// Removes scale and skew, keeping rotation and translation.
    void Orthogonalize();
    bool IsIdentity() const;

    /// Appends a translation (applied after this matrix).
    void Translate(const Point3& p);
    void PreTranslate(const Point3& p);
    /// Appends a scale; with trans FALSE the translation row is left unscaled.
    void Scale(const Point3& s, BOOL trans = FALSE);
    /// Prepends a scale (applied before this matrix).
    void PreScale(const Point3& s, BOOL trans = FALSE);
    /// Appends the rotation of q.
    void Rotate(const Quat& q);
    void PreRotate(const Quat& q);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    /// Replaces this matrix by its inverse.
    void Invert();

    /// The point transformed by this matrix (translation included).
    Point3 PointTransform(const Point3& p) const;
    /// The vector transformed by the 3x3 part only.
    Point3 VectorTransform(const Point3& p) const;

    /// This matrix followed by b.
    Matrix3 operator*(const Matrix3& b) const;
    Matrix3& operator*=(const Matrix3& b);
    bool operator==(const Matrix3& b) const;
    bool operator!=(const Matrix3& b) const { return !(*this == b); }
    bool Equals(const Matrix3& b, float epsilon = 1E-6f) const;

private:
    float m[4][3];
};

/// The inverse of an affine matrix; a singular matrix gives the zero matrix.
MAXHOST_API Matrix3 Inverse(const Matrix3& M);
MAXHOST_API Point3 operator*(const Point3& p, const Matrix3& A);
/// The 3x3 part of A applied to p (the SDK's VectorTransform).
MAXHOST_API Point3 VectorTransform(const Matrix3& A, const Point3& p);
MAXHOST_API Matrix3 TransMatrix(const Point3& p);
MAXHOST_API Matrix3 ScaleMatrix(const Point3& s);
MAXHOST_API Matrix3 RotateXMatrix(float angle);
MAXHOST_API Matrix3 RotateYMatrix(float angle);
MAXHOST_API Matrix3 RotateZMatrix(float angle);
/// The transform of a ScaleValue: scale s along the axes of q.
MAXHOST_API Matrix3 ScaleValueMatrix(const ScaleValue& sv);

/// An axis-aligned box; a new box is empty.
class MAXHOST_API Box3 : public MaxHeapOperators {
public:
    Point3 pmin, pmax;
    Box3() { Init(); }
    Box3(const Point3& p, const Point3& q) : pmin(p), pmax(q) {}
    /// Makes the box empty.
    void Init();
    int IsEmpty() const;
    Point3 Min() const { return pmin; }
    Point3 Max() const { return pmax; }
    Point3 Center() const { return (pmin + pmax) * 0.5f; }
    Point3 Width() const { return pmax - pmin; }
    /// Corner i (bit 0: x, bit 1: y, bit 2: z take pmax).
    Point3 operator[](int i) const;
    void MakeCube(const Point3& p, float side);
    Box3& operator+=(const Point3& p);
    Box3& operator+=(const Box3& b);
    /// The box around the eight corners transformed by tm; an empty box stays empty.
    Box3 operator*(const Matrix3& tm) const;
    int Contains(const Point3& p) const;
    void Scale(float s);
    void Translate(const Point3& p);
    void EnlargeBy(float s);
};

/// An RGB colour with float components.
class Color : public MaxHeapOperators {
public:
    float r, g, b;
    Color() : r(0.0f), g(0.0f), b(0.0f) {}
    Color(float R, float G, float B) : r(R), g(G), b(B) {}
    explicit Color(const Point3& p) : r(p.x), g(p.y), b(p.z) {}
    bool operator==(const Color& c) const { return r == c.r && g == c.g && b == c.b; }
    bool operator!=(const Color& c) const { return !(*this == c); }
};

#endif // MSH_REAL_SDK

#endif
