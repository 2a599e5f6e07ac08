// Specified (explicit per-corner) normals.
#include "host/Mesh.h"
#include "host/impl/MeshNormals.h"
#include "host/impl/SceneState.h"

#include <algorithm>

using hostimpl::misuse;

namespace {
template <class T> void resizeKeeping(T*& items, int oldCount, int newCount, const T& fill) {
    T* grown = newCount > 0 ? new T[(size_t)newCount] : nullptr;
    for (int i = 0; i < newCount; ++i)
        grown[i] = i < oldCount ? items[i] : fill;
    delete[] items;
    items = grown;
}

// The normal arrays grow by half each time they are full: SetNormal and BuildNormals add one
// normal at a time, and reallocating for each made filling a mesh's corners quadratic in its
// size. Half rather than double keeps the unused tail of a finished mesh small.
int normalCapacity(int count) {
    int capacity = 1;
    while (capacity < count)
        capacity += (capacity + 1) / 2;
    return count > 0 ? capacity : 0;
}

template <class T> void resizeNormalArray(T*& items, int oldCount, int newCount, const T& fill) {
    if (items && normalCapacity(oldCount) == normalCapacity(newCount)) {
        for (int i = oldCount; i < newCount; ++i)
            items[i] = fill;
        return;
    }
    T* grown = newCount > 0 ? new T[(size_t)normalCapacity(newCount)] : nullptr;
    for (int i = 0; i < newCount; ++i)
        grown[i] = i < oldCount ? items[i] : fill;
    delete[] items;
    items = grown;
}

Point3& spareNormal() {
    static Point3 spare;
    spare = Point3();
    return spare;
}
} // namespace

MeshNormalSpec::MeshNormalSpec()
    : normals(nullptr), explicitFlags(nullptr), numNormals(0), faces(nullptr), numFaces(0),
      parent(nullptr), flags(0) {}

MeshNormalSpec::MeshNormalSpec(const MeshNormalSpec& other) : MeshNormalSpec() {
    copyFrom(other);
}

MeshNormalSpec& MeshNormalSpec::operator=(const MeshNormalSpec& other) {
    if (this != &other)
        copyFrom(other);
    return *this;
}

MeshNormalSpec::~MeshNormalSpec() {
    ClearAndFree();
}

void MeshNormalSpec::copyFrom(const MeshNormalSpec& other) {
    ClearAndFree();
    resizeNormalArray(normals, 0, other.numNormals, Point3());
    resizeNormalArray(explicitFlags, 0, other.numNormals, false);
    std::copy(other.normals, other.normals + other.numNormals, normals);
    std::copy(other.explicitFlags, other.explicitFlags + other.numNormals, explicitFlags);
    numNormals = other.numNormals;
    resizeKeeping(faces, 0, other.numFaces, MeshNormalFace());
    std::copy(other.faces, other.faces + other.numFaces, faces);
    numFaces = other.numFaces;
    parent = other.parent;
    flags = other.flags;
}

bool MeshNormalSpec::SetNumFaces(int count) {
    if (count < 0) {
        misuse("MeshNormalSpec::SetNumFaces: negative count");
        return false;
    }
    resizeKeeping(faces, numFaces, count, MeshNormalFace());
    numFaces = count;
    return true;
}

bool MeshNormalSpec::SetNumNormals(int count) {
    if (count < 0) {
        misuse("MeshNormalSpec::SetNumNormals: negative count");
        return false;
    }
    resizeNormalArray(normals, numNormals, count, Point3());
    resizeNormalArray(explicitFlags, numNormals, count, false);
    numNormals = count;
    return true;
}

Point3& MeshNormalSpec::Normal(int normID) const {
    if (normID < 0 || normID >= numNormals) {
        misuse("MeshNormalSpec::Normal: normal " + std::to_string(normID) + " of " +
               std::to_string(numNormals));
        return spareNormal();
    }
    return normals[normID];
}

bool MeshNormalSpec::GetNormalExplicit(int normID) const {
    if (normID < 0 || normID >= numNormals) {
        misuse("MeshNormalSpec::GetNormalExplicit: normal " + std::to_string(normID) + " of " +
               std::to_string(numNormals));
        return false;
    }
    return explicitFlags[normID];
}

void MeshNormalSpec::SetNormalExplicit(int normID, bool value) {
    if (normID < 0 || normID >= numNormals) {
        misuse("MeshNormalSpec::SetNormalExplicit: normal " + std::to_string(normID) + " of " +
               std::to_string(numNormals));
        return;
    }
    explicitFlags[normID] = value;
}

void MeshNormalSpec::SetAllExplicit(bool value) {
    std::fill(explicitFlags, explicitFlags + numNormals, value);
}

MeshNormalFace& MeshNormalSpec::Face(int faceID) const {
    if (faceID < 0 || faceID >= numFaces) {
        misuse("MeshNormalSpec::Face: face " + std::to_string(faceID) + " of " +
               std::to_string(numFaces));
        static MeshNormalFace spare;
        spare = MeshNormalFace();
        return spare;
    }
    return faces[faceID];
}

