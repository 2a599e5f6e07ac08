#include "gltf/GltfBridge.h"

#include "gltf/TexturePlacement.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "scene/SceneBuilder.h"
#include "scene/SceneSnapshot.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace mshgltf {
namespace {

namespace fs = std::filesystem;

// Textured materials refer to their image by the name chosen beside the model.
void useImageNames(LoadedGltf& loaded) {
    for (size_t m = 0; m < loaded.scene.materials.size(); ++m) {
        int image = loaded.imageOfMaterial[m];
        if (image >= 0)
            loaded.scene.materials[m].textureFile = loaded.images[size_t(image)].fileName;
    }
}

// Only the images of objects that are converted go beside the model.
void markUsedImages(LoadedGltf& loaded) {
    for (ImageData& image : loaded.images)
        image.used = false;
    for (const NodeData& node : loaded.scene.nodes)
        for (const MeshData& mesh : node.meshes) {
            int image = mesh.material >= 0 ? loaded.imageOfMaterial[size_t(mesh.material)] : -1;
            if (image >= 0)
                loaded.images[size_t(image)].used = true;
        }
}

void writeImages(const LoadedGltf& loaded, const fs::path& imageDir, BridgeReport& report) {
    for (const ImageData& image : loaded.images) {
        if (!image.used)
            continue;
        std::error_code code;
        if (!image.bytes.empty() && !fs::is_directory(imageDir, code))
            fs::create_directories(imageDir, code); // a failure shows when the image is written
        fs::path target = imageDir / fs::u8path(image.fileName);
        if (image.bytes.empty()) {
            if (!fs::exists(target))
                report.losses.push_back("image " + image.sourceName +
                                        " could not be read; the material refers to it as " +
                                        image.fileName);
            continue;
        }
        // The same picture already there (the source itself, or an earlier conversion).
        if (fileHoldsBytes(target.u8string(), image.bytes))
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

bool exportSceneAsGltf(const std::string& path, BridgeReport& report, std::string& error,
                       const std::string& finalFolder) {
    SceneData scene = snapshotScene(report);
    for (const NodeData& node : scene.nodes)
        if (!node.synthetic)
            ++(node.isBone ? report.bonesWritten : report.objectsWritten);
    fs::path folder = fs::u8path(path).parent_path();
    std::string here = folder.empty() ? "." : folder.u8string();
    // Named before the model is built: its image URIs are the names the bitmaps get.
    std::vector<TextureCopy> copies =
        placeTextures(scene, finalFolder.empty() ? here : finalFolder, report);
    tinygltf::Model model = buildGltfModel(scene, report);
    if (!writeGltfModel(model, path, error))
        return false;
    copyTextures(copies, here, report);
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
    std::string folder = imageDir.empty() ? "." : imageDir;
    markUsedImages(loaded);
    nameImages(loaded.images, options.finalImageDir.empty() ? folder : options.finalImageDir,
               options.modelStem, report);
    useImageNames(loaded);
    if (!buildScene(loaded.scene, report, error)) {
        error = path + ": " + error;
        return false;
    }
    writeImages(loaded, fs::u8path(folder), report);
    return true;
}

} // namespace mshgltf
