#include "importer/ImportPath.h"

#include <cwctype>

static bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

ImportPathInfo analyseImportPath(const std::wstring& fileName) {
    ImportPathInfo info;
    std::wstring::size_type dot = fileName.rfind(L'.');
    if (dot != std::wstring::npos) {
        for (std::wstring::size_type i = dot + 1; i < fileName.size(); ++i)
            info.extension.push_back(static_cast<wchar_t>(towlower(fileName[i])));
    }
    info.isBoneFile = info.extension == L"bn";
    std::wstring::size_type slash = fileName.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        info.textureDir = fileName.substr(0, slash + 1);
    return info;
}

std::wstring lastPathComponent(const std::wstring& path) {
    std::wstring::size_type i = path.size();
    while (i > 0 && !isSeparator(path[i - 1]))
        --i;
    return path.substr(i);
}
