#ifndef MSH_IMPORTER_MESH8OBJECT_H
#define MSH_IMPORTER_MESH8OBJECT_H

#include "format/Mesh8Record.h"
#include "host/Interface.h"
#include "host/Skin.h"
#include "host/Tab.h"
#include "importer/ReadModelFile.h"
#include "importer/Welding.h"

#include <map>
#include <set>
#include <string>
#include <vector>

/// The import's state for one Mesh8 record while it is built into the scene.
struct Mesh8Object {
    const Mesh8Record& record;
    std::wstring textureDir;                  ///< folder of the imported file, ends in a separator
    ImportRecordPlace place;                  ///< where the record lies, for messages
    INode* node;                              ///< owned by the scene
    ISkinImportData* skinImport;              ///< the Skin modifier's import interface, once made
    Tab<INode*> boneNodes;                    ///< bones found, in `boneNameSet` order
    std::map<std::string, INode*> boneByName; ///< the same bones by their record names
    std::vector<WeldedVertex> weldList;       ///< mesh vertex i is entry i
    std::vector<int> cornerVertex;            ///< entry 3f + k: mesh vertex of that corner
    std::set<std::string> boneNameSet;        ///< distinct bone names, byte-wise order
    TriObject* triObject;                     ///< owned by the scene
    Mesh* mesh;                               ///< the TriObject's mesh
    bool inconsistent; ///< the record contradicts itself; it gets no skin weights

    Mesh8Object(const Mesh8Record& source, const std::wstring& folder,
                const ImportRecordPlace& where);

private:
    Mesh8Object(const Mesh8Object&);
    Mesh8Object& operator=(const Mesh8Object&);
};

/// Builds the record into the scene: the welded mesh with specified corner normals, the
/// named node with its parent link and world transform, the skin and the material. A record
/// whose faces weld to more vertices than `numVerts`, or that is skinned with fewer bone
/// records than welded vertices, is reported and built without weights. `weld` is the
/// weld's storage, handed back filled with this record's weld for the next record to reuse.
/// Returns the TriObject.
TriObject* buildMesh8Object(Mesh8Object& object, WeldResult& weld, Interface* ip);

/// Fills the mesh from the record and the object's weld result: one vertex per welded vertex
/// (at least `numVerts`; the unused ones at the origin), faces with edges 1, 1, 0, three
/// texture vertices per face and a specified normal per corner.
void fillMesh8Mesh(const Mesh8Object& object, Mesh& mesh);

#endif
