#pragma once
// The scene as the glTF bridge sees it, between the host scene and a glTF model: nodes with
// world transforms, triangle meshes with per-vertex attributes, materials and skins, all in
// the host's Z-up frame. Both directions go through it, so each half can be tested alone.

#include "scene/AffineMatrix.h"
#include "scene/BridgeReport.h"

#include <memory>
#include <string>
#include <vector>

namespace mshgltf {

class VertexSource;

/// One bone's share of a vertex: `joint` indexes the owning node's `joints`.
struct Influence {
    int joint = 0;
    float weight = 0.0f;
};

/// A triangle mesh whose vertices carry everything per vertex (split where position, normal
/// or texture coordinate differ), in the owning node's object frame. Its vertices are in the
/// arrays, or, when `source` is set, read from there (the arrays then stay empty).
struct MeshData {
    std::string name;
    std::vector<Point3> positions;
    std::vector<Point3> normals;   ///< one per vertex, or empty
    std::vector<Point2> uvs;       ///< host convention (v up), or empty
    std::vector<int> sourceVertex; ///< the host mesh vertex of each vertex, or empty
    std::vector<std::vector<Influence>> influences; ///< per vertex when skinned, else empty
    std::vector<uint32_t> triangles;                ///< three vertex numbers per face
    int material = -1;                              ///< index into SceneData::materials
    bool specifiedNormals = false;              ///< the host mesh had explicit per-corner normals
    std::shared_ptr<const VertexSource> source; ///< see scene/VertexSource.h
};

/// A standard material as far as glTF can carry it.
struct MaterialData {
    std::string name;
    bool twoSided = false;
    float diffuse[3] = {1.0f, 1.0f, 1.0f};
    std::string textureFile; ///< UTF-8 file name of the diffuse bitmap, empty when none
    std::string texturePath; ///< the bitmap's path as the scene holds it (for copying)
};

struct NodeData {
    std::string name; ///< UTF-8
    int parent = -1;
    AffineMatrix world = AffineMatrix::identity();       ///< the node's world transform
    AffineMatrix objectWorld = AffineMatrix::identity(); ///< world transform of its object
    bool isBone = false;
    bool synthetic = false;       ///< added by the bridge (not a scene node)
    std::vector<MeshData> meshes; ///< bone geometry for bones, else what is drawn
    std::vector<int> joints;      ///< node numbers of the skin's bones; empty when unskinned
    std::vector<AffineMatrix> jointBindWorld; ///< each bone's world transform at bind time
    AffineMatrix skinBindWorld = AffineMatrix::identity(); ///< the object's at bind time
};

struct SceneData {
    std::vector<NodeData> nodes; ///< parents before children, in the scene's depth-first order
    std::vector<MaterialData> materials;
};

/// The object that holds mesh `part` of a node: the node itself for the first, a child
/// "<node>_<material>" (or "<node>_<part>" without material) for each further one.
inline std::string meshPartName(const SceneData& scene, const std::string& node, int material,
                                size_t part) {
    if (part == 0)
        return node;
    return node + "_" +
           (material >= 0 ? scene.materials[size_t(material)].name : std::to_string(part));
}

} // namespace mshgltf
