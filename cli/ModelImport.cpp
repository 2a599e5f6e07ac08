#include "cli/ModelImport.h"

#include "host/embed/MemoryHost.h"

#include <filesystem>
#include <iostream>

namespace mshtool {

std::string boneFileFor(const std::string& mshPath, const std::string& explicitBones,
                        bool noBones) {
    if (!explicitBones.empty())
        return explicitBones;
    if (noBones)
        return std::string();
    for (const char* extension : {".bn", ".BN"}) {
        std::filesystem::path candidate(mshPath);
        candidate.replace_extension(extension);
        std::error_code code;
        if (candidate != std::filesystem::path(mshPath) &&
            std::filesystem::is_regular_file(candidate, code))
            return candidate.string();
    }
    return std::string();
}

bool importModel(PluginSession& session, const std::string& mshPath, const std::string& bonePath,
                 bool& lost) {
    resetScene();
    session.clearMessages();
    if (!bonePath.empty() && !session.importFile(bonePath)) {
        std::cerr << "mshtool: " << bonePath << ": the importer could not read the bone file\n";
        return false;
    }
    if (!session.importFile(mshPath)) {
        std::cerr << "mshtool: " << mshPath << ": the importer could not read the model file\n";
        return false;
    }
    if (session.sawMessages())
        lost = true;
    return true;
}

} // namespace mshtool
