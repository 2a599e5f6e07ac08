#include "fuzz/ModelImage.h"

#include <cstring>

namespace fuzzing {
namespace {

class ByteCursor {
public:
    ByteCursor(const uint8_t* bytes, size_t size) : data(bytes), total(size), position(0) {}

    bool read(void* dest, size_t size) {
        if (size > total - position)
            return false;
        if (size > 0)
            std::memcpy(dest, data + position, size);
        position += size;
        return true;
    }
    template <typename Entry> bool readArray(std::vector<Entry>& entries, size_t count) {
        if (count > (total - position) / sizeof(Entry))
            return false;
        entries.resize(count);
        return count == 0 || read(&entries[0], count * sizeof(Entry));
    }
    bool readBytes(std::string& out, size_t count) {
        if (count > total - position)
            return false;
        out.assign(reinterpret_cast<const char*>(data + position), count);
        position += count;
        return true;
    }
    std::string rest() const {
        return std::string(reinterpret_cast<const char*>(data + position), total - position);
    }

private:
    const uint8_t* data;
    size_t total;
    size_t position;
};

bool parseLegacy(ByteCursor& in, LegacyImage& image) {
    LegacyRecord& r = image.record;
    if (!in.read(&r.header, sizeof r.header) || !in.readArray(r.vertices, r.header.numVerts) ||
        !in.readArray(r.faces, r.header.numFaces))
        return false;
    if (r.header.hasSkinBlock == 0)
        return in.readBytes(image.extras, size_t(r.header.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE);
    return in.read(&r.numBones, sizeof r.numBones) &&
           in.read(r.boneNames, framedBoneNames(r.numBones) * MSH_TEXT_FIELD_SIZE) &&
           in.readArray(r.skinVertices, r.header.numSkinVerts);
}

template <typename Entry> bool parseBlock(ByteCursor& in, std::vector<Entry>& entries) {
    int16_t count = 0;
    return in.read(&count, sizeof count) && count >= 0 && in.readArray(entries, size_t(count));
}

bool parseMesh8(ByteCursor& in, Mesh8Record& r) {
    return in.read(&r.header, sizeof r.header) && parseBlock(in, r.vertices) &&
           parseBlock(in, r.indices) && parseBlock(in, r.boneRecords);
}

template <typename Entry> void appendArray(std::string& out, const std::vector<Entry>& entries) {
    if (!entries.empty())
        out.append(reinterpret_cast<const char*>(&entries[0]), entries.size() * sizeof(Entry));
}

template <typename Value> void appendValue(std::string& out, const Value& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename Entry> void appendBlock(std::string& out, const std::vector<Entry>& entries) {
    appendValue(out, int16_t(entries.size()));
    appendArray(out, entries);
}

void appendLegacy(std::string& out, const LegacyImage& image) {
    const LegacyRecord& r = image.record;
    appendValue(out, r.header);
    appendArray(out, r.vertices);
    appendArray(out, r.faces);
    if (r.header.hasSkinBlock == 0) {
        out += image.extras;
        return;
    }
    appendValue(out, r.numBones);
    out.append(r.boneNames[0], framedBoneNames(r.numBones) * MSH_TEXT_FIELD_SIZE);
    appendArray(out, r.skinVertices);
}

void appendMesh8(std::string& out, const Mesh8Record& r) {
    appendValue(out, r.header);
    appendBlock(out, r.vertices);
    appendBlock(out, r.indices);
    appendBlock(out, r.boneRecords);
}

} // namespace

ModelImage::ModelImage() : layout(MshLayoutLegacy), declaredCount(0) {
    std::memcpy(magic, MSH_MESH8_MAGIC, sizeof magic);
}

size_t framedBoneNames(int32_t numBones) {
    if (numBones < 0)
        return 0;
    return numBones > MSH_MAX_BONES ? MSH_MAX_BONES : size_t(numBones);
}

bool parseModelImage(const uint8_t* data, size_t size, ModelImage& image) {
    image = ModelImage();
    ByteCursor in(data, size);
    image.layout = isMesh8Magic(reinterpret_cast<const char*>(data), size < 6 ? size : 6)
                       ? MshLayoutMesh8
                       : MshLayoutLegacy;
    if (image.layout == MshLayoutMesh8)
        in.read(image.magic, sizeof image.magic);
    if (!in.read(&image.declaredCount, sizeof image.declaredCount))
        return false;
    for (unsigned i = 0; i < image.declaredCount; ++i) {
        bool framed;
        if (image.layout == MshLayoutMesh8) {
            image.mesh8.push_back(Mesh8Record());
            framed = parseMesh8(in, image.mesh8.back());
        } else {
            image.legacy.push_back(LegacyImage());
            framed = parseLegacy(in, image.legacy.back());
        }
        if (!framed)
            return false;
    }
    image.trailing = in.rest();
    return true;
}

std::string serializeModelImage(const ModelImage& image) {
    std::string out;
    if (image.layout == MshLayoutMesh8)
        out.append(image.magic, sizeof image.magic);
    appendValue(out, image.declaredCount);
    for (const LegacyImage& r : image.legacy)
        appendLegacy(out, r);
    for (const Mesh8Record& r : image.mesh8)
        appendMesh8(out, r);
    out += image.trailing;
    return out;
}

} // namespace fuzzing
