#include "gltf/read/GltfJsonChecks.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace mshgltf {
namespace {

using nlohmann::json;

// The version word of a binary glTF's header; 0 for anything else.
uint32_t glbVersion(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    unsigned char header[8] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() != 8 || std::string(reinterpret_cast<char*>(header), 4) != "glTF")
        return 0;
    return uint32_t(header[4]) | uint32_t(header[5]) << 8 | uint32_t(header[6]) << 16 |
           uint32_t(header[7]) << 24;
}

// glTF 1.0 keeps its objects in dictionaries by id, and names the scene by id.
bool looksLikeVersion1(const json& doc) {
    for (const char* key : {"accessors", "buffers", "materials", "meshes", "nodes", "scenes"}) {
        auto found = doc.find(key);
        if (found != doc.end() && found->is_object())
            return true;
    }
    auto scene = doc.find("scene");
    return scene != doc.end() && scene->is_string();
}

enum class Kind { Object, Array, Index, Integer, Number, Bool, Indices, Numbers };

struct Expected {
    Kind kind;
    size_t count; ///< for Numbers: how many
};

bool fits(const json& v, Expected e) {
    switch (e.kind) {
    case Kind::Object:
        return v.is_object();
    case Kind::Array:
        return v.is_array();
    case Kind::Index:
        return v.is_number_integer() && v.get<long long>() >= 0;
    case Kind::Integer:
        return v.is_number_integer();
    case Kind::Number:
        return v.is_number();
    case Kind::Bool:
        return v.is_boolean();
    case Kind::Indices:
        if (!v.is_array())
            return false;
        for (const json& item : v)
            if (!fits(item, Expected{Kind::Index, 0}))
                return false;
        return true;
    case Kind::Numbers:
        if (!v.is_array() || v.size() != e.count)
            return false;
        for (const json& item : v)
            if (!item.is_number())
                return false;
        return true;
    }
    return false;
}

std::string expectedText(Expected e) {
    switch (e.kind) {
    case Kind::Object:
        return "an object";
    case Kind::Array:
        return "an array";
    case Kind::Index:
        return "an index from 0";
    case Kind::Integer:
        return "a whole number";
    case Kind::Number:
        return "a number";
    case Kind::Bool:
        return "true or false";
    case Kind::Indices:
        return "an array of indices";
    case Kind::Numbers:
        return "an array of " + std::to_string(e.count) + " numbers";
    }
    return "";
}

std::string foundText(const json& v) {
    if (v.is_object())
        return "an object";
    if (v.is_array()) {
        std::string text = v.dump();
        return text.size() <= 24 ? text : "an array of " + std::to_string(v.size());
    }
    if (v.is_string())
        return "a string";
    if (v.is_null())
        return "null";
    return v.dump(); // a number or a boolean, as written
}

class MemberCheck {
public:
    MemberCheck(BridgeReport& problems, std::string& message) : report(problems), error(message) {}

    /// `object[key]` when it is there and of the `expected` type; null otherwise, after saying
    /// so (`refuse`: as the error, else `lost:` with `consequence`).
    const json* member(const json& object, const std::string& path, const char* key,
                       Expected expected, const char* consequence, bool refuse = false) {
        auto found = object.find(key);
        if (found == object.end())
            return nullptr;
        if (fits(*found, expected))
            return &*found;
        std::string text = (path.empty() ? "" : path + ".") + key + " is " + foundText(*found) +
                           " where glTF has " + expectedText(expected) + "; " + consequence;
        if (!refuse)
            report.losses.push_back(text);
        else if (error.empty())
            error = text;
        return nullptr;
    }
    const json* refused(const json& object, const std::string& path, const char* key,
                        Expected expected) {
        return member(object, path, key, expected, "the file cannot be read as it stands", true);
    }
    bool failed() const { return !error.empty(); }

private:
    BridgeReport& report;
    std::string& error;
};

const Expected anObject = {Kind::Object, 0}, anArray = {Kind::Array, 0}, anIndex = {Kind::Index, 0},
               indices = {Kind::Indices, 0};

Expected numbers(size_t count) {
    return Expected{Kind::Numbers, count};
}

// The elements of `doc[key]` that are objects, with their paths; the loader itself refuses
// a collection or an element of another type.
template <class Visit> void eachObject(const json& doc, const char* key, Visit visit) {
    auto found = doc.find(key);
    if (found == doc.end() || !found->is_array())
        return;
    for (size_t i = 0; i < found->size(); ++i)
        if ((*found)[i].is_object())
            visit((*found)[i], std::string(key) + "[" + std::to_string(i) + "]");
}

