#ifndef MSH_EXPORTER_LEGACYASSEMBLY_H
#define MSH_EXPORTER_LEGACYASSEMBLY_H

// Turning one scene node into one legacy record.

#include "exporter/AssemblyContext.h"
#include "exporter/MshObject.h"

/// Most vertices, faces or skin points a legacy record holds (its counts are 16-bit).
#define LEGACY_MAX_ENTRIES 65535

/// Fills `record` from `node` at time 0: names, transforms, fixed values, then the mesh,
/// skin and material parts. The geometry is the node's evaluated object as a triangle mesh.
/// A node whose object is not geometry gets empty lists when `emptyGeometryAllowed` (a bone
/// that is a helper keeps its place in the skeleton) and is left out otherwise, silently.
/// A node the layout cannot hold is left out and reported. Returns false when left out.
bool buildMshObject(MshObject& record, INode* node, bool emptyGeometryAllowed,
                    const AssemblyContext& context);

/// The skin part: the node's last Skin modifier as a table of at most four bones with up to
/// four influences per point; losses are reported. False (node left out) when the skin has
/// more points than a record holds.
bool fillLegacySkin(MshObject& record, INode* node, const AssemblyContext& context);

#endif
