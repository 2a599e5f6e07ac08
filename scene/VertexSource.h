#pragma once
// Where a writer reads a mesh's per-vertex values from: the mesh's own arrays, or a source
// that reads them where they live (the host mesh), so buffers are filled without a copy of
// every vertex in between.

#include "scene/SceneData.h"

#include <cstddef>

namespace mshgltf {

class VertexSource {
public:
    virtual ~VertexSource() {}
    virtual size_t count() const = 0;
    virtual bool hasNormals() const = 0;
    virtual bool hasUvs() const = 0;
    virtual bool hasInfluences() const = 0;
    virtual bool hasSourceVertices() const = 0;
    virtual Point3 position(size_t vertex) const = 0;
    virtual Point3 normal(size_t vertex) const = 0;
    virtual Point2 uv(size_t vertex) const = 0; ///< host convention (v up)
    /// The host mesh vertex a vertex was made from.
    virtual int sourceVertex(size_t vertex) const = 0;
    /// The bone influences of a vertex: `size` of them from the pointer returned.
    virtual const Influence* influences(size_t vertex, size_t& size) const = 0;

    /// The largest number of influences of a vertex, and whether some vertex has none.
    virtual void influenceExtent(size_t& most, bool& someWithout) const {
        most = 0;
        someWithout = false;
        for (size_t v = 0; hasInfluences() && v < count(); ++v) {
            size_t size = 0;
            influences(v, size);
            most = size > most ? size : most;
            someWithout = someWithout || size == 0;
        }
    }
};

/// A mesh's arrays as a source.
class MeshArrays : public VertexSource {
public:
    explicit MeshArrays(const MeshData& data) : mesh(data) {}
    size_t count() const override { return mesh.positions.size(); }
    bool hasNormals() const override { return !mesh.normals.empty(); }
    bool hasUvs() const override { return !mesh.uvs.empty(); }
    bool hasInfluences() const override { return !mesh.influences.empty(); }
    bool hasSourceVertices() const override { return !mesh.sourceVertex.empty(); }
    Point3 position(size_t vertex) const override { return mesh.positions[vertex]; }
    Point3 normal(size_t vertex) const override { return mesh.normals[vertex]; }
    Point2 uv(size_t vertex) const override { return mesh.uvs[vertex]; }
    int sourceVertex(size_t vertex) const override { return mesh.sourceVertex[vertex]; }
    const Influence* influences(size_t vertex, size_t& size) const override {
        if (vertex >= mesh.influences.size()) { // lists shorter than the vertices: none
            size = 0;
            return nullptr;
        }
        size = mesh.influences[vertex].size();
        return mesh.influences[vertex].data();
    }

private:
    const MeshData& mesh;
};

/// The source a writer reads `mesh` from: its own `source` when it has one, else its arrays
/// through `arrays`, which must outlive the use.
inline const VertexSource& verticesOf(const MeshData& mesh, const MeshArrays& arrays) {
    return mesh.source ? *mesh.source : arrays;
}

} // namespace mshgltf
