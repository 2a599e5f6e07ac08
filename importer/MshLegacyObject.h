#ifndef MSH_IMPORTER_MSHLEGACYOBJECT_H
#define MSH_IMPORTER_MSHLEGACYOBJECT_H

#include "format/LegacyRecord.h"
#include "host/Interface.h"
#include "host/Skin.h"
#include "host/Tab.h"
#include "importer/ReadModelFile.h"

#include <string>

/// The import's state for one legacy record while it is built into the scene.
struct MshLegacyObject {
    const LegacyRecord& record;
    bool isBoneFile;
    std::wstring textureDir;     ///< folder of the imported file, ends in a separator
    ImportRecordPlace place;     ///< where the record lies, for messages
    TriObject* triObject;        ///< owned by the scene
    INode* node;                 ///< owned by the scene
    Tab<INode*> boneNodes;       ///< bones found for the record's bone names, in order
    ISkinImportData* skinImport; ///< the Skin modifier's import interface, once made
    bool inconsistent;           ///< some of the record's skin entries had to be skipped

    MshLegacyObject(const LegacyRecord& source, bool boneFile, const std::wstring& folder,
                    const ImportRecordPlace& where);

private:
    MshLegacyObject(const MshLegacyObject&);
    MshLegacyObject& operator=(const MshLegacyObject&);
};

/// Builds the record into the scene: mesh, named node with its parent link and world
/// transform; then skin and material for a mesh record, or the bone marking for a bone record.
/// Skin entries naming no vertex of the record are skipped and reported.
void buildLegacyObject(MshLegacyObject& object, Interface* ip);

/// Fills a mesh from the record: its vertices with their normals, its faces with all edges
/// visible, and three texture vertices and one texture face per face.
void fillLegacyMesh(const LegacyRecord& record, Mesh& mesh);

#endif
