#pragma once
// A glTF 2.0 file to SceneData: every index and accessor checked, strips and fans
// triangulated, skins resolved to their bind pose.

#include "gltf/SceneData.h"

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace mshgltf {

/// A bitmap the model uses, to be put beside the exported model under `fileName`.
struct ImageData {
    std::string fileName;             ///< UTF-8 file name the material refers to
    std::vector<unsigned char> bytes; ///< the encoded file (empty when it could not be read)
    bool embedded = false;            ///< inside the .glb or a data URI
};

struct LoadedGltf {
    SceneData scene;
    std::vector<ImageData> images;
};

/// Loads `path` (.gltf with its resources, or .glb). False with `error` when the file cannot
/// be read or is malformed; problems that only lose something land in `report`.
bool readGltfFile(const std::string& path, LoadedGltf& out, BridgeReport& report,
                  std::string& error);

/// The same for a model already parsed.
bool sceneFromGltfModel(const tinygltf::Model& model, LoadedGltf& out, BridgeReport& report,
                        std::string& error);

} // namespace mshgltf
