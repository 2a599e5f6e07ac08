#ifndef MSH_IMPORTER_MESH8CHECKS_H
#define MSH_IMPORTER_MESH8CHECKS_H

#include "importer/Mesh8Object.h"

/// After welding and collectBoneNames: when the faces weld to more vertices than `numVerts`,
/// tells the user which record and field, and that the object was built with all of them
/// (and, when skinned, without weights); marks the object inconsistent.
void checkWeldedCount(Mesh8Object& object);

/// For a skinned object: true when there is a bone record for every welded vertex; otherwise
/// tells the user (unless the object was already found inconsistent), marks it, and false.
bool checkSkinCoversWeldedVertices(Mesh8Object& object);

#endif
