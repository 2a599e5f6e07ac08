#pragma once
// The names nodes get in the output when their own cannot serve: none at all, or one the
// model file's 8-bit name field would keep nothing of, which would cut the parent links of
// the node's children.

#include "scene/BridgeReport.h"

#include <cstddef>
#include <string>

namespace mshgltf {

/// "node<index>": the name of a node that has none, in every message and in the output.
std::string unnamedNodeName(size_t index);

/// True when a model file keeps nothing of the UTF-8 `name`: it is empty or begins with a
/// character above U+00FF (or a NUL), where the 8-bit name field stops.
bool nameCutToNothing(const std::string& name);

/// The name `from-gltf` gives glTF node `index` named `name`.
std::string importedNodeName(const std::string& name, size_t index);

/// Reports a node whose own name (not empty) was replaced by `given`, as a loss.
void reportReplacedName(const std::string& name, const std::string& given, BridgeReport& report);

} // namespace mshgltf
