#ifndef MSH_EXPORTER_MESH8EXPORTOBJECT_H
#define MSH_EXPORTER_MESH8EXPORTOBJECT_H

// Turning one IGame mesh node into one Mesh8 record.

#include "exporter/AssemblyContext.h"
#include "format/Mesh8Record.h"

class IGameNode;
class IGameObject;

/// Most source vertices of a Mesh8 record (its header count is 16-bit).
#define MESH8_MAX_VERTICES 65535

/// A Mesh8 record gathered from an IGame node, with the node and its IGame object (neither
/// owned; used only while the record is assembled).
struct Mesh8ExportObject : Mesh8Record {
    IGameNode* gameNode;
    IGameObject* gameObject;

    Mesh8ExportObject() : gameNode(NULL), gameObject(NULL) {}
};

/// Fills `record` from `node` (IGame initialised at frame 0 in the host's own coordinates):
/// header and transforms, one vertex per face corner with indices 0, 1, 2, ..., and for a
/// skinned mesh one bone record per source vertex, in the order the importer welds the
/// vertices so each weight comes back on its own vertex. Each vertex keeps its four
/// strongest influences, rescaled. A node that is not a mesh is left out silently; one the
/// layout cannot hold is left out and reported. Returns false when left out.
bool buildMesh8ExportObject(Mesh8ExportObject& record, IGameNode* node,
                            const AssemblyContext& context);

#endif
