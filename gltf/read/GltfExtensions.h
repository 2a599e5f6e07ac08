#pragma once
// Which glTF extensions the bridge applies (KHR_texture_transform, KHR_mesh_quantization,
// EXT_mesh_gpu_instancing), which ones it refuses when a file requires them (it cannot
// decode them: compressed meshes, other image formats, anything unknown), and which ones
// change how the model is drawn in a way a model file cannot keep.

#include "scene/BridgeReport.h"

#include <string>
#include <vector>

namespace mshgltf {

/// False with `error` naming every extension of `required` the bridge cannot decode.
bool checkRequiredExtensions(const std::vector<std::string>& required, std::string& error);

/// One `lost:` line for each extension of `used` (and `required`) that changes what is drawn
/// in a way a model file cannot hold, and a warning for each one the bridge does not know.
void reportUnkeptExtensions(const std::vector<std::string>& used,
                            const std::vector<std::string>& required, BridgeReport& report);

} // namespace mshgltf
