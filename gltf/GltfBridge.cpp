#include "gltf/GltfBridge.h"

#include "gltf/GltfModelReader.h"
#include "gltf/GltfModelWriter.h"
#include "gltf/SceneBuilder.h"
#include "gltf/SceneSnapshot.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace mshgltf {
namespace {

namespace fs = std::filesystem;

bool sameBytes(const fs::path& file, const std::vector<unsigned char>& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::vector<unsigned char> existing((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    return existing == bytes;
}

void writeImages(const LoadedGltf& loaded, const fs::path& sourceDir, const fs::path& imageDir,
                 BridgeReport& report) {
    std::error_code code;
    for (const ImageData& image : loaded.images) {
        if (image.fileName.empty())
            continue;
        fs::path target = imageDir / fs::u8path(image.fileName);
        if (!image.embedded && fs::equivalent(sourceDir / fs::u8path(image.fileName), target, code))
            continue;
        if (image.bytes.empty()) {
            report.warnings.push_back("image " + image.fileName +
                                      " could not be read; the material refers to it by name");
            continue;
        }
        if (sameBytes(target, image.bytes))
            continue;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.bytes.data()),
                  std::streamsize(image.bytes.size()));
        out.close();
        if (!out)
            report.losses.push_back("cannot write image " + target.u8string());
    }
}

} // namespace

bool exportSceneAsGltf(const std::string& path, BridgeReport& report, std::string& error) {
    SceneData scene = snapshotScene(report);
    tinygltf::Model model = buildGltfModel(scene, report);
    if (!writeGltfModel(model, path, error))
        return false;
    fs::path folder = fs::u8path(path).parent_path();
    copyTexturesBeside(scene, folder.empty() ? "." : folder.u8string(), report);
    return true;
}

bool importGltfIntoScene(const std::string& path, const std::string& imageDir, BridgeReport& report,
                         std::string& error, const GltfImportOptions& options,
                         std::vector<SplitObject>* splits) {
    LoadedGltf loaded;
    if (!readGltfFile(path, loaded, report, error))
        return false;
    std::vector<SplitObject> parts;
    if (!fitMeshesToLayout(loaded.scene, options.layout, options.splitToFit, report, error,
                           parts)) {
        error = path + ": " + error;
        return false;
    }
    if (splits)
        *splits = parts;
    if (!buildScene(loaded.scene, report, error)) {
        error = path + ": " + error;
        return false;
    }
    fs::path source = fs::u8path(path).parent_path();
    writeImages(loaded, source.empty() ? "." : source,
                imageDir.empty() ? fs::path(".") : fs::u8path(imageDir), report);
    return true;
}

} // namespace mshgltf
