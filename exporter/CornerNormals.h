#ifndef MSH_EXPORTER_CORNERNORMALS_H
#define MSH_EXPORTER_CORNERNORMALS_H

// The normals a host mesh shows, read per face corner: a vertex on a smoothing-group boundary
// has several, so no single "vertex normal" of the host can be trusted there.

#include "host/Mesh.h"

#include <vector>

/// The normal of every corner (corner c of face f at 3f + c): the mesh's specified normals when
/// it has them for its faces, else the normals of its smoothing groups (the face normal for a
/// face in no group). Builds the mesh's normals where they are not current. A corner whose
/// vertex is outside the mesh gets zero.
void readCornerNormals(Mesh& mesh, std::vector<Point3>& cornerNormals);

/// One normal per vertex: that of its first corner in face order, as the importer gives every
/// corner of a vertex the vertex's normal; zero for a vertex no face uses.
void vertexNormalsFromCorners(const Mesh& mesh, const std::vector<Point3>& cornerNormals,
                              std::vector<Point3>& vertexNormals);

#endif
