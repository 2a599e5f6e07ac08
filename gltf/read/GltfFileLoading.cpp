#include "gltf/read/GltfFileLoading.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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

// Where the loader may look for the file's buffers and images: the file's own folder and
// nowhere else (the loader on its own also tries the current folder, which can hold another
// model's files of the same name); what it looked for there and did not find.
struct ResourceFolder {
    std::string folder;                 ///< the file's folder, absolute
    std::string prefix;                 ///< `folder` with a separator at its end
    const BinaryChunk* chunk = nullptr; ///< a .glb's binary chunk, when buffer 0 is named after it
    std::vector<std::string> missing;   ///< paths looked at in `folder` and not found
};

ResourceFolder resourceFolderOf(const std::string& file) {
    ResourceFolder found;
    std::error_code code;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(file), code);
    found.folder = (code ? std::filesystem::u8path(file) : absolute.lexically_normal())
                       .parent_path()
                       .u8string();
    if (found.folder.empty())
        found.folder = ".";
    found.prefix = found.folder;
    if ((found.prefix.back() != '/' && found.prefix.back() != '\\'))
        found.prefix += '/'; // as the loader joins a folder and a URI
    return found;
}

bool isChunkOf(const std::string& path, const ResourceFolder& folder) {
    return folder.chunk && isBinaryChunk(path);
}

bool fileExists(const std::string& path, void* user) {
    ResourceFolder& folder = *static_cast<ResourceFolder*>(user);
    if (isChunkOf(path, folder))
        return true;
    if (path.compare(0, folder.prefix.size(), folder.prefix) != 0)
        return false;
    if (tinygltf::FileExists(path, nullptr))
        return true;
    if (std::find(folder.missing.begin(), folder.missing.end(), path) == folder.missing.end())
        folder.missing.push_back(path);
    return false;
}

std::string expandFilePath(const std::string& path, void*) {
    return path; // no expansion of "~" or variables: a URI is a plain relative reference
}

bool readWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path,
                   void* user) {
    const ResourceFolder& folder = *static_cast<const ResourceFolder*>(user);
    if (!isChunkOf(path, folder))
        return tinygltf::ReadWholeFile(out, err, path, nullptr);
    const BinaryChunk& chunk = *folder.chunk;
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

// Names every resource the file refers to that is not in its folder; empty when none is missing.
std::string missingResourcesText(const ResourceFolder& folder) {
    std::string text;
    for (const std::string& path : folder.missing)
        text += (text.empty() ? "" : "; ") + std::string("cannot find \"") +
                path.substr(folder.prefix.size()) + "\", which the file refers to: looked for " +
                path;
    if (!text.empty())
        text += " (a glTF file's buffers and images are read from its own folder only)";
    return text;
}

// The JSON text of a .glb (its first chunk) or a .gltf (the whole file); for a .glb whose
// binary chunk follows as the format lays it out, where that chunk is.
bool readJsonText(const std::string& path, bool& binary, std::string& json, BinaryChunk& chunk,
                  bool& chunkFound) {
    chunkFound = false;
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in)
        return false;
    unsigned char header[20] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    size_t got = size_t(in.gcount());
    binary = got >= 4 && std::memcmp(header, "glTF", 4) == 0;
    if (!binary) {
        in.clear();
        in.seekg(0);
        json.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    if (got < 20 || littleEndian32(header + 16) != 0x4E4F534A) // "JSON"
        return false;
    std::error_code code;
    uint64_t size = std::filesystem::file_size(std::filesystem::u8path(path), code);
    uint64_t length = littleEndian32(header + 12);
    if (code || length > size - 20)
        return false;
    json.resize(size_t(length));
    if (!in.read(&json[0], std::streamsize(length)))
        return false;
    uint64_t binStart = 20 + length;
    unsigned char binHeader[8];
    if (littleEndian32(header + 4) != 2 || littleEndian32(header + 8) != size || length == 0 ||
        binStart % 4 != 0 || binStart + 12 > size ||
        !in.read(reinterpret_cast<char*>(binHeader), 8))
        return true;
    uint64_t binLength = littleEndian32(binHeader);
    if (littleEndian32(binHeader + 4) != 0x004E4942 || binLength % 4 != 0 ||
        binStart + 8 + binLength > size)
        return true;
    chunk.file = path;
    chunk.offset = binStart + 8;
    chunk.length = binLength;
    chunkFound = true;
    return true;
}

// Names buffer 0 after the binary chunk when it lies within it and every other buffer has a
// URI of its own; false for anything unusual, which the loader then reads and judges itself.
bool nameBinaryChunk(nlohmann::json& doc, BinaryChunk& chunk) {
    if (!doc.is_object() || !doc.contains("buffers") || !doc["buffers"].is_array() ||
        doc["buffers"].empty())
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
    if (byteLength == 0 || byteLength > chunk.length)
        return false;
    first["uri"] = binaryChunkName;
    chunk.length = byteLength;
    return true;
}

size_t skipSpace(const std::string& text, size_t at) {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
        ++at;
    return at;
}

// Where the object of buffers[0] opens in a JSON text (the last "buffers" key of the top level
// object, as a parser keeps it), or npos; npos too for a top-level key written with escapes,
// which could spell "buffers" in another way.
size_t firstBufferObject(const std::string& text) {
    size_t found = std::string::npos;
    int depth = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        char c = text[at];
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '"') {
            size_t start = at + 1;
            bool escaped = false;
            for (++at; at < text.size() && text[at] != '"'; ++at)
                if (text[at] == '\\') {
                    escaped = true;
                    ++at;
                }
            if (at >= text.size())
                return std::string::npos;
            size_t colon = skipSpace(text, at + 1);
            if (depth != 1 || colon >= text.size() || text[colon] != ':')
                continue;
            if (escaped)
                return std::string::npos;
            if (text.compare(start, at - start, "buffers") != 0)
                continue;
            size_t array = skipSpace(text, colon + 1);
            size_t object = array < text.size() && text[array] == '[' ? skipSpace(text, array + 1)
                                                                      : std::string::npos;
            found = object < text.size() && text[object] == '{' ? object : std::string::npos;
        }
    }
    return found;
}

