#include "gltf/core/NodeNaming.h"

namespace mshgltf {

std::string unnamedNodeName(size_t index) {
    return "node" + std::to_string(index);
}

bool nameCutToNothing(const std::string& name) {
    // UTF-8 lead bytes from 0xC4 up begin a character from U+0100 up.
    return name.empty() || name[0] == '\0' || (unsigned char)name[0] >= 0xC4;
}

std::string importedNodeName(const std::string& name, size_t index) {
    return nameCutToNothing(name) ? unnamedNodeName(index) : name;
}

void reportReplacedName(const std::string& name, const std::string& given, BridgeReport& report) {
    if (name.empty() || name == given)
        return;
    report.lose(given, "its name \"" + name +
                           "\" is not kept: it begins with a character above U+00FF, where a "
                           "model file's 8-bit name stops; named " +
                           given + " instead");
}

} // namespace mshgltf
