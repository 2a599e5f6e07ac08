#ifndef MSH_IMPORTER_IMPORTPATH_H
#define MSH_IMPORTER_IMPORTPATH_H

#include <string>

/// What the import derives from the chosen file's path alone.
struct ImportPathInfo {
    std::wstring extension;  ///< after the last ".", lower-cased; empty without a "."
    bool isBoneFile;         ///< the extension is "bn" in any letter case
    std::wstring textureDir; ///< the path up to and including its last "\" or "/"

    ImportPathInfo() : isBoneFile(false) {}
};

/// Splits the path as the importer needs it. Both "\" and "/" separate folders, since the
/// host and scripts pass either.
ImportPathInfo analyseImportPath(const std::wstring& fileName);

/// The characters after the last "\" or "/" (the whole text when it holds neither).
std::wstring lastPathComponent(const std::wstring& path);

#endif
