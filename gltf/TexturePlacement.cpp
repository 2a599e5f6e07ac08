#include "gltf/TexturePlacement.h"

#include "gltf/read/ImageNaming.h"
#include "scene/CaseFolding.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace mshgltf {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> bytesOf(const fs::path& path) {
    std::error_code code;
    uintmax_t size = fs::file_size(path, code);
    std::vector<unsigned char> bytes(code ? 0 : size_t(size));
    std::ifstream in(path, std::ios::binary);
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
        bytes.resize(size_t(in.gcount()));
    return bytes;
}

// A picture of this scene and the name it got.
struct Placed {
    std::string fileName;
    std::vector<unsigned char> bytes;
};

// Names given to pictures other than `bytes`: identical pictures may share one file.
std::set<std::string> namesOfOthers(const std::vector<Placed>& placed,
                                    const std::vector<unsigned char>& bytes) {
    std::set<std::string> taken;
    for (const Placed& picture : placed)
        if (picture.bytes != bytes)
            taken.insert(caseFolded(picture.fileName));
    return taken;
}

} // namespace

std::vector<TextureCopy> placeTextures(SceneData& scene, const std::string& finalFolder,
                                       BridgeReport& report) {
    std::vector<TextureCopy> copies;
    std::vector<Placed> placed;
    std::map<std::string, std::string> nameOfSource; // each bitmap is looked at once
    for (MaterialData& material : scene.materials) {
        if (material.textureFile.empty())
            continue;
        std::string source = material.texturePath;
        std::replace(source.begin(), source.end(), '\\', '/');
        const std::string key = source + '\n' + material.textureFile;
        auto known = nameOfSource.find(key);
        if (known != nameOfSource.end()) {
            material.textureFile = known->second;
            continue;
        }
        const fs::path sourcePath = fs::u8path(source);
        const fs::path there = fs::u8path(finalFolder) / fs::u8path(material.textureFile);
        std::error_code code;
        if (!fs::is_regular_file(sourcePath, code)) {
            if (!fs::exists(there, code))
                report.losses.push_back("texture " + material.textureFile + " not found (" +
                                        material.texturePath + "); the glTF refers to it by name");
            nameOfSource[key] = material.textureFile;
            continue;
        }
        if (fs::equivalent(sourcePath, there, code)) {
            nameOfSource[key] = material.textureFile;
            continue;
        }
        Placed picture;
        picture.bytes = bytesOf(sourcePath);
        bool occupied = false;
        picture.fileName = freeImageName(material.textureFile, picture.bytes, finalFolder,
                                         namesOfOthers(placed, picture.bytes), occupied);
        if (picture.fileName != material.textureFile)
            report.warnings.push_back("texture " + source + ": " + material.textureFile +
                                      (occupied ? " beside the output holds another picture"
                                                : " is the name of another texture of this model") +
                                      "; copied as " + picture.fileName + " instead");
        if (!fileHoldsBytes((fs::u8path(finalFolder) / fs::u8path(picture.fileName)).u8string(),
                            picture.bytes))
            copies.push_back(TextureCopy{source, picture.fileName});
        material.textureFile = picture.fileName;
        nameOfSource[key] = picture.fileName;
        placed.push_back(picture);
    }
    return copies;
}

void copyTextures(const std::vector<TextureCopy>& copies, const std::string& folder,
                  BridgeReport& report) {
    for (const TextureCopy& copy : copies) {
        fs::path target = fs::u8path(folder) / fs::u8path(copy.fileName);
        std::error_code code;
        fs::copy_file(fs::u8path(copy.source), target, fs::copy_options::overwrite_existing, code);
        if (code)
            report.losses.push_back("cannot copy texture " + copy.source + " to " +
                                    target.u8string() + ": " + code.message());
        else
            report.texturesCopied.push_back(copy.fileName);
    }
}

} // namespace mshgltf
