#include "gltf/GltfFileLoading.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace mshgltf {
namespace {

// Keeps image files encoded: the bridge copies bitmaps, it never decodes them.
bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*) {
    image->image.assign(bytes, bytes + std::max(0, size));
    image->as_is = true;
    return true;
}

uint32_t littleEndian32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The name buffer 0 of a .glb gets for the loader, which then asks for it through the file
// callbacks below and gets the binary chunk.
const char* const binaryChunkName = "~mshtool~glb~binary~chunk~";

bool isBinaryChunk(const std::string& path) {
    const std::string name = binaryChunkName;
    return path.size() >= name.size() &&
           path.compare(path.size() - name.size(), name.size(), name) == 0;
}

// Where a .glb's binary chunk is, for the file callbacks.
struct BinaryChunk {
    std::string file;
    uint64_t offset = 0;
    uint64_t length = 0; ///< buffer 0's byteLength, within the chunk
};

bool fileExists(const std::string& path, void* chunk) {
    return isBinaryChunk(path) || tinygltf::FileExists(path, chunk);
}

std::string expandFilePath(const std::string& path, void* chunk) {
    return isBinaryChunk(path) ? path : tinygltf::ExpandFilePath(path, chunk);
}

bool readWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path,
                   void* user) {
    if (!isBinaryChunk(path))
        return tinygltf::ReadWholeFile(out, err, path, user);
    const BinaryChunk& chunk = *static_cast<const BinaryChunk*>(user);
    std::ifstream in(std::filesystem::u8path(chunk.file), std::ios::binary);
    in.seekg(std::streamoff(chunk.offset));
    out->resize(size_t(chunk.length));
    in.read(reinterpret_cast<char*>(out->data()), std::streamsize(chunk.length));
    if (!in || uint64_t(in.gcount()) != chunk.length) {
        if (err)
            *err += "cannot read the binary chunk of " + chunk.file + "\n";
        return false;
    }
    return true;
}

std::string baseDirOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The JSON of a well-formed .glb with buffer 0 renamed to the binary chunk, and where that
// chunk is; false for anything unusual, which the loader then reads and judges itself.
bool glbWithNamedChunk(const std::string& path, std::string& json, BinaryChunk& chunk) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::error_code code;
    uint64_t size = std::filesystem::file_size(std::filesystem::u8path(path), code);
    unsigned char header[20];
    if (!in || code || !in.read(reinterpret_cast<char*>(header), 20))
        return false;
    uint64_t jsonLength = littleEndian32(header + 12);
    uint64_t binStart = 20 + jsonLength;
    if (std::memcmp(header, "glTF", 4) != 0 || littleEndian32(header + 4) != 2 ||
        littleEndian32(header + 8) != size || littleEndian32(header + 16) != 0x4E4F534A ||
        jsonLength == 0 || binStart % 4 != 0 || binStart + 12 > size)
        return false;
    json.resize(size_t(jsonLength));
    unsigned char binHeader[8];
    if (!in.read(&json[0], std::streamsize(jsonLength)) ||
        !in.read(reinterpret_cast<char*>(binHeader), 8))
        return false;
    uint64_t binLength = littleEndian32(binHeader);
    if (littleEndian32(binHeader + 4) != 0x004E4942 || binLength % 4 != 0 ||
        binStart + 8 + binLength > size)
        return false;
    nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("buffers") ||
        !doc["buffers"].is_array() || doc["buffers"].empty())
        return false;
    nlohmann::json& buffers = doc["buffers"];
    for (size_t i = 1; i < buffers.size(); ++i)
        if (!buffers[i].is_object() || !buffers[i].contains("uri"))
            return false;
    nlohmann::json& first = buffers[0];
    if (!first.is_object() || first.contains("uri") || !first.contains("byteLength") ||
        !first["byteLength"].is_number_unsigned())
        return false;
    uint64_t byteLength = first["byteLength"].get<uint64_t>();
    if (byteLength == 0 || byteLength > binLength)
        return false;
    first["uri"] = binaryChunkName;
    json = doc.dump();
    chunk.file = path;
    chunk.offset = binStart + 8;
    chunk.length = byteLength;
    return true;
}

} // namespace

bool loadGltfModel(const std::string& path, bool binary, tinygltf::Model& model, std::string& err,
                   std::string& warn) {
    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(keepImageBytes, nullptr);
    std::string json;
    BinaryChunk chunk;
    if (!binary || !glbWithNamedChunk(path, json, chunk))
        return binary ? loader.LoadBinaryFromFile(&model, &err, &warn, path)
                      : loader.LoadASCIIFromFile(&model, &err, &warn, path);
    tinygltf::FsCallbacks files;
    files.FileExists = fileExists;
    files.ExpandFilePath = expandFilePath;
    files.ReadWholeFile = readWholeFile;
    files.WriteWholeFile = tinygltf::WriteWholeFile;
    files.user_data = &chunk;
    loader.SetFsCallbacks(files);
    bool loaded = loader.LoadASCIIFromString(
        &model, &err, &warn, json.data(), static_cast<unsigned int>(json.size()), baseDirOf(path));
    if (loaded && !model.buffers.empty())
        model.buffers[0].uri.clear(); // it lives in the file's binary chunk, as before
    return loaded;
}

} // namespace mshgltf
