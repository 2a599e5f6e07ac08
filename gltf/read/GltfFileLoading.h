#pragma once
// Reads a glTF file for the bridge: its JSON once, for the extensions it requires and for the
// loader, and its geometry without holding it twice; images stay encoded.

#include <nlohmann/json_fwd.hpp>
#include <tiny_gltf.h>

#include <memory>
#include <string>
#include <vector>

namespace mshgltf {

class GltfFile {
public:
    /// Reads and parses the JSON of `path` (a .glb's first chunk, or a whole .gltf).
    explicit GltfFile(const std::string& path);
    ~GltfFile();

    /// The file's `extensionsRequired`, read from its JSON alone, so that a file the loader
    /// cannot even parse without the extension is still refused by name. False when the JSON
    /// cannot be found or parsed (the loader then says why).
    bool requiredExtensions(std::vector<std::string>& required) const;
    /// The parsed JSON, for checks before loading; null when it cannot be found or parsed.
    const nlohmann::json* document() const;
    /// Loads the model. A well-formed .glb has its binary chunk read from the file straight
    /// into the model's buffer; any other file goes through the loader's own file reading, so
    /// its messages stay the loader's. False with `err` when the loader fails; `warn` gets
    /// what it had to say either way.
    bool load(tinygltf::Model& model, std::string& err, std::string& warn);

private:
    GltfFile(const GltfFile&);
    GltfFile& operator=(const GltfFile&);

    struct Json;
    std::string path;
    bool binary = false;
    std::unique_ptr<Json> json;
};

} // namespace mshgltf
