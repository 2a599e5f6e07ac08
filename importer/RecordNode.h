#ifndef MSH_IMPORTER_RECORDNODE_H
#define MSH_IMPORTER_RECORDNODE_H

#include "format/MshLayout.h"
#include "host/Interface.h"

/// The host matrix of a file matrix: the first three floats of each of its four rows.
Matrix3 matrixFromRows(const float rows[4][4]);

/// The steps both layouts share once the mesh is filled: creates the node for `object` under
/// the scene root, names it after the header's `name`, marks it as a bone when asked, links it
/// to the parent named in `parentName` (reporting a parent that is not in the scene), and
/// sets `worldTM` as its world transform. Returns the node.
INode* createRecordNode(Interface* ip, Object* object, const MshObjectHeader& header, bool isBone);

#endif
