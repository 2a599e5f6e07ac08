#include "cli/OutputPlan.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/TextField.h"
#include "scene/CaseFolding.h"

#include <filesystem>
#include <map>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

// The file itself decides: equivalent() compares the files, not the names.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code code;
    return fs::equivalent(pathOf(a), pathOf(b), code) && !code;
}

std::wstring foldedName(const std::string& path) {
    return mshgltf::caseFolded(fromUtf8(pathText(fs::absolute(pathOf(path)).lexically_normal())));
}

} // namespace

bool outputsAreNotInputs(const std::string& command, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs) {
    for (const std::string& output : outputs)
        for (const std::string& input : inputs)
            if (!input.empty() && sameFile(input, output)) {
                std::string what = output == input
                                       ? output + " is both an input and an output"
                                       : output + " is the input " + input + " under another name";
                printMessage("mshtool " + command + ": " + what + "; nothing was read or written");
                return false;
            }
    return true;
}

bool outputsAreDistinct(const std::string& command, const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs) {
    std::map<std::wstring, size_t> first;
    bool distinct = true;
    for (size_t i = 0; i < outputs.size(); ++i) {
        auto added = first.emplace(foldedName(outputs[i]), i);
        if (added.second)
            continue;
        printMessage("mshtool " + command + ": " + inputs[added.first->second] + " and " +
                     inputs[i] + " would both be written to " + outputs[i] +
                     "; nothing was written");
        distinct = false;
    }
    return distinct;
}

} // namespace mshtool
