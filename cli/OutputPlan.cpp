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

// A file's size, or -1 when it is not there: one file under two names has one size, so only
// files of equal size need comparing (a batch of hundreds would otherwise ask the system
// about every pair).
std::vector<std::uintmax_t> sizesOf(const std::vector<std::string>& paths) {
    std::vector<std::uintmax_t> sizes;
    for (const std::string& path : paths) {
        std::error_code code;
        std::uintmax_t size = path.empty() ? std::uintmax_t(-1) : fs::file_size(pathOf(path), code);
        sizes.push_back(code ? std::uintmax_t(-1) : size);
    }
    return sizes;
}

} // namespace

bool outputsAreNotInputs(const std::string& command, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs) {
    std::vector<std::uintmax_t> inputSizes = sizesOf(inputs), outputSizes = sizesOf(outputs);
    for (size_t o = 0; o < outputs.size(); ++o)
        for (size_t i = 0; i < inputs.size(); ++i) {
            const std::string &output = outputs[o], &input = inputs[i];
            if (outputSizes[o] != std::uintmax_t(-1) && inputSizes[i] == outputSizes[o] &&
                sameFile(input, output)) {
                std::string what = output == input
                                       ? output + " is both an input and an output"
                                       : output + " is the input " + input + " under another name";
                printMessage("mshtool " + command + ": " + what + "; nothing was read or written");
                return false;
            }
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
