#pragma once
// What a file is, told from its first bytes and its size before anything reads it as a model:
// a model file given a PNG would otherwise report thousands of objects and a truncation.

#include <cstdint>
#include <string>

namespace mshtool {

enum class FileKind {
    Unreadable, ///< missing or cannot be opened
    Folder,
    Empty,
    Legacy, ///< MSH or BN file in the legacy layout (possibly damaged)
    Mesh8,  ///< MSH file in the Mesh8 layout (possibly damaged)
    Bbx,    ///< BBX bounding-box file (possibly damaged)
    Png,
    Jpeg,
    Gif,
    Bmp,
    Dds,
    Zip,
    Glb,
    Gltf,   ///< glTF JSON
    Json,   ///< other JSON
    Foreign ///< bytes that cannot be a model file; `reason` says why
};

struct FileIdentity {
    FileKind kind = FileKind::Unreadable;
    uint64_t size = 0;
    std::string reason; ///< why it is Unreadable or Foreign
};

/// Looks at the file's size and first bytes. A legacy count the file cannot hold makes it
/// Foreign, unless the first record's names read as text (a truncated model, reported as
/// such by the reader). A file named .bbx, or of exactly 280 bytes without the Mesh8 magic,
/// is a BBX file.
FileIdentity identifyFile(const std::string& path);

bool isModel(FileKind kind);
/// ".msh", ".bn" or ".bbx" in any letter case.
bool hasModelExtension(const std::string& path);
/// "a PNG image", "a folder", "an MSH file (legacy layout)", ...
std::string describeKind(FileKind kind, const std::string& path);
/// Why `path` is not what a command expected, as one message: "hero.png is a PNG image, not
/// a model file", "x.msh: not an MSH or BN file: ...", "x.msh: cannot open the file: ...".
std::string notAModelMessage(const std::string& path, const FileIdentity& identity);

} // namespace mshtool
