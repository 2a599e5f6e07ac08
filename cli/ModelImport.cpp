#include "cli/ModelImport.h"

#include "cli/Console.h"
#include "cli/FileKind.h"
#include "cli/Platform.h"
#include "cli/RecordSummary.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <filesystem>
#include <set>

namespace mshtool {
namespace {

// The bones the model's skins name that the scene does not have.
std::set<std::string> missingBones(const std::string& mshPath) {
    std::set<std::string> missing;
    for (const RecordSummary& record : summariseFile(mshPath).objects)
        for (const std::string& bone : record.bones) {
            std::wstring name = fromUtf8(bone);
            if (!GetCOREInterface()->GetINodeByName(name.c_str()))
                missing.insert(bone);
        }
    return missing;
}

// The importer names each bone it misses, but not where the bones were looked for: one line
// says which BN file that was and how to give another.
void explainMissingBones(const std::string& mshPath) {
    std::filesystem::path expected = pathOf(mshPath);
    expected.replace_extension(".bn");
    std::error_code code;
    if (std::filesystem::exists(expected, code)) // there, so left out with --no-bones
        return;
    size_t missing = missingBones(mshPath).size();
    if (missing == 0)
        return;
    printMessage("mshtool: " + mshPath + ": " + std::to_string(missing) +
                 (missing == 1 ? " bone its skin needs is" : " bones its skins need are") +
                 " missing: there is no " + pathText(expected) +
                 " beside it; give its BN file with --bones BN");
}

bool isBoneFileName(const std::string& path) {
    std::string extension = pathOf(path).extension().u8string();
    return extension.size() == 3 && (extension[1] | 0x20) == 'b' && (extension[2] | 0x20) == 'n';
}

} // namespace

std::string boneFileFor(const std::string& mshPath, const std::string& explicitBones,
                        bool noBones) {
    if (!explicitBones.empty())
        return explicitBones;
    if (noBones)
        return std::string();
    for (const char* extension : {".bn", ".BN"}) {
        std::filesystem::path candidate = pathOf(mshPath);
        candidate.replace_extension(extension);
        std::error_code code;
        if (candidate != pathOf(mshPath) && std::filesystem::is_regular_file(candidate, code))
            return pathText(candidate);
    }
    return std::string();
}

bool isImportableModel(const std::string& path, bool boneFile) {
    FileIdentity identity = identifyFile(path);
    if (boneFile && identity.kind == FileKind::Mesh8) {
        printMessage("mshtool: " + path + " is " + describeKind(identity.kind, path) +
                     ", not a BN file");
        return false;
    }
    if (isModel(identity.kind))
        return true;
    printMessage("mshtool: " + notAModelMessage(path, identity));
    return false;
}

bool refuseBoneFileAsModel(const std::string& path) {
    if (!isBoneFileName(path) || identifyFile(path).kind != FileKind::Legacy)
        return false;
    printMessage("mshtool: " + path + " is a BN file, which holds bones only: give the MSH file " +
                 "as the model and this one with --bones " + path);
    return true;
}

std::vector<std::string> exportedFiles(const std::string& mshPath, bool bones, bool mesh8) {
    std::vector<std::string> files{mshPath};
    std::string stem = mshPath.substr(0, mshPath.size() >= 3 ? mshPath.size() - 3 : 0);
    if (bones)
        files.push_back(stem + "bn");
    if (bones && !mesh8)
        files.push_back(stem + "BBX");
    return files;
}

bool importModel(PluginSession& session, const std::string& mshPath, const std::string& bonePath,
                 bool& lost) {
    resetScene();
    session.clearMessages();
    if (!bonePath.empty() && !session.importFile(bonePath)) {
        printMessage("mshtool: " + bonePath + ": the importer could not read the bone file");
        return false;
    }
    if (!session.importFile(mshPath)) {
        printMessage("mshtool: " + mshPath + ": the importer could not read the model file");
        return false;
    }
    if (session.sawMessages()) {
        lost = true;
        if (bonePath.empty())
            explainMissingBones(mshPath);
    }
    return true;
}

} // namespace mshtool
