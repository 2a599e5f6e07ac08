#include "gltf/read/GpuInstancing.h"

#include "gltf/core/GltfAccessors.h"

#include <algorithm>
#include <cmath>

namespace mshgltf {
namespace {

// One attribute of the extension; absent ones stay empty.
bool readAttribute(const tinygltf::Model& model, const tinygltf::Value& attributes,
                   const char* name, int components, AccessorValues& values, std::string& error) {
    if (!attributes.Has(name))
        return true;
    const tinygltf::Value& index = attributes.Get(name);
    if (!index.IsInt() && !index.IsNumber()) {
        error = std::string(name) + " is not an accessor index";
        return false;
    }
    std::string why;
    if (!readAccessor(model, index.GetNumberAsInt(), values, why)) {
        error = std::string(name) + ": " + why;
        return false;
    }
    if (values.components != components) {
        error = std::string(name) + " has " + std::to_string(values.components) +
                " components per instance, expected " + std::to_string(components);
        return false;
    }
    return true;
}

std::vector<double> element(const AccessorValues& values, size_t i) {
    if (values.count == 0)
        return {};
    auto first = values.values.begin() + long(i * size_t(values.components));
    return std::vector<double>(first, first + values.components);
}

// Quantized rotations are only nearly unit quaternions; a matrix from one that is not
// would scale as well as turn.
std::vector<double> unitQuaternion(std::vector<double> q) {
    double length = 0.0;
    for (double c : q)
        length += c * c;
    length = std::sqrt(length);
    if (length > 0.0)
        for (double& c : q)
            c /= length;
    return q;
}

} // namespace

bool gpuInstances(const tinygltf::Model& model, const tinygltf::Node& node,
                  std::vector<AffineMatrix>& instances, std::string& error) {
    instances.clear();
    auto found = node.extensions.find("EXT_mesh_gpu_instancing");
    if (found == node.extensions.end())
        return true;
    const tinygltf::Value& extension = found->second;
    if (!extension.IsObject() || !extension.Has("attributes") ||
        !extension.Get("attributes").IsObject()) {
        error = "EXT_mesh_gpu_instancing has no attributes";
        return false;
    }
    const tinygltf::Value& attributes = extension.Get("attributes");
    AccessorValues translation, rotation, scale;
    if (!readAttribute(model, attributes, "TRANSLATION", 3, translation, error) ||
        !readAttribute(model, attributes, "ROTATION", 4, rotation, error) ||
        !readAttribute(model, attributes, "SCALE", 3, scale, error))
        return false;
    size_t count = std::max({translation.count, rotation.count, scale.count});
    for (const AccessorValues* values : {&translation, &rotation, &scale})
        if (values->count != 0 && values->count != count) {
            error = "EXT_mesh_gpu_instancing attributes have different counts";
            return false;
        }
    for (size_t i = 0; i < count; ++i)
        instances.push_back(fromTranslationRotationScale(
            element(translation, i), unitQuaternion(element(rotation, i)), element(scale, i)));
    return true;
}

} // namespace mshgltf
