// The triangle mesh: array sizing, map channels, normals and bounding box.
#include "host/Mesh.h"
#include "host/impl/MeshNormals.h"
#include "host/impl/SceneState.h"

#include <algorithm>
#include <limits>
#include <vector>

using hostimpl::misuse;

// Channels 2 and up; 0 and 1 live in the mesh's public arrays.
class MeshMapStore {
public:
    struct Channel {
        bool support = false;
        std::vector<UVVert> verts;
        std::vector<TVFace> faces;
    };
    std::vector<Channel> channels; // index = channel number - 2
};

namespace {

// Resizes a new[] array; kept entries are copied, the others get `fill`.
template <class T>
void resizeArray(T*& items, int oldCount, int newCount, bool keep, const T& fill) {
    T* grown = newCount > 0 ? new T[(size_t)newCount] : nullptr;
    int kept = keep ? std::min(oldCount, newCount) : 0;
    for (int i = 0; i < newCount; ++i)
        grown[i] = i < kept ? items[i] : fill;
    delete[] items;
    items = grown;
}

template <class T> T& fallbackOf() {
    static T spare;
    spare = T();
    return spare;
}

// What a misread normal gives: NaN, so code that reads a normal it should not have fails
// visibly instead of writing a plausible vector.
Point3& unusableNormal() {
    static Point3 spare;
    float nan = std::numeric_limits<float>::quiet_NaN();
    spare = Point3(nan, nan, nan);
    return spare;
}

RVertex& unusableRVertex() {
    static RVertex spare;
    spare.rFlags = 0;
    spare.rn.setNormal(unusableNormal());
    return spare;
}

bool indexValid(int i, int count, const char* operation) {
    if (i >= 0 && i < count)
        return true;
    misuse(std::string(operation) + ": index " + std::to_string(i) + " outside 0.." +
           std::to_string(count - 1));
    return false;
}

bool countValid(int ct, const char* operation) {
    if (ct >= 0)
        return true;
    misuse(std::string(operation) + ": negative count " + std::to_string(ct));
    return false;
}

} // namespace

Mesh::Mesh()
    : numVerts(0), numFaces(0), faces(nullptr), verts(nullptr), numTVerts(0), tVerts(nullptr),
      tvFace(nullptr), numCVerts(0), vertCol(nullptr), vcFace(nullptr), rVerts(nullptr),
      faceNormals(nullptr), numTVFaces(0), numVCFaces(0), normalsBuilt(false), boxBuilt(false),
      normalSpec(nullptr), extraMaps(new MeshMapStore()) {}

Mesh::Mesh(const Mesh& other) : Mesh() {
    copyFrom(other);
}

Mesh& Mesh::operator=(const Mesh& other) {
    if (this != &other)
        copyFrom(other);
    return *this;
}

Mesh::~Mesh() {
    freeAll();
    delete extraMaps;
}

void Mesh::freeAll() {
    delete[] faces;
    delete[] verts;
    delete[] tVerts;
    delete[] tvFace;
    delete[] vertCol;
    delete[] vcFace;
    delete[] rVerts;
    delete[] faceNormals;
    delete normalSpec;
    faces = nullptr;
    rVerts = nullptr;
    verts = tVerts = vertCol = faceNormals = nullptr;
    tvFace = vcFace = nullptr;
    normalSpec = nullptr;
    numVerts = numFaces = numTVerts = numCVerts = numTVFaces = numVCFaces = 0;
    extraMaps->channels.clear();
    normalsBuilt = boxBuilt = false;
}

