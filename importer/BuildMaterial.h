#ifndef MSH_IMPORTER_BUILDMATERIAL_H
#define MSH_IMPORTER_BUILDMATERIAL_H

#include "format/MshLayout.h"
#include "host/INode.h"

#include <string>

/// The file name a record's `texturePath` names: its text after the last "\" or "/", each byte
/// taken as the character of the same value. Empty when the path is empty or ends in a
/// separator.
std::wstring textureNameOf(const MshObjectHeader& header);

/// Gives the node a new standard material named after the record's texture, with that file
/// in `textureDir` as its diffuse map, shown in viewports; two-sided when the record says so.
/// A record without a texture name gets no material. A bitmap that is missing or no readable
/// image is reported in one box; the material refers to it all the same.
void buildMaterial(const MshObjectHeader& header, const std::wstring& textureDir, INode* node);

#endif
