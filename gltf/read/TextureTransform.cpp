#include "gltf/read/TextureTransform.h"

#include <cmath>

namespace mshgltf {
namespace {

double numberOr(const tinygltf::Value& object, const char* key, double fallback) {
    if (!object.Has(key) || !object.Get(key).IsNumber())
        return fallback;
    double v = object.Get(key).GetNumberAsDouble();
    return std::isfinite(v) ? v : fallback;
}

void pairOr(const tinygltf::Value& object, const char* key, double out[2]) {
    if (!object.Has(key))
        return;
    const tinygltf::Value& pair = object.Get(key);
    if (!pair.IsArray() || pair.ArrayLen() != 2)
        return;
    for (int i = 0; i < 2; ++i)
        if (pair.Get(i).IsNumber() && std::isfinite(pair.Get(i).GetNumberAsDouble()))
            out[i] = pair.Get(i).GetNumberAsDouble();
}

} // namespace

void UvMapping::apply(double& u, double& v) const {
    double x = m[0][0] * u + m[0][1] * v + m[0][2];
    double y = m[1][0] * u + m[1][1] * v + m[1][2];
    u = x;
    v = y;
}

UvMapping baseColorUvMapping(const tinygltf::Material& material) {
    const tinygltf::TextureInfo& info = material.pbrMetallicRoughness.baseColorTexture;
    UvMapping mapping;
    mapping.texCoord = info.index >= 0 ? std::max(0, info.texCoord) : 0;
    auto found = info.extensions.find("KHR_texture_transform");
    if (info.index < 0 || found == info.extensions.end() || !found->second.IsObject())
        return mapping;
    const tinygltf::Value& transform = found->second;
    if (transform.Has("texCoord") && transform.Get("texCoord").IsInt())
        mapping.texCoord = std::max(0, transform.Get("texCoord").Get<int>());
    double offset[2] = {0.0, 0.0}, scale[2] = {1.0, 1.0};
    pairOr(transform, "offset", offset);
    pairOr(transform, "scale", scale);
    double rotation = numberOr(transform, "rotation", 0.0);
    // translation x rotation x scale. The rotation turns UVs counter-clockwise on a texture
    // whose v runs down: the extension's own example (offset [0, 1], rotation pi/2, scale
    // 0.5) then picks the lower left quadrant, as it says.
    double c = std::cos(rotation), s = std::sin(rotation);
    mapping.m[0][0] = c * scale[0];
    mapping.m[0][1] = s * scale[1];
    mapping.m[0][2] = offset[0];
    mapping.m[1][0] = -s * scale[0];
    mapping.m[1][1] = c * scale[1];
    mapping.m[1][2] = offset[1];
    mapping.transformed = true;
    return mapping;
}

} // namespace mshgltf