void checkPrimitives(const json& mesh, const std::string& path, MemberCheck& check) {
    const json* primitives =
        check.member(mesh, path, "primitives", anArray, "the mesh's geometry is not kept");
    if (!primitives)
        return;
    for (size_t p = 0; p < primitives->size(); ++p) {
        const json& primitive = (*primitives)[p];
        std::string at = path + ".primitives[" + std::to_string(p) + "]";
        if (!primitive.is_object())
            continue; // the loader refuses it
        if (const json* attributes = check.refused(primitive, at, "attributes", anObject))
            for (auto attribute = attributes->begin(); attribute != attributes->end(); ++attribute)
                check.refused(*attributes, at + ".attributes", attribute.key().c_str(), anIndex);
        check.refused(primitive, at, "indices", anIndex);
        check.refused(primitive, at, "mode", Expected{Kind::Integer, 0});
        check.member(primitive, at, "material", anIndex, "its material is not kept");
    }
}

void checkTextureTransform(const json& info, const std::string& path, MemberCheck& check) {
    const char* notApplied = "the texture transform is not applied";
    const json* extensions = check.member(info, path, "extensions", anObject, notApplied);
    if (!extensions)
        return;
    std::string at = path + ".extensions";
    const json* transform =
        check.member(*extensions, at, "KHR_texture_transform", anObject, notApplied);
    if (!transform)
        return;
    at += ".KHR_texture_transform";
    check.member(*transform, at, "offset", numbers(2), notApplied);
    check.member(*transform, at, "scale", numbers(2), notApplied);
    check.member(*transform, at, "rotation", Expected{Kind::Number, 0}, notApplied);
    check.member(*transform, at, "texCoord", anIndex, notApplied);
}

void checkMaterial(const json& material, const std::string& path, MemberCheck& check) {
    check.member(material, path, "doubleSided", Expected{Kind::Bool, 0},
                 "its two-sided flag is not kept");
    const json* pbr = check.member(material, path, "pbrMetallicRoughness", anObject,
                                   "its base colour and texture are not kept");
    if (!pbr)
        return;
    std::string at = path + ".pbrMetallicRoughness";
    check.member(*pbr, at, "baseColorFactor", numbers(4), "its base colour is not kept");
    const char* noTexture = "the material's texture is not kept";
    const json* info = check.member(*pbr, at, "baseColorTexture", anObject, noTexture);
    if (!info)
        return;
    at += ".baseColorTexture";
    check.member(*info, at, "index", anIndex, noTexture);
    check.member(*info, at, "texCoord", anIndex, "the texture's UV set is not kept");
    checkTextureTransform(*info, at, check);
}

void checkNode(const json& node, const std::string& path, MemberCheck& check) {
    check.refused(node, path, "children", indices);
    check.refused(node, path, "mesh", anIndex);
    check.refused(node, path, "skin", anIndex);
    check.refused(node, path, "matrix", numbers(16));
    check.refused(node, path, "translation", numbers(3));
    check.refused(node, path, "rotation", numbers(4));
    check.refused(node, path, "scale", numbers(3));
}

} // namespace

bool checkGltfVersion(const std::string& path, const json* doc, std::string& error) {
    uint32_t binaryVersion = glbVersion(path);
    std::string version;
    if (binaryVersion != 0 && binaryVersion != 2) {
        version = std::to_string(binaryVersion) + ".0";
    } else if (doc && doc->is_object()) {
        auto asset = doc->find("asset");
        if (asset != doc->end() && asset->is_object() && asset->contains("version") &&
            (*asset)["version"].is_string())
            version = (*asset)["version"].get<std::string>();
        else if (looksLikeVersion1(*doc))
            version = "1.0";
        if (version.rfind("2.", 0) == 0)
            version.clear();
    }
    if (version.empty())
        return true;
    error = "a glTF " + version + " file; only glTF 2.0 is read";
    return false;
}

bool checkMemberTypes(const json& doc, BridgeReport& report, std::string& error) {
    if (!doc.is_object())
        return true;
    std::string message;
    MemberCheck check(report, message);
    check.refused(doc, "", "scene", anIndex);
    // The loader passes over a collection that is no array, and a reference into it would
    // then read as one to an element that does not exist.
    for (const char* collection : {"accessors", "bufferViews", "buffers", "images", "materials",
                                   "meshes", "nodes", "scenes", "skins", "textures"})
        check.refused(doc, "", collection, anArray);
    eachObject(doc, "scenes", [&](const json& scene, const std::string& path) {
        check.refused(scene, path, "nodes", indices);
    });
    eachObject(doc, "nodes",
               [&](const json& node, const std::string& path) { checkNode(node, path, check); });
    eachObject(doc, "skins", [&](const json& skin, const std::string& path) {
        check.refused(skin, path, "joints", indices);
        check.refused(skin, path, "inverseBindMatrices", anIndex);
    });
    eachObject(doc, "meshes", [&](const json& mesh, const std::string& path) {
        checkPrimitives(mesh, path, check);
    });
    eachObject(doc, "materials", [&](const json& material, const std::string& path) {
        checkMaterial(material, path, check);
    });
    eachObject(doc, "textures", [&](const json& texture, const std::string& path) {
        check.member(texture, path, "source", anIndex, "the texture's image is not kept");
    });
    if (!check.failed())
        return true;
    error = message;
    return false;
}

} // namespace mshgltf