void Mesh::copyFrom(const Mesh& other) {
    freeAll();
    resizeArray(verts, 0, other.numVerts, false, Point3());
    std::copy(other.verts, other.verts + other.numVerts, verts);
    numVerts = other.numVerts;
    resizeArray(faces, 0, other.numFaces, false, Face());
    resizeArray(faceNormals, 0, other.numFaces, false, Point3());
    std::copy(other.faces, other.faces + other.numFaces, faces);
    std::copy(other.faceNormals, other.faceNormals + other.numFaces, faceNormals);
    numFaces = other.numFaces;
    resizeArray(tVerts, 0, other.numTVerts, false, UVVert());
    std::copy(other.tVerts, other.tVerts + other.numTVerts, tVerts);
    numTVerts = other.numTVerts;
    resizeArray(tvFace, 0, other.numTVFaces, false, TVFace());
    std::copy(other.tvFace, other.tvFace + other.numTVFaces, tvFace);
    numTVFaces = other.numTVFaces;
    resizeArray(vertCol, 0, other.numCVerts, false, VertColor());
    std::copy(other.vertCol, other.vertCol + other.numCVerts, vertCol);
    numCVerts = other.numCVerts;
    resizeArray(vcFace, 0, other.numVCFaces, false, TVFace());
    std::copy(other.vcFace, other.vcFace + other.numVCFaces, vcFace);
    numVCFaces = other.numVCFaces;
    extraMaps->channels = other.extraMaps->channels;
    // The rendered normals are not copied: "normals are computed from smoothing groups, and
    // hence are 'generated data'" (mesh.h, Mesh::operator=).
    normalsBuilt = false;
    boxBuilt = other.boxBuilt;
    bdgBox = other.bdgBox;
    if (other.normalSpec) {
        normalSpec = new MeshNormalSpec(*other.normalSpec);
        normalSpec->SetParent(this);
    }
}

BOOL Mesh::setNumVerts(int ct, BOOL keep, BOOL) {
    if (!countValid(ct, "Mesh::setNumVerts"))
        return FALSE;
    resizeArray(verts, numVerts, ct, keep != FALSE, Point3());
    numVerts = ct;
    InvalidateGeomCache();
    return TRUE;
}

BOOL Mesh::setNumFaces(int ct, BOOL keep, BOOL) {
    if (!countValid(ct, "Mesh::setNumFaces"))
        return FALSE;
    // New faces are Face(): "The smoothing groups and face flags are initialized to zero"
    // (mesh.h, Face::Face).
    resizeArray(faces, numFaces, ct, keep != FALSE, Face());
    resizeArray(faceNormals, numFaces, ct, keep != FALSE, Point3());
    int oldCount = numFaces;
    numFaces = ct;
    // Map channels follow the face count, as the host keeps them aligned with the faces.
    if (tvFace)
        setNumTVFaces(ct, keep, oldCount);
    if (vcFace)
        setNumVCFaces(ct, keep, oldCount);
    for (auto& channel : extraMaps->channels)
        if (channel.support)
            channel.faces.resize((size_t)ct);
    if (normalSpec)
        normalSpec->SetNumFaces(ct);
    InvalidateTopologyCache();
    return TRUE;
}

BOOL Mesh::setNumTVerts(int ct, BOOL keep) {
    if (!countValid(ct, "Mesh::setNumTVerts"))
        return FALSE;
    resizeArray(tVerts, numTVerts, ct, keep != FALSE, UVVert());
    numTVerts = ct;
    return TRUE;
}

BOOL Mesh::setNumTVFaces(int ct, BOOL keep, int) {
    if (!countValid(ct, "Mesh::setNumTVFaces"))
        return FALSE;
    resizeArray(tvFace, numTVFaces, ct, keep != FALSE, TVFace());
    numTVFaces = ct;
    return TRUE;
}

BOOL Mesh::setNumVertCol(int ct, BOOL keep) {
    if (!countValid(ct, "Mesh::setNumVertCol"))
        return FALSE;
    resizeArray(vertCol, numCVerts, ct, keep != FALSE, VertColor());
    numCVerts = ct;
    return TRUE;
}

BOOL Mesh::setNumVCFaces(int ct, BOOL keep, int) {
    if (!countValid(ct, "Mesh::setNumVCFaces"))
        return FALSE;
    resizeArray(vcFace, numVCFaces, ct, keep != FALSE, TVFace());
    numVCFaces = ct;
    return TRUE;
}

