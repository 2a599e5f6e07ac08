// Triangle meshes of the host SDK: faces, texture faces, specified normals.
#ifndef HOST_MESH_H
#define HOST_MESH_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"

#include <MeshNormalSpec.h>
#else

#include "host/Geometry.h"

#define EDGE_VIS 1
#define EDGE_INVIS 0
#define EDGE_A (1 << 0)
#define EDGE_B (1 << 1)
#define EDGE_C (1 << 2)
#define EDGE_ALL (EDGE_A | EDGE_B | EDGE_C)
#define FACE_HIDDEN (1 << 3)
#define FACE_MATID_SHIFT 16
#define FACE_MATID_MASK 0xFFFF

#define MAX_MESHMAPS 100
#define NUM_HIDDENMAPS 2

/// One triangle: three vertex indices, smoothing group bits, edge visibility and material id.
class Face : public MaxHeapOperators {
public:
    DWORD v[3];
    DWORD smGroup;
    DWORD flags;

    Face() : smGroup(0), flags(0) { v[0] = v[1] = v[2] = 0; }
    void setVerts(DWORD* vrt) {
        v[0] = vrt[0];
        v[1] = vrt[1];
        v[2] = vrt[2];
    }
    void setVerts(int a, int b, int c) {
        v[0] = (DWORD)a;
        v[1] = (DWORD)b;
        v[2] = (DWORD)c;
    }
    DWORD getVert(int index) const { return v[index]; }
    DWORD* getAllVerts() { return v; }
    /// Edge A runs from corner 0 to 1, B from 1 to 2, C from 2 to 0; non-zero means visible.
    void setEdgeVisFlags(int va, int vb, int vc) {
        flags &= ~(DWORD)EDGE_ALL;
        if (va)
            flags |= EDGE_A;
        if (vb)
            flags |= EDGE_B;
        if (vc)
            flags |= EDGE_C;
    }
    void setEdgeVis(int edge, int visFlag) {
        if (visFlag)
            flags |= (DWORD)(1 << edge);
        else
            flags &= ~(DWORD)(1 << edge);
    }
    /// Non-zero when edge 0, 1 or 2 is visible.
    int getEdgeVis(int edge) const { return (int)(flags & (DWORD)(1 << edge)); }
    void setMatID(MtlID id) {
        flags = (flags & ~((DWORD)FACE_MATID_MASK << FACE_MATID_SHIFT)) |
                ((DWORD)id << FACE_MATID_SHIFT);
    }
    MtlID getMatID() const { return (MtlID)((flags >> FACE_MATID_SHIFT) & FACE_MATID_MASK); }
    void setSmGroup(DWORD i) { smGroup = i; }
    DWORD getSmGroup() const { return smGroup; }
    void Hide() { flags |= FACE_HIDDEN; }
    void Show() { flags &= ~(DWORD)FACE_HIDDEN; }
    BOOL Hidden() const { return (flags & FACE_HIDDEN) ? TRUE : FALSE; }
};

/// A face of a map channel (texture coordinates): three map-vertex indices.
class TVFace : public MaxHeapOperators {
public:
    DWORD t[3];

    TVFace() { t[0] = t[1] = t[2] = 0; }
    TVFace(DWORD a, DWORD b, DWORD c) {
        t[0] = a;
        t[1] = b;
        t[2] = c;
    }
    void setTVerts(DWORD* vrt) {
        t[0] = vrt[0];
        t[1] = vrt[1];
        t[2] = vrt[2];
    }
    void setTVerts(int a, int b, int c) {
        t[0] = (DWORD)a;
        t[1] = (DWORD)b;
        t[2] = (DWORD)c;
    }
    DWORD getTVert(int index) const { return t[index]; }
    DWORD* getAllTVerts() { return t; }
};

// RVertex flags: the number of normals at the vertex, and a normal stored with setNormal.
#define NORCT_MASK 0x000000ffUL
#define SPECIFIED_NORMAL 0x00004000UL

/// A rendered normal: the unit normal of one smoothing cluster at a vertex, with the
/// smoothing bits of the faces it belongs to.
class RNormal : public MaxHeapOperators {
public:
    RNormal() : smGroup(0), mtlIndex(0) {}
    void setNormal(const Point3& nor) { normal = nor; }
    void addNormal(const Point3& nor) { normal += nor; }
    void normalize() { normal = Normalize(normal); }
    Point3& getNormal() { return normal; }
    const Point3& getNormal() const { return normal; }
    void setSmGroup(DWORD g) { smGroup = g; }
    void addSmGroup(DWORD g) { smGroup |= g; }
    DWORD getSmGroup() { return smGroup; }
    void setMtlIndex(MtlID i) { mtlIndex = i; }
    MtlID getMtlIndex() { return mtlIndex; }
    void setRGB(Point3& clr) { rgb = clr; }
    Point3& getRGB() { return rgb; }
    const Point3& getRGB() const { return rgb; }

private:
    Point3 normal;
    DWORD smGroup;
    MtlID mtlIndex;
    Point3 rgb;
};

