#pragma once
// Loads a glTF file into a tinygltf model, images kept encoded, without holding the geometry
// twice.

#include <tiny_gltf.h>

#include <string>

namespace mshgltf {

/// Loads `path` (.gltf with its resources, or .glb when `binary`). A well-formed .glb has its
/// binary chunk read from the file straight into the model's buffer; any other file goes
/// through the loader's own file reading, so its messages stay the loader's. False with `err`
/// when the loader fails; `warn` gets what it had to say either way.
bool loadGltfModel(const std::string& path, bool binary, tinygltf::Model& model, std::string& err,
                   std::string& warn);

} // namespace mshgltf