// A corner of a face outside the array is misuse: the SDK indexes mpFace unchecked
// (MeshNormalSpec.h, Face), and SpecifyNormals sizes nothing here.
bool MeshNormalSpec::checkCorner(int face, int corner, const char* operation) const {
    if (face >= 0 && face < numFaces && corner >= 0 && corner < 3)
        return true;
    misuse(std::string(operation) + ": face " + std::to_string(face) + " corner " +
           std::to_string(corner) + " outside " + std::to_string(numFaces) + " faces");
    return false;
}

Point3& MeshNormalSpec::GetNormal(int face, int corner) {
    if (!checkCorner(face, corner, "MeshNormalSpec::GetNormal"))
        return spareNormal();
    return Normal(faces[face].GetNormalID(corner));
}

void MeshNormalSpec::SetNormal(int face, int corner, Point3& normal) {
    if (!checkCorner(face, corner, "MeshNormalSpec::SetNormal"))
        return;
    int id = faces[face].GetNormalID(corner);
    if (id < 0 || id >= numNormals) {
        id = numNormals;
        SetNumNormals(numNormals + 1);
    }
    normals[id] = normal;
    explicitFlags[id] = true;
    faces[face].SpecifyNormalID(corner, id);
}

int MeshNormalSpec::GetNormalIndex(int face, int corner) {
    if (!checkCorner(face, corner, "MeshNormalSpec::GetNormalIndex"))
        return -1;
    return faces[face].GetNormalID(corner);
}

void MeshNormalSpec::SetNormalIndex(int face, int corner, int normalIndex) {
    if (!checkCorner(face, corner, "MeshNormalSpec::SetNormalIndex"))
        return;
    if (normalIndex < -1 || normalIndex >= numNormals) {
        misuse("MeshNormalSpec::SetNormalIndex: normal " + std::to_string(normalIndex) + " of " +
               std::to_string(numNormals));
        return;
    }
    faces[face].SpecifyNormalID(corner, normalIndex);
}

void MeshNormalSpec::Initialize() {
    Mesh* owner = parent;
    ClearAndFree();
    parent = owner;
    SetNumFaces(parent ? parent->numFaces : 0);
}

void MeshNormalSpec::ClearAndFree() {
    delete[] normals;
    delete[] explicitFlags;
    delete[] faces;
    normals = nullptr;
    explicitFlags = nullptr;
    faces = nullptr;
    numNormals = numFaces = 0;
    flags = 0;
}

// BuildNormals, ComputeNormals and CheckNormals "Require an accurate mpParent pointer"
// (MeshNormalSpec.h), and a face array the caller sized to the parent's faces (SetNumFaces).
bool MeshNormalSpec::parentReady(const char* operation) const {
    if (!parent) {
        misuse(std::string(operation) + ": no parent mesh; call SetParent first");
        return false;
    }
    if (!hostimpl::checkMeshIndices(*parent, operation))
        return false;
    if (numFaces != parent->numFaces) {
        misuse(std::string(operation) + ": " + std::to_string(numFaces) +
               " faces for a parent mesh of " + std::to_string(parent->numFaces) +
               "; call SetNumFaces first");
        return false;
    }
    return true;
}

void MeshNormalSpec::BuildNormals() {
    if (!parentReady("MeshNormalSpec::BuildNormals"))
        return;
    bool missing = false;
    for (int f = 0; f < numFaces && !missing; ++f)
        for (int k = 0; k < 3; ++k)
            missing = missing || faces[f].GetNormalID(k) < 0;
    flags |= MESH_NORMAL_NORMALS_BUILT;
    if (!missing)
        return;
    std::vector<Point3> corners =
        hostimpl::computeCornerNormals(*parent, hostimpl::computeFaceNormals(*parent));
    for (int f = 0; f < numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            if (faces[f].GetNormalID(k) < 0) {
                int id = numNormals;
                SetNumNormals(numNormals + 1);
                normals[id] = corners[(size_t)(3 * f + k)];
                faces[f].SetNormalID(k, id);
            }
}

void MeshNormalSpec::ComputeNormals() {
    if (!parentReady("MeshNormalSpec::ComputeNormals"))
        return;
    flags |= MESH_NORMAL_NORMALS_COMPUTED;
    if (std::find(explicitFlags, explicitFlags + numNormals, false) == explicitFlags + numNormals)
        return;
    std::vector<Point3> corners =
        hostimpl::computeCornerNormals(*parent, hostimpl::computeFaceNormals(*parent));
    std::vector<Point3> sums((size_t)numNormals);
    for (int f = 0; f < numFaces; ++f)
        for (int k = 0; k < 3; ++k) {
            int id = faces[f].GetNormalID(k);
            if (id >= 0 && id < numNormals)
                sums[(size_t)id] += corners[(size_t)(3 * f + k)];
        }
    for (int id = 0; id < numNormals; ++id)
        if (!explicitFlags[id])
            normals[id] = sums[(size_t)id].Normalize();
}

void MeshNormalSpec::CheckNormals() {
    if (!parentReady("MeshNormalSpec::CheckNormals"))
        return;
    BuildNormals();
    ComputeNormals();
}

void MeshNormalSpec::SetFlag(DWORD fl, bool val) {
    if (val)
        flags |= fl;
    else
        flags &= ~fl;
}
