// make-sample: builds the sample model in the in-memory host and exports it with the exporter
// plug-in in both layouts, as an artist would from the host:
//   OUT/hero.msh, hero.bn, hero.BBX  (legacy, with bones)
//   OUT/hero_mesh8.msh               (Mesh8; its bones are the same hero.bn)
//   OUT/hero.png                     (the texture)
#include "cli/PluginModules.h"
#include "host/embed/MemoryHost.h"
#include "samples/PngWriter.h"
#include "samples/SampleScene.h"

#include <filesystem>
#include <iostream>

namespace {

// A checker texture with a gradient, so UV mistakes are visible.
bool writeTexture(const std::filesystem::path& path) {
    const int size = 64;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            bool dark = ((x / 8) + (y / 8)) % 2 == 0;
            rgb.push_back(uint8_t(dark ? 60 : 200));
            rgb.push_back(uint8_t(x * 4));
            rgb.push_back(uint8_t(y * 4));
        }
    return samples::writePng(path.string(), size, size, rgb);
}

bool exportScene(const mshtool::PluginModule& exporter, const std::filesystem::path& path,
                 bool bones, bool mesh8) {
    MessageBoxRecorder boxes;
    boxes.queueAnswers({bones ? IDYES : IDNO, mesh8 ? IDYES : IDNO});
    std::unique_ptr<SceneExport> plugin = mshtool::createExporter(exporter);
    int result = plugin->DoExport(path.wstring().c_str(), exportInterface(),
                                  GetCOREInterface(), FALSE, 0);
    // The two questions are ours; anything else the exporter says is worth showing.
    for (const MessageBoxCall& call : boxes.calls())
        if (!(call.type & MB_ICONQUESTION))
            std::wcerr << L"make-sample: " << call.caption << L": " << call.text << L"\n";
    return result == IMPEXP_SUCCESS;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-sample OUTPUT_FOLDER\n";
        return 2;
    }
    std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    try {
        mshtool::PluginModule exporter(mshtool::exportModuleName);
        resetScene();
        samples::buildSampleModel(GetCOREInterface(), samples::SampleOptions());
        bool ok = exportScene(exporter, out / "hero.msh", true, false) &&
                  exportScene(exporter, out / "hero_mesh8.msh", false, true) &&
                  writeTexture(out / "hero.png");
        if (!ok) {
            std::cerr << "make-sample: export failed\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "make-sample: " << e.what() << "\n";
        return 1;
    }
    std::cout << "make-sample: wrote hero.msh, hero.bn, hero.BBX, hero_mesh8.msh, hero.png in "
              << out.string() << "\n";
    return 0;
}
