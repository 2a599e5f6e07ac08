#ifndef MSH_IMPORTER_FINDNODEBYNAME_H
#define MSH_IMPORTER_FINDNODEBYNAME_H

#include "host/INode.h"

#include <string>

/// A node name from the 8-bit text of a record field, decoded with the ANSI code page.
std::wstring nodeNameFromField(const std::string& fieldText);

/// The first node below `start` (never `start` itself) whose name equals `name` with case,
/// depth first with children in index order; NULL when there is none. `name` is the 8-bit
/// text of a record field, decoded with the ANSI code page.
INode* findNodeByName(const std::string& name, INode* start);

#endif