void Mesh::setVert(int i, const Point3& xyz) {
    if (indexValid(i, numVerts, "Mesh::setVert"))
        verts[i] = xyz;
}

Point3& Mesh::getVert(int i) {
    return indexValid(i, numVerts, "Mesh::getVert") ? verts[i] : fallbackOf<Point3>();
}

void Mesh::setTVert(int i, const UVVert& xyz) {
    if (indexValid(i, numTVerts, "Mesh::setTVert"))
        tVerts[i] = xyz;
}

UVVert& Mesh::getTVert(int i) {
    return indexValid(i, numTVerts, "Mesh::getTVert") ? tVerts[i] : fallbackOf<UVVert>();
}

RVertex::~RVertex() {
    delete[] ern;
}

// setNormal "Sets a single 'rendered' normal in the rVerts array" (mesh.h): the value lives
// in the cache that InvalidateGeomCache tosses out and a mesh copy leaves behind.
void Mesh::setNormal(int i, const Point3& xyz) {
    if (!indexValid(i, numVerts, "Mesh::setNormal"))
        return;
    checkNormals(FALSE);
    RVertex& rv = rVerts[i];
    delete[] rv.ern;
    rv.ern = nullptr;
    rv.rn.setNormal(xyz);
    rv.rFlags = (rv.rFlags & ~NORCT_MASK) | SPECIFIED_NORMAL | 1;
}

// getNormal returns the RVertex's single normal `rn`; a vertex with several normals keeps
// them in `ern`, one with none has no normal at all (mesh.h RVertex; asciiexp export.cpp
// reads rn only when the count is 1). Either is misuse here, as is reading before the
// normals are built (mesh.h, checkNormals).
Point3& Mesh::getNormal(int i) const {
    if (!indexValid(i, numVerts, "Mesh::getNormal"))
        return unusableNormal();
    if (!normalsBuilt) {
        misuse("Mesh::getNormal: vertex " + std::to_string(i) +
               ": the normals are not built; call buildNormals or checkNormals(TRUE) first");
        return unusableNormal();
    }
    DWORD count = rVerts[i].rFlags & NORCT_MASK;
    if (count != 1) {
        misuse("Mesh::getNormal: vertex " + std::to_string(i) + " has " + std::to_string(count) +
               " normals (a smoothing-group boundary, faces without smoothing group, or no "
               "face); read its corners through getRVert");
        return unusableNormal();
    }
    return rVerts[i].rn.getNormal();
}

void Mesh::checkNormals(BOOL illum) {
    if (illum) {
        if (!normalsBuilt)
            buildNormals();
        return;
    }
    if (!rVerts && numVerts > 0)
        rVerts = new RVertex[(size_t)numVerts];
}

RVertex* Mesh::getRVertPtr(int i) {
    if (!indexValid(i, numVerts, "Mesh::getRVertPtr"))
        return &unusableRVertex();
    if (!rVerts) {
        misuse("Mesh::getRVertPtr: vertex " + std::to_string(i) +
               ": no rendered vertices; call checkNormals(TRUE) first");
        return &unusableRVertex();
    }
    return &rVerts[i];
}

RVertex& Mesh::getRVert(int i) {
    return *getRVertPtr(i);
}

Point3& Mesh::getFaceNormal(int i) {
    return indexValid(i, numFaces, "Mesh::getFaceNormal") ? faceNormals[i] : fallbackOf<Point3>();
}

void Mesh::setFaceNormal(int i, const Point3& xyz) {
    if (indexValid(i, numFaces, "Mesh::setFaceNormal"))
        faceNormals[i] = xyz;
}

void Mesh::buildNormals() {
    if (!hostimpl::checkMeshIndices(*this, "Mesh::buildNormals"))
        return;
    std::vector<Point3> perFace = hostimpl::computeFaceNormals(*this);
    std::copy(perFace.begin(), perFace.end(), faceNormals);
    delete[] rVerts;
    rVerts = numVerts > 0 ? new RVertex[(size_t)numVerts] : nullptr;
    hostimpl::computeRenderedNormals(*this, perFace, rVerts);
    normalsBuilt = true;
}

