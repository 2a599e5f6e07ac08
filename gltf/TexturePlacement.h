#pragma once
// The bitmaps `to-gltf` puts beside the glTF, whose image URIs are their bare names: a file of
// the user's already there under such a name is never replaced by another picture, and two
// pictures never share one name.

#include "scene/SceneData.h"

#include <string>
#include <vector>

namespace mshgltf {

/// One bitmap to copy beside the glTF.
struct TextureCopy {
    std::string source;   ///< where the scene found it (UTF-8)
    std::string fileName; ///< its name beside the glTF
};

/// Gives each material's bitmap its name beside the glTF in `finalFolder` (where the glTF will
/// finally be) and sets the material's `textureFile` to it: the bitmap's own name, unless a
/// file there or another bitmap of the scene already has it with other bytes; then the next
/// free "<stem>_<n>", with a warning. Returns the bitmaps that are not there yet.
std::vector<TextureCopy> placeTextures(SceneData& scene, const std::string& finalFolder,
                                       BridgeReport& report);

/// Copies each bitmap into `folder` under its chosen name (listed in `texturesCopied`); a
/// failure is a loss.
void copyTextures(const std::vector<TextureCopy>& copies, const std::string& folder,
                  BridgeReport& report);

} // namespace mshgltf