/// A rendered vertex: `rFlags & NORCT_MASK` normals. With one it is `rn`; with more they are
/// `ern[0]` to `ern[count - 1]`, one per smoothing cluster, and `rn` is not used.
class MAXHOST_API RVertex : public MaxHeapOperators {
public:
    enum { MAX_NUM_NORMALS = 0xff };

    RVertex() {
        rFlags = 0;
        ern = NULL;
    }
    ~RVertex();

    DWORD rFlags;
    int pos[3];
    RNormal rn;
    RNormal* ern;
};

#define MESH_NORMAL_NORMALS_BUILT 0x01
#define MESH_NORMAL_NORMALS_COMPUTED 0x02
#define MESH_NORMAL_MODIFIER_SUPPORT 0x20
#define MESH_NORMAL_SPEC_INTERFACE Interface_ID(0xa4e770b, 0x47aa3cf9)

/// The specified-normal indices of one face: a normal id per corner (-1: none yet).
class MeshNormalFace : public MaxHeapOperators {
public:
    MeshNormalFace() : specified(0) { Clear(); }
    // Not const until later SDKs (2018's MeshNormalSpec.h): callers hold a non-const face.
    int GetNormalID(int corner) { return normalID[corner]; }
    void SetNormalID(int corner, int norm) { normalID[corner] = norm; }
    /// Sets the corner's normal id and marks it specified.
    void SpecifyNormalID(int corner, int norm) {
        normalID[corner] = norm;
        SetSpecified(corner, true);
    }
    bool GetSpecified(int corner) { return (specified & (1 << corner)) != 0; } // as GetNormalID
    void SetSpecified(int corner, bool value = true) {
        if (value)
            specified = (char)(specified | (1 << corner));
        else
            specified = (char)(specified & ~(1 << corner));
    }
    void SpecifyAll(bool value = true) { specified = value ? 7 : 0; }
    void Clear() {
        normalID[0] = normalID[1] = normalID[2] = -1;
        specified = 0;
    }

private:
    int normalID[3];
    char specified;
};

class Mesh;

/// Explicit per-corner normals of a mesh: a normal array and, per face, a normal id per corner.
class MAXHOST_API MeshNormalSpec : public MaxHeapOperators {
public:
    MeshNormalSpec();
    MeshNormalSpec(const MeshNormalSpec& other);
    MeshNormalSpec& operator=(const MeshNormalSpec& other);
    ~MeshNormalSpec();

    int GetNumFaces() const { return numFaces; }
    /// Resizes the face array, keeping existing faces; new faces have no normals.
    bool SetNumFaces(int count);
    int GetNumNormals() const { return numNormals; }
    /// Resizes the normal array, keeping existing normals; new ones are zero and not explicit.
    bool SetNumNormals(int count);
    Point3& Normal(int normID) const;
    Point3* GetNormalArray() const { return normals; }
    bool GetNormalExplicit(int normID) const;
    void SetNormalExplicit(int normID, bool value);
    void SetAllExplicit(bool value = true);
    MeshNormalFace& Face(int faceID) const;
    MeshNormalFace* GetFaceArray() const { return faces; }
    void SetParent(Mesh* mesh) { parent = mesh; }
    Mesh* GetParent() const { return parent; }

    /// The normal of a face corner; the corner must have a normal id.
    Point3& GetNormal(int face, int corner);
    /// Gives the corner its own explicit, specified normal: the corner's normal is overwritten
    /// when it has one, else a new normal is appended for it. The normal is taken by
    /// non-const reference, as the SDK declares it.
    void SetNormal(int face, int corner, Point3& normal);
    int GetNormalIndex(int face, int corner);
    void SetNormalIndex(int face, int corner, int normalIndex);

    /// Sizes the face array to the parent mesh; all corners without normals.
    void Initialize();
    void ClearAndFree();
    /// Gives every corner without a normal the normal its smoothing groups give it. This,
    /// ComputeNormals and CheckNormals need the parent set and the face array sized to it.
    void BuildNormals();
    /// Recomputes every normal that is not explicit from the smoothing groups of its corners.
    void ComputeNormals();
    /// Builds what is missing and recomputes what is not explicit.
    void CheckNormals();
    void SetFlag(DWORD fl, bool val = true);
    void ClearFlag(DWORD fl) { flags &= ~fl; }
    bool GetFlag(DWORD fl) const { return (flags & fl) != 0; }

private:
    Point3* normals;
    bool* explicitFlags;
    int numNormals;
    MeshNormalFace* faces;
    int numFaces;
    Mesh* parent;
    DWORD flags;

    void copyFrom(const MeshNormalSpec& other);
    bool checkCorner(int face, int corner, const char* operation) const;
    bool parentReady(const char* operation) const;
};

class MeshMapStore;

