#ifndef MSH_EXPORTER_MSHOBJECT_H
#define MSH_EXPORTER_MSHOBJECT_H

#include "format/LegacyRecord.h"

class INode;
class TriObject;

/// One legacy record gathered from a scene node: the record as it will be written, plus the
/// node it came from and the node's object as a triangle object (neither owned; the triangle
/// object is only valid while the record is assembled).
struct MshObject : LegacyRecord {
    INode* node;
    TriObject* triObject;

    MshObject() : node(NULL), triObject(NULL) {}
};

#endif
