// Writes the seed corpus of the from-gltf fuzzer: sample scenes of a few shapes saved as .glb
// by the glTF bridge. Usage: make-fuzz-gltf-corpus DIR
#include "gltf/GltfBridge.h"
#include "host/embed/MemoryHost.h"
#include "samples/SampleScene.h"

#include <cstdio>
#include <filesystem>

namespace memhost {}
using namespace memhost;

namespace {

bool saveSample(const std::filesystem::path& file, int rings, int segments, int bones) {
    resetScene();
    if (bones > 0) {
        samples::SampleOptions options;
        options.rings = rings;
        options.segments = segments;
        options.bones = bones;
        options.texture = L"";
        samples::buildSampleModel(GetCOREInterface(), options);
    }
    mshgltf::BridgeReport report;
    std::string error;
    bool ok = mshgltf::exportSceneAsGltf(file.string(), report, error);
    if (!ok)
        std::fprintf(stderr, "make-fuzz-gltf-corpus: %s: %s\n", file.string().c_str(),
                     error.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-gltf-corpus DIR\n");
        return 2;
    }
    std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    bool ok = saveSample(dir / "empty-scene.glb", 0, 0, 0) &&
              saveSample(dir / "sample-small.glb", 2, 3, 2) &&
              saveSample(dir / "sample-chain.glb", 3, 4, 4);
    // The bridge may copy textures beside the model; the corpus holds only the models.
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() != ".glb")
            std::filesystem::remove(entry.path());
    std::printf("make-fuzz-gltf-corpus: seeds in %s\n", argv[1]);
    return ok ? 0 : 1;
}