void Mesh::buildBoundingBox() {
    bdgBox = hostimpl::meshVertexBox(*this, nullptr);
    boxBuilt = true;
}

Box3 Mesh::getBoundingBox(Matrix3* tm) {
    if (tm)
        return hostimpl::meshVertexBox(*this, tm);
    return boxBuilt ? bdgBox : Box3();
}

// Whether SpecifyNormals sizes the normal set is not public; the strict reading gives an empty one,
// which peers size and parent themselves (USD MeshUtils.cpp, NIF ImportMeshAndSkin.cpp).
void Mesh::SpecifyNormals() {
    if (!normalSpec)
        normalSpec = new MeshNormalSpec();
}

void Mesh::ClearSpecifiedNormals() {
    delete normalSpec;
    normalSpec = nullptr;
}

// InvalidateGeomCache "tosses out the cached normals" (mesh.h), setNormal's values with them.
void Mesh::InvalidateGeomCache() {
    delete[] rVerts;
    rVerts = nullptr;
    normalsBuilt = false;
    boxBuilt = false;
}

void Mesh::InvalidateTopologyCache() {
    InvalidateGeomCache();
}

void Mesh::setNumMaps(int ct, BOOL keep) {
    if (!countValid(ct, "Mesh::setNumMaps") || ct > MAX_MESHMAPS) {
        if (ct > MAX_MESHMAPS)
            misuse("Mesh::setNumMaps: more than MAX_MESHMAPS channels");
        return;
    }
    if (ct < 2) {
        setNumTVFaces(0);
        setNumTVerts(0);
    }
    if (ct < 1) {
        setNumVCFaces(0);
        setNumVertCol(0);
    }
    size_t extra = ct > 2 ? (size_t)(ct - 2) : 0;
    if (!keep)
        extraMaps->channels.clear();
    extraMaps->channels.resize(extra);
}

int Mesh::getNumMaps() const {
    return 2 + (int)extraMaps->channels.size();
}

BOOL Mesh::mapSupport(int mp) const {
    if (mp == 0)
        return vcFace != nullptr;
    if (mp == 1)
        return tvFace != nullptr;
    if (mp < 0 || mp - 2 >= (int)extraMaps->channels.size())
        return FALSE;
    return extraMaps->channels[(size_t)(mp - 2)].support;
}

void Mesh::setMapSupport(int mp, BOOL support) {
    if (!indexValid(mp, MAX_MESHMAPS, "Mesh::setMapSupport"))
        return;
    if (mp == 0) {
        if (support && !vcFace)
            setNumVCFaces(numFaces);
        if (!support) {
            setNumVCFaces(0);
            setNumVertCol(0);
        }
        return;
    }
    if (mp == 1) {
        if (support && !tvFace)
            setNumTVFaces(numFaces);
        if (!support) {
            setNumTVFaces(0);
            setNumTVerts(0);
        }
        return;
    }
    if (mp - 2 >= (int)extraMaps->channels.size())
        extraMaps->channels.resize((size_t)(mp - 1));
    auto& channel = extraMaps->channels[(size_t)(mp - 2)];
    channel.support = support != FALSE;
    if (channel.support)
        channel.faces.resize((size_t)numFaces);
    else
        channel = MeshMapStore::Channel();
}

void Mesh::setNumMapVerts(int mp, int ct, BOOL keep) {
    if (!indexValid(mp, MAX_MESHMAPS, "Mesh::setNumMapVerts") ||
        !countValid(ct, "Mesh::setNumMapVerts"))
        return;
    if (mp == 0) {
        setNumVertCol(ct, keep);
        return;
    }
    if (mp == 1) {
        setNumTVerts(ct, keep);
        return;
    }
    setMapSupport(mp, TRUE);
    auto& channel = extraMaps->channels[(size_t)(mp - 2)];
    if (!keep)
        channel.verts.clear();
    channel.verts.resize((size_t)ct);
}

