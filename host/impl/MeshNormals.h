// Normals from faces and smoothing groups, shared by Mesh, MeshNormalSpec and IGame.
#ifndef HOST_IMPL_MESHNORMALS_H
#define HOST_IMPL_MESHNORMALS_H

#include "host/Mesh.h"

#include <vector>

namespace hostimpl {

/// Unit normal of each face (zero for a degenerate face). Faces must be valid.
std::vector<Point3> computeFaceNormals(const Mesh& mesh);

/// The smoothing-group normal of every face corner (3 per face, corner c of face f at 3f+c):
/// at each vertex, faces that share a smoothing bit, directly or through other faces at that
/// vertex, are averaged; a face with smoothing group 0 keeps its own normal. Faces must be
/// valid.
std::vector<Point3> computeCornerNormals(const Mesh& mesh, const std::vector<Point3>& faceNormals);

/// Fills one rendered vertex per mesh vertex (`rVerts` holds numVerts fresh ones) from the same
/// smoothing clusters: the count in rFlags, one normal in `rn` or several in `ern`, each with
/// the smoothing bits of its faces; `rn` is NaN where the count is not 1. Faces in group 0 add
/// no normal. Faces must be valid.
void computeRenderedNormals(const Mesh& mesh, const std::vector<Point3>& faceNormals,
                            RVertex* rVerts);

} // namespace hostimpl

#endif
