#include "gltf/read/GltfExtensions.h"

#include <algorithm>
#include <set>

namespace mshgltf {
namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool isApplied(const std::string& name) {
    return name == "KHR_texture_transform" || name == "KHR_mesh_quantization" ||
           name == "EXT_mesh_gpu_instancing";
}

// Extensions that say nothing about what is drawn (metadata), or whose data has a core
// fallback the bridge reads when they are only used: compressed meshes keep uncompressed
// attributes, other image formats a core image.
bool isHarmless(const std::string& name, bool required) {
    if (name == "KHR_xmp_json_ld" || name == "KHR_xmp")
        return true;
    static const std::set<std::string> withFallback = {"KHR_draco_mesh_compression",
                                                       "EXT_meshopt_compression",
                                                       "KHR_meshopt_compression",
                                                       "KHR_texture_basisu",
                                                       "EXT_texture_webp",
                                                       "EXT_texture_avif",
                                                       "MSFT_texture_dds"};
    return !required && withFallback.count(name);
}

// What a model file cannot keep of an extension that changes the picture; empty when the
// extension is not one of those. Files needing these can still be read.
std::string unkeptEffect(const std::string& name) {
    if (startsWith(name, "KHR_materials_variants"))
        return "material variants are not kept; each primitive keeps its default material";
    if (startsWith(name, "KHR_materials_") || startsWith(name, "EXT_materials_"))
        return "its material properties are not kept (a model file holds a texture name and a "
               "two-sided flag)";
    if (name == "KHR_lights_punctual" || startsWith(name, "EXT_lights_"))
        return "lights are not kept";
    if (name == "KHR_animation_pointer")
        return "animated properties are not kept";
    if (name == "MSFT_lod")
        return "only the most detailed level of each object is kept";
    return "";
}

std::string whatItHolds(const std::string& name) {
    if (name == "KHR_draco_mesh_compression")
        return " (Draco-compressed meshes)";
    if (name == "EXT_meshopt_compression" || name == "KHR_meshopt_compression")
        return " (meshoptimizer-compressed buffers)";
    if (name == "KHR_texture_basisu" || name == "EXT_texture_webp" || name == "EXT_texture_avif" ||
        name == "MSFT_texture_dds")
        return " (textures in another image format)";
    return "";
}

} // namespace

bool checkRequiredExtensions(const std::vector<std::string>& required, std::string& error) {
    std::vector<std::string> refused;
    for (const std::string& name : required)
        if (!isApplied(name) && !isHarmless(name, true) && unkeptEffect(name).empty() &&
            std::find(refused.begin(), refused.end(), name) == refused.end())
            refused.push_back(name);
    if (refused.empty())
        return true;
    error = "the file requires ";
    for (size_t i = 0; i < refused.size(); ++i)
        error += (i == 0                    ? ""
                  : i + 1 == refused.size() ? " and "
                                            : ", ") +
                 ("the extension " + refused[i]) + whatItHolds(refused[i]);
    error += ", which this converter cannot decode; nothing was converted";
    return false;
}

void reportUnkeptExtensions(const std::vector<std::string>& used,
                            const std::vector<std::string>& required, BridgeReport& report) {
    std::vector<std::string> all = used;
    all.insert(all.end(), required.begin(), required.end());
    std::set<std::string> seen;
    for (const std::string& name : all) {
        if (!seen.insert(name).second || isApplied(name))
            continue;
        bool isRequired = std::find(required.begin(), required.end(), name) != required.end();
        if (isHarmless(name, isRequired))
            continue;
        std::string effect = unkeptEffect(name);
        if (!effect.empty())
            report.notKept.push_back("extension " + name + ": " + effect);
        else
            report.warnings.push_back("extension " + name +
                                      " is not known to this converter and was ignored");
    }
}

} // namespace mshgltf