// The JSON text with buffers[0] named after the binary chunk: written into the text where it
// can be found, so the loader parses the text as it came; else the parsed document written out.
std::string textNamingChunk(std::string& text, const nlohmann::json& doc) {
    size_t object = firstBufferObject(text);
    if (object == std::string::npos)
        return doc.dump();
    std::string named;
    named.swap(text);
    named.insert(object + 1, "\"uri\":" + nlohmann::json(binaryChunkName).dump() + ",");
    return named;
}

bool loadBinaryFile(tinygltf::TinyGLTF& loader, tinygltf::Model& model, std::string& err,
                    std::string& warn, const std::string& path, const std::string& folder) {
    std::vector<unsigned char> bytes;
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        err = "cannot read the file";
        return false;
    }
    return loader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(),
                                       static_cast<unsigned int>(bytes.size()), folder);
}

} // namespace

struct GltfFile::Json {
    bool read = false;
    bool chunkFound = false;
    std::string text;
    nlohmann::json doc;
    BinaryChunk chunk;
};

GltfFile::GltfFile(const std::string& file) : path(file), json(new Json) {
    json->read = readJsonText(path, binary, json->text, json->chunk, json->chunkFound);
    if (json->read)
        json->doc = nlohmann::json::parse(json->text, nullptr, false);
}

GltfFile::~GltfFile() {}

bool GltfFile::requiredExtensions(std::vector<std::string>& required) const {
    required.clear();
    const nlohmann::json& doc = json->doc;
    if (!json->read || doc.is_discarded() || !doc.is_object())
        return false;
    auto found = doc.find("extensionsRequired");
    if (found != doc.end() && found->is_array())
        for (const nlohmann::json& name : *found)
            if (name.is_string())
                required.push_back(name.get<std::string>());
    return true;
}

const nlohmann::json* GltfFile::document() const {
    return json && json->read && !json->doc.is_discarded() ? &json->doc : nullptr;
}

bool GltfFile::load(tinygltf::Model& model, std::string& err, std::string& warn) {
    ResourceFolder folder = resourceFolderOf(path);
    tinygltf::FsCallbacks files;
    files.FileExists = fileExists;
    files.ExpandFilePath = expandFilePath;
    files.ReadWholeFile = readWholeFile;
    files.WriteWholeFile = tinygltf::WriteWholeFile;
    files.user_data = &folder;
    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(keepImageBytes, nullptr);
    loader.SetFsCallbacks(files);

    bool withChunk = binary && json->chunkFound && !json->doc.is_discarded() &&
                     nameBinaryChunk(json->doc, json->chunk);
    std::string text;
    BinaryChunk chunk;
    if (withChunk) {
        text = textNamingChunk(json->text, json->doc);
        chunk = json->chunk;
        folder.chunk = &chunk;
    } else if (!binary) {
        text.swap(json->text);
    }
    json.reset(); // the parsed JSON is no longer needed while the loader builds the model
    bool loaded =
        binary && !withChunk
            ? loadBinaryFile(loader, model, err, warn, path, folder.folder)
            : loader.LoadASCIIFromString(&model, &err, &warn, text.data(),
                                         static_cast<unsigned int>(text.size()), folder.folder);
    if (withChunk && loaded && !model.buffers.empty())
        model.buffers[0].uri.clear(); // it lives in the file's binary chunk, as before
    std::string missing = missingResourcesText(folder);
    if (missing.empty())
        return loaded;
    err = missing; // what the loader says of it only repeats the URI
    return false;
}

} // namespace mshgltf
