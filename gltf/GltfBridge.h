#pragma once
// The two directions of the glTF bridge over the host's current scene.

#include "scene/MeshSplitting.h"
#include "scene/SceneData.h"

#include <string>

namespace mshgltf {

/// Writes the current scene as glTF 2.0 to `path` (".glb" binary, else ".gltf" + ".bin"),
/// copying texture bitmaps beside it. `finalFolder`, when the files are moved there later, is
/// where a bitmap's name must not be a different file's (empty: `path`'s own folder). False
/// with `error` when nothing could be written.
bool exportSceneAsGltf(const std::string& path, BridgeReport& report, std::string& error,
                       const std::string& finalFolder = std::string());

/// How the scene is fitted to the model file it will be exported to.
struct GltfImportOptions {
    MshLayoutKind layout = MshLayoutLegacy;
    bool splitToFit = true; ///< split meshes one object cannot hold; false: refuse them
    /// The exported model's file name without extension: images without a name of their own
    /// are written beside it as "<modelStem>_<index>".
    std::string modelStem;
    /// Where the images will finally be, when they are written elsewhere first: image names
    /// never take the name of a different file already there. Empty: `imageDir` itself.
    std::string finalImageDir;
};

/// Adds the content of a .gltf or .glb file to the current scene, and writes the bitmaps its
/// converted objects show into `imageDir`, created when needed (embedded ones always, external
/// ones unless the same file is there), where the exported model's texture names will find them.
/// Meshes that one object of the layout cannot hold are split into parts (listed in `splits`
/// when given), or refused before anything is built or written.
bool importGltfIntoScene(const std::string& path, const std::string& imageDir, BridgeReport& report,
                         std::string& error, const GltfImportOptions& options = GltfImportOptions(),
                         std::vector<SplitObject>* splits = nullptr);

} // namespace mshgltf
