#include "scene/FileNames.h"

namespace mshgltf {

std::string lastPathComponent(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::wstring lastPathComponent(const std::wstring& path) {
    size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

} // namespace mshgltf