void Mesh::setNumMapFaces(int mp, int ct, BOOL keep, int oldCt) {
    if (!indexValid(mp, MAX_MESHMAPS, "Mesh::setNumMapFaces") ||
        !countValid(ct, "Mesh::setNumMapFaces"))
        return;
    if (mp == 0) {
        setNumVCFaces(ct, keep, oldCt);
        return;
    }
    if (mp == 1) {
        setNumTVFaces(ct, keep, oldCt);
        return;
    }
    setMapSupport(mp, TRUE);
    auto& channel = extraMaps->channels[(size_t)(mp - 2)];
    if (!keep)
        channel.faces.clear();
    channel.faces.resize((size_t)ct);
}

int Mesh::getNumMapVerts(int mp) const {
    if (mp == 0)
        return numCVerts;
    if (mp == 1)
        return numTVerts;
    if (mp < 0 || mp - 2 >= (int)extraMaps->channels.size())
        return 0;
    return (int)extraMaps->channels[(size_t)(mp - 2)].verts.size();
}

int Mesh::getNumMapFaces(int mp) const {
    if (mp == 0)
        return numVCFaces;
    if (mp == 1)
        return numTVFaces;
    if (mp < 0 || mp - 2 >= (int)extraMaps->channels.size())
        return 0;
    return (int)extraMaps->channels[(size_t)(mp - 2)].faces.size();
}

UVVert* Mesh::mapVerts(int mp) const {
    if (mp == 0)
        return vertCol;
    if (mp == 1)
        return tVerts;
    if (mp < 0 || mp - 2 >= (int)extraMaps->channels.size())
        return nullptr;
    auto& channelVerts = extraMaps->channels[(size_t)(mp - 2)].verts;
    return channelVerts.empty() ? nullptr : channelVerts.data();
}

TVFace* Mesh::mapFaces(int mp) const {
    if (mp == 0)
        return vcFace;
    if (mp == 1)
        return tvFace;
    if (mp < 0 || mp - 2 >= (int)extraMaps->channels.size())
        return nullptr;
    auto& channelFaces = extraMaps->channels[(size_t)(mp - 2)].faces;
    return channelFaces.empty() ? nullptr : channelFaces.data();
}

namespace hostimpl {

bool checkMeshIndices(const Mesh& mesh, const char* operation) {
    if (mesh.numFaces > 0 && (!mesh.faces || (mesh.numVerts > 0 && !mesh.verts))) {
        misuse(std::string(operation) + ": mesh arrays missing");
        return false;
    }
    for (int f = 0; f < mesh.numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            if (mesh.faces[f].v[k] >= (DWORD)mesh.numVerts) {
                misuse(std::string(operation) + ": face " + std::to_string(f) + " corner " +
                       std::to_string(k) + " refers to vertex " +
                       std::to_string(mesh.faces[f].v[k]) + " of a mesh with " +
                       std::to_string(mesh.numVerts) + " vertices");
                return false;
            }
    for (int f = 0; f < mesh.getNumTVFaces(); ++f)
        for (int k = 0; k < 3; ++k)
            if (mesh.tvFace[f].t[k] >= (DWORD)mesh.numTVerts) {
                misuse(std::string(operation) + ": texture face " + std::to_string(f) + " corner " +
                       std::to_string(k) + " refers to texture vertex " +
                       std::to_string(mesh.tvFace[f].t[k]) + " of " +
                       std::to_string(mesh.numTVerts));
                return false;
            }
    return true;
}

Box3 meshVertexBox(const Mesh& mesh, const Matrix3* tm) {
    Box3 box;
    for (int i = 0; i < mesh.numVerts; ++i)
        box += tm ? mesh.verts[i] * *tm : mesh.verts[i];
    return box;
}

} // namespace hostimpl
