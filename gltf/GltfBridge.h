#pragma once
// The two directions of the glTF bridge over the host's current scene.

#include "gltf/SceneData.h"

#include <string>

namespace mshgltf {

/// Writes the current scene as glTF 2.0 to `path` (".glb" binary, else ".gltf" + ".bin"),
/// copying texture bitmaps beside it. False with `error` when nothing could be written.
bool exportSceneAsGltf(const std::string& path, BridgeReport& report, std::string& error);

/// Adds the content of a .gltf or .glb file to the current scene, and writes the bitmaps its
/// converted objects show into `imageDir`, created when needed (embedded ones always, external
/// ones unless the same file is there), where the exported model's texture names will find them.
/// Images without a name are named after `outputStem`, the exported model's file name without
/// extension.
bool importGltfIntoScene(const std::string& path, const std::string& imageDir,
                         const std::string& outputStem, BridgeReport& report, std::string& error);

} // namespace mshgltf
