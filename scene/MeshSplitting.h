#pragma once
// Fitting the scene to the model-file layout it will be exported in: a mesh that one object
// of that layout cannot hold becomes several objects instead of losing data.

#include "format/MshFile.h"
#include "scene/MeshPartition.h"
#include "scene/SceneData.h"

#include <string>
#include <vector>

namespace mshgltf {

/// One object split into parts, by the names the output gives them (the first is the
/// object's own name).
struct SplitObject {
    std::string name;
    std::vector<std::string> parts;
};

/// What one object of `layout` holds, as the exporter applies it: u16 vertex and face counts,
/// four bones per legacy object, 10,922 faces per Mesh8 object and, skinned, 32,767 vertices
/// (one bone record each).
ObjectLimits objectLimitsOf(MshLayoutKind layout);

/// Splits every non-bone mesh that one object of `layout` cannot hold into parts that fit.
/// The first part stays in place; the others become nodes `<name>.1`, `<name>.2`, ... with
/// the same parent, transform, material and skin, placed after the object's subtree (node
/// numbers in parents and joints are renumbered). A part name is shortened where needed so
/// that it still fits the 100-byte name field whole, and a number another node already has is
/// skipped. One line per split object goes to `report` (a loss when faces kept fewer bones).
/// With `split` false nothing changes: false, with `error` naming the first mesh that does
/// not fit and why.
bool fitMeshesToLayout(SceneData& scene, MshLayoutKind layout, bool split, BridgeReport& report,
                       std::string& error, std::vector<SplitObject>& splits);

} // namespace mshgltf
