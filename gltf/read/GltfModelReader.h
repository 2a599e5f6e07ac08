#pragma once
// A glTF 2.0 file to SceneData: every index and accessor checked, strips and fans
// triangulated, skins resolved to their bind pose, the default scene only.

#include "gltf/read/ImageNaming.h"
#include "scene/SceneData.h"

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace mshgltf {

struct LoadedGltf {
    SceneData scene;
    std::vector<ImageData> images;
    /// The image of each scene material's texture, or -1: `textureFile` is the image's own
    /// name until nameImages has chosen the one beside the model.
    std::vector<int> imageOfMaterial;
};

/// Loads `path` (.gltf with its resources, or .glb). False with `error` when the file cannot
/// be read or is malformed; problems that only lose something land in `report`.
bool readGltfFile(const std::string& path, LoadedGltf& out, BridgeReport& report,
                  std::string& error);

/// The same for a model already parsed.
bool sceneFromGltfModel(const tinygltf::Model& model, LoadedGltf& out, BridgeReport& report,
                        std::string& error);

} // namespace mshgltf
