#include "cli/FileKind.h"

#include "cli/Platform.h"
#include "format/FilePaths.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "scene/CaseFolding.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

const uint64_t bbxFileSize = 280;
const uint64_t countSize = 2;
const uint64_t headerSize = sizeof(MshObjectHeader);
// JSON files are told apart by their "asset" member, looked for in the first bytes only.
const size_t probeSize = 64 * 1024;

bool startsWith(const std::string& bytes, const char* magic, size_t size) {
    return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

uint32_t littleEndian32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | (unsigned char)bytes[at + size_t(i)];
    return value;
}

std::string lowerExtension(const std::string& path) {
    return mshgltf::caseFolded(pathOf(path).extension().u8string());
}

// Picture and container formats that show up where models are expected.
bool identifyByMagic(const std::string& bytes, uint64_t size, FileKind& kind) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8))
        kind = FileKind::Png;
    else if (startsWith(bytes, "\xFF\xD8\xFF", 3))
        kind = FileKind::Jpeg;
    else if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6))
        kind = FileKind::Gif;
    else if (startsWith(bytes, "BM", 2) && bytes.size() >= 6 && littleEndian32(bytes, 2) == size)
        kind = FileKind::Bmp;
    else if (startsWith(bytes, "DDS ", 4))
        kind = FileKind::Dds;
    else if (startsWith(bytes, "PK\x03\x04", 4))
        kind = FileKind::Zip;
    else if (startsWith(bytes, "glTF", 4))
        kind = FileKind::Glb;
    else
        return false;
    return true;
}

bool identifyJson(const std::string& bytes, FileKind& kind) {
    size_t start = startsWith(bytes, "\xEF\xBB\xBF", 3) ? 3 : 0;
    start = bytes.find_first_not_of(" \t\r\n", start);
    if (start == std::string::npos || bytes[start] != '{')
        return false;
    kind = bytes.find("\"asset\"") != std::string::npos ? FileKind::Gltf : FileKind::Json;
    return true;
}

// A name field that reads as a record's text: printable bytes up to a zero byte or the end.
bool isTextField(const char* field, bool mayBeEmpty) {
    std::string text = readTextField(field, MSH_TEXT_FIELD_SIZE);
    if (text.empty())
        return mayBeEmpty;
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return (unsigned char)c < 0x20 || (unsigned char)c == 0x7F; });
}

FileIdentity identifyLegacy(const std::string& bytes, uint64_t size) {
    FileIdentity identity;
    identity.size = size;
    identity.kind = FileKind::Legacy;
    if (size < countSize) {
        identity.kind = FileKind::Foreign;
        identity.reason = "1 byte is too short for the object count";
        return identity;
    }
    uint64_t count = (unsigned char)bytes[0] | ((unsigned char)bytes[1] << 8);
    uint64_t needed = countSize + count * headerSize;
    if (count == 0 || size >= needed)
        return identity;
    if (bytes.size() >= countSize + headerSize) {
        MshObjectHeader header;
        std::memcpy(&header, bytes.data() + countSize, sizeof header);
        if (isTextField(header.name, true) && isTextField(header.parentName, false))
            return identity;
    }
    identity.kind = FileKind::Foreign;
    identity.reason = "its first two bytes count " + std::to_string(count) +
                      " objects, which take at least " + std::to_string(needed) +
                      " bytes, but the file has " + std::to_string(size);
    return identity;
}

std::string readStart(FILE* file, uint64_t size) {
    std::string bytes(size_t(std::min<uint64_t>(size, probeSize)), '\0');
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file));
    return bytes;
}

} // namespace

FileIdentity identifyFile(const std::string& path) {
    FileIdentity identity;
    std::error_code code;
    if (fs::is_directory(pathOf(path), code)) {
        identity.kind = FileKind::Folder;
        return identity;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(openFileForReading(fromUtf8(path)), &std::fclose);
    if (!file) {
        identity.reason = lastErrorText();
        return identity;
    }
    int64_t length = fileLength(file.get());
    identity.size = length > 0 ? uint64_t(length) : 0;
    std::string bytes = readStart(file.get(), identity.size);
    if (identity.size == 0)
        identity.kind = FileKind::Empty;
    else if (isMesh8Magic(bytes.data(), bytes.size()) && bytes.size() >= MSH_MESH8_MAGIC_SIZE)
        identity.kind = FileKind::Mesh8;
    else if (lowerExtension(path) == ".bbx" || identity.size == bbxFileSize)
        identity.kind = FileKind::Bbx;
    else if (!identifyByMagic(bytes, identity.size, identity.kind) &&
             !identifyJson(bytes, identity.kind))
        identity = identifyLegacy(bytes, identity.size);
    return identity;
}

bool isModel(FileKind kind) {
    return kind == FileKind::Legacy || kind == FileKind::Mesh8;
}

bool hasModelExtension(const std::string& path) {
    std::string ext = lowerExtension(path);
    return ext == ".msh" || ext == ".bn" || ext == ".bbx";
}

std::string describeKind(FileKind kind, const std::string& path) {
    switch (kind) {
    case FileKind::Folder:
        return "a folder";
    case FileKind::Empty:
        return "an empty file";
    case FileKind::Legacy:
        return lowerExtension(path) == ".bn" ? "a BN file" : "an MSH file (legacy layout)";
    case FileKind::Mesh8:
        return "an MSH file (Mesh8 layout)";
    case FileKind::Bbx:
        return "a BBX bounding-box file";
    case FileKind::Png:
        return "a PNG image";
    case FileKind::Jpeg:
        return "a JPEG image";
    case FileKind::Gif:
        return "a GIF image";
    case FileKind::Bmp:
        return "a BMP image";
    case FileKind::Dds:
        return "a DDS image";
    case FileKind::Zip:
        return "a ZIP archive";
    case FileKind::Glb:
        return "a binary glTF file (GLB)";
    case FileKind::Gltf:
        return "a glTF file";
    case FileKind::Json:
        return "a JSON file";
    default:
        return "not a model file";
    }
}

std::string notAModelMessage(const std::string& path, const FileIdentity& identity) {
    switch (identity.kind) {
    case FileKind::Unreadable:
        return path + ": cannot open the file: " + identity.reason;
    case FileKind::Foreign:
        return path + ": not an MSH or BN file: " + identity.reason;
    case FileKind::Bbx:
        return path + " is a BBX bounding-box file, not an MSH or BN file";
    default:
        return path + " is " + describeKind(identity.kind, path) + ", not a model file";
    }
}

} // namespace mshtool