/// A triangle mesh. The public arrays may be written directly once sized with setNumX.
/// Map channel 1 is tVerts/tvFace and channel 0 vertCol/vcFace, as in the SDK.
class MAXHOST_API Mesh : public MaxHeapOperators {
public:
    int numVerts;
    int numFaces;
    Face* faces;
    Point3* verts;
    int numTVerts;
    UVVert* tVerts;
    TVFace* tvFace;
    int numCVerts;
    VertColor* vertCol;
    TVFace* vcFace;

    Mesh();
    Mesh(const Mesh& other);
    Mesh& operator=(const Mesh& other);
    ~Mesh();

    /// Sizes the vertex array (and its normals); with keep the old vertices stay, otherwise and
    /// for new entries vertices and normals are zero.
    BOOL setNumVerts(int ct, BOOL keep = FALSE, BOOL synchSel = TRUE);
    int getNumVerts() const { return numVerts; }
    /// Sizes the face array and the face arrays of every map channel present. New faces are
    /// `Face()`: vertices 0, 0, 0, smoothing group 0, flags 0 (material id 0, no edge visible).
    BOOL setNumFaces(int ct, BOOL keep = FALSE, BOOL synchSel = TRUE);
    int getNumFaces() const { return numFaces; }
    BOOL setNumTVerts(int ct, BOOL keep = FALSE);
    int getNumTVerts() const { return numTVerts; }
    /// Sizes the texture face array (0 removes it); new texture faces refer to vertex 0.
    BOOL setNumTVFaces(int ct, BOOL keep = FALSE, int oldCt = 0);
    int getNumTVFaces() const { return numTVFaces; }
    BOOL setNumVertCol(int ct, BOOL keep = FALSE);
    BOOL setNumVCFaces(int ct, BOOL keep = FALSE, int oldCt = 0);

    void setVert(int i, const Point3& xyz);
    void setVert(int i, float x, float y, float z) { setVert(i, Point3(x, y, z)); }
    Point3& getVert(int i);
    void setTVert(int i, const UVVert& xyz);
    void setTVert(int i, float x, float y, float z) { setTVert(i, UVVert(x, y, z)); }
    UVVert& getTVert(int i);

    /// Stores one rendered normal for vertex i. It lasts only until the normals are built
    /// again or the geometry cache goes (InvalidateGeomCache, setNumVerts, a mesh copy).
    void setNormal(int i, const Point3& xyz);
    /// The rendered normal of vertex i. Only defined once the normals are built and where the
    /// vertex has exactly one normal; a vertex on a smoothing-group boundary, or used by no
    /// face of a smoothing group, has to be read per corner (getRVert).
    Point3& getNormal(int i) const;
    Point3& getFaceNormal(int i);
    void setFaceNormal(int i, const Point3& xyz);
    /// Computes the face normals and the rendered vertices: at each vertex, faces that share a
    /// smoothing bit, directly or through other faces there, form one normal (their unit face
    /// normals summed unweighted, normalised); a face in group 0 adds none. Material ids are
    /// not looked at.
    void buildNormals();
    void buildRenderNormals() { buildNormals(); }
    /// With illum TRUE, builds the normals unless they are current; with FALSE, only makes
    /// sure the rendered vertices exist.
    void checkNormals(BOOL illum);
    RVertex& getRVert(int i);
    RVertex* getRVertPtr(int i);

    /// Caches the box around all vertices.
    void buildBoundingBox();
    /// Without tm: the box of the last buildBoundingBox (empty if none since the geometry was
    /// invalidated). With tm: the box of the vertices transformed by tm.
    Box3 getBoundingBox(Matrix3* tm = NULL);

    /// Gives the mesh specified normals: an empty MeshNormalSpec, without faces or parent.
    void SpecifyNormals();
    /// The specified normals, or NULL when the mesh has none.
    MeshNormalSpec* GetSpecifiedNormals() { return normalSpec; }
    void ClearSpecifiedNormals();

    /// Drops the rendered normals and the cached box.
    void InvalidateGeomCache();
    void InvalidateTopologyCache();
    void InvalidateEdgeList() {}

    /// Number of map channels (at least 2: 0 and 1 always exist as slots).
    void setNumMaps(int ct, BOOL keep = FALSE);
    int getNumMaps() const;
    /// TRUE when channel mp has a face array.
    BOOL mapSupport(int mp) const;
    void setMapSupport(int mp, BOOL support = TRUE);
    void setNumMapVerts(int mp, int ct, BOOL keep = FALSE);
    void setNumMapFaces(int mp, int ct, BOOL keep = FALSE, int oldCt = 0);
    int getNumMapVerts(int mp) const;
    int getNumMapFaces(int mp) const;
    UVVert* mapVerts(int mp) const;
    TVFace* mapFaces(int mp) const;

private:
    RVertex* rVerts;
    Point3* faceNormals;
    int numTVFaces;
    int numVCFaces;
    bool normalsBuilt;
    bool boxBuilt;
    Box3 bdgBox;
    MeshNormalSpec* normalSpec;
    MeshMapStore* extraMaps;

    void freeAll();
    void copyFrom(const Mesh& other);
};

#endif // MSH_REAL_SDK

#endif
