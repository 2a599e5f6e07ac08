#include "exporter/ExportPaths.h"

// Paths shorter than the three characters to replace lose what they have.
static std::wstring replaceLastThree(const std::wstring& path, const wchar_t* suffix) {
    size_t keep = path.size() >= 3 ? path.size() - 3 : 0;
    return path.substr(0, keep) + suffix;
}

std::wstring bonePathFor(const std::wstring& exportPath) {
    return replaceLastThree(exportPath, L"bn");
}

std::wstring bbxPathFor(const std::wstring& exportPath) {
    return replaceLastThree(exportPath, L"BBX");
}

std::wstring fileNameOf(const std::wstring& path) {
    // The host and scripts pass both separators.
    size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring bbxBaseName(const std::wstring& bbxPath) {
    std::wstring name = fileNameOf(bbxPath);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::wstring();
}
