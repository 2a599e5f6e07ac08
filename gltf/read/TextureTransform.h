#pragma once
// Which texture coordinates a material's base colour texture samples, and how: the
// texCoord set and the KHR_texture_transform of its textureInfo.

#include <tiny_gltf.h>

namespace mshgltf {

/// The UV set and the affine map the base colour texture applies to it, in glTF's UV frame
/// (origin at the top left).
struct UvMapping {
    int texCoord = 0;
    /// (u', v') = (m[0][0] u + m[0][1] v + m[0][2], m[1][0] u + m[1][1] v + m[1][2])
    double m[2][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
    bool transformed = false;

    void apply(double& u, double& v) const;
};

/// The mapping of `material`'s base colour texture; the identity on TEXCOORD_0 when it has
/// none.
UvMapping baseColorUvMapping(const tinygltf::Material& material);

} // namespace mshgltf
