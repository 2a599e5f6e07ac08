#include "fuzz/ModelMutator.h"

#include "format/TextField.h"
#include "fuzz/SeedModels.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace fuzzing {
namespace {

using Random = std::mt19937;

size_t pick(Random& random, size_t count) {
    return count == 0 ? 0 : size_t(random() % count);
}

bool chance(Random& random, unsigned oneIn) {
    return random() % oneIn == 0;
}

// Values near the edges of a table of `size` entries, where off-by-one faults live.
int64_t edgeValue(Random& random, int64_t size) {
    const int64_t values[] = {0,      1,      2,        3,          4,
                              5,      -1,     size - 1, size,       size + 1,
                              0x7FFF, 0x8000, 0xFFFF,   0x7FFFFFFF, int64_t(random() % 70000)};
    return values[pick(random, sizeof values / sizeof values[0])];
}

float oddFloat(Random& random) {
    const float values[] = {0.0f,
                            1.0f,
                            -1.0f,
                            0.5f,
                            1e-40f,
                            3.4e38f,
                            -3.4e38f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            float(random() % 2000) / 1000.0f - 1.0f};
    return values[pick(random, sizeof values / sizeof values[0])];
}

std::vector<std::string> namePool(const ModelImage& image) {
    std::vector<std::string> names;
    names.push_back("NULL");
    names.push_back("");
    names.push_back(std::string(MSH_TEXT_FIELD_SIZE, 'A'));
    names.push_back("\xe9t\xe9\xff");
    names.push_back("..\\..\\up.png");
    for (const std::wstring& bone : sceneBoneNames())
        names.push_back(toUtf8(bone));
    for (const LegacyImage& r : image.legacy)
        names.push_back(readTextField(r.record.header.name, MSH_TEXT_FIELD_SIZE));
    for (const Mesh8Record& r : image.mesh8)
        names.push_back(readTextField(r.header.name, MSH_TEXT_FIELD_SIZE));
    return names;
}

void setText(char* field, const std::string& text) {
    std::memset(field, 0, MSH_TEXT_FIELD_SIZE);
    std::memcpy(field, text.data(),
                text.size() < MSH_TEXT_FIELD_SIZE ? text.size() : MSH_TEXT_FIELD_SIZE);
}

MshObjectHeader& headerOf(ModelImage& image, size_t index) {
    return image.layout == MshLayoutMesh8 ? image.mesh8[index].header
                                          : image.legacy[index].record.header;
}

void renameSomething(ModelImage& image, size_t index, Random& random) {
    std::vector<std::string> names = namePool(image);
    const std::string& name = names[pick(random, names.size())];
    MshObjectHeader& header = headerOf(image, index);
    switch (random() % 4) {
    case 0:
        setText(header.name, name);
        break;
    case 1:
        setText(header.parentName, name);
        break;
    case 2:
        setText(header.texturePath, name);
        break;
    default:
        if (image.layout == MshLayoutMesh8) {
            std::vector<Mesh8BoneRecord>& bones = image.mesh8[index].boneRecords;
            if (!bones.empty())
                setText(bones[pick(random, bones.size())].boneNames[random() % 4], name);
        } else {
            setText(image.legacy[index].record.boneNames[random() % 4], name);
        }
    }
}

// A header count set without touching the arrays: the framing now lies.
void lieAboutACount(ModelImage& image, size_t index, Random& random) {
    MshObjectHeader& header = headerOf(image, index);
    uint16_t* counts[] = {&header.numVerts, &header.numFaces, &header.numSkinVerts};
    uint16_t* count = counts[random() % 3];
    *count = uint16_t(edgeValue(random, *count));
}

void oddTransform(MshObjectHeader& header, Random& random) {
    float(*matrices[])[4] = {header.worldTM, header.localTM, header.scaleTM};
    float(*m)[4] = matrices[random() % 3];
    if (chance(random, 3))
        std::memset(m, 0, 16 * sizeof(float));
    else
        m[random() % 4][random() % 4] = oddFloat(random);
    if (chance(random, 4))
        header.boundsMax[random() % 3] = oddFloat(random);
}

template <typename Entry> void resizeLike(std::vector<Entry>& entries, size_t size) {
    // Grown entries copy existing ones, so they stay plausible.
    size_t old = entries.size();
    entries.resize(size);
    for (size_t i = old; i < size && old > 0; ++i)
        entries[i] = entries[i % old];
    for (size_t i = old; i < size && old == 0; ++i)
        std::memset(&entries[i], 0, sizeof(Entry));
}

size_t newSize(Random& random, size_t size, size_t limit) {
    size_t sizes[] = {
        0, 1, 2, 3, size + 1, size > 0 ? size - 1 : 0, size * 2 + 1, size_t(random() % 300)};
    size_t chosen = sizes[pick(random, sizeof sizes / sizeof sizes[0])];
    return chosen > limit ? limit : chosen;
}

void editLegacySkin(LegacyRecord& r, Random& random) {
    if (r.skinVertices.empty() || chance(random, 4)) {
        r.numBones = int32_t(edgeValue(random, r.numBones) % 7);
        return;
    }
    MshSkinVertex& s = r.skinVertices[pick(random, r.skinVertices.size())];
    switch (random() % 4) {
    case 0:
        s.vertex = int32_t(edgeValue(random, r.header.numVerts));
        break;
    case 1:
        s.count = int32_t(random() % 7) - 1;
        break;
    case 2:
        s.bone[random() % 4] = int32_t(edgeValue(random, r.numBones) % 6);
        break;
    default:
        s.weight[random() % 4] = oddFloat(random);
    }
}

void resizeLegacy(LegacyImage& image, Random& random) {
    LegacyRecord& r = image.record;
    switch (random() % 3) {
    case 0:
        resizeLike(r.vertices, newSize(random, r.vertices.size(), 2000));
        r.header.numVerts = uint16_t(r.vertices.size());
        break;
    case 1:
        resizeLike(r.faces, newSize(random, r.faces.size(), 2000));
        r.header.numFaces = uint16_t(r.faces.size());
        break;
    default:
        if (r.header.hasSkinBlock == 0) {
            r.header.numSkinVerts = uint16_t(newSize(random, r.header.numSkinVerts, 200));
            image.extras.assign(size_t(r.header.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE, '\0');
        } else {
            resizeLike(r.skinVertices, newSize(random, r.skinVertices.size(), 2000));
            r.header.numSkinVerts = uint16_t(r.skinVertices.size());
        }
    }
}

void toggleSkinBlock(LegacyImage& image) {
    LegacyRecord& r = image.record;
    if (r.header.hasSkinBlock == 0) {
        r.header.hasSkinBlock = 1;
        r.numBones = 1;
        image.extras.clear();
        r.skinVertices.assign(r.header.numSkinVerts, MshSkinVertex());
        for (size_t k = 0; k < r.skinVertices.size(); ++k) {
            std::memset(&r.skinVertices[k], 0, sizeof(MshSkinVertex));
            r.skinVertices[k].vertex = int32_t(k % (r.header.numVerts ? r.header.numVerts : 1));
            r.skinVertices[k].count = 1;
            r.skinVertices[k].weight[0] = 1.0f;
        }
    } else {
        r.header.hasSkinBlock = 0;
        r.skinVertices.clear();
        image.extras.assign(size_t(r.header.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE, '\0');
    }
}

void editLegacy(LegacyImage& image, Random& random) {
    LegacyRecord& r = image.record;
    switch (random() % 6) {
    case 0:
        if (!r.faces.empty())
            r.faces[pick(random, r.faces.size())].vertex[random() % 3] =
                uint32_t(edgeValue(random, r.header.numVerts));
        break;
    case 1:
        editLegacySkin(r, random);
        break;
    case 2:
        resizeLegacy(image, random);
        break;
    case 3:
        toggleSkinBlock(image);
        break;
    case 4:
        if (!r.vertices.empty())
            r.vertices[pick(random, r.vertices.size())].position[random() % 3] = oddFloat(random);
        break;
    default:
        if (!r.faces.empty())
            r.faces[pick(random, r.faces.size())].uvw[random() % 3][random() % 3] =
                oddFloat(random);
    }
}

void resizeMesh8(Mesh8Record& r, Random& random) {
    switch (random() % 3) {
    case 0:
        resizeLike(r.vertices, newSize(random, r.vertices.size(), MESH8_MAX_BLOCK_ENTRIES));
        break;
    case 1:
        resizeLike(r.indices, newSize(random, r.indices.size(), MESH8_MAX_BLOCK_ENTRIES));
        break;
    default:
        resizeLike(r.boneRecords, newSize(random, r.boneRecords.size(), 2000));
    }
}

void editMesh8(Mesh8Record& r, Random& random) {
    switch (random() % 6) {
    case 0:
        if (!r.indices.empty())
            r.indices[pick(random, r.indices.size())] =
                uint16_t(edgeValue(random, int64_t(r.vertices.size())));
        break;
    case 1:
        if (!r.boneRecords.empty())
            r.boneRecords[pick(random, r.boneRecords.size())].numBones = int32_t(random() % 8) - 2;
        break;
    case 2:
        resizeMesh8(r, random);
        break;
    case 3:
        if (!r.vertices.empty())
            r.vertices[pick(random, r.vertices.size())].weight[random() % 4] = oddFloat(random);
        break;
    case 4:
        if (!r.vertices.empty())
            r.vertices[pick(random, r.vertices.size())].position[random() % 3] = oddFloat(random);
        break;
    default: {
        // Header counts that the blocks do not frame: numVerts, numFaces, numSkinVerts.
        uint16_t* counts[] = {&r.header.numVerts, &r.header.numFaces, &r.header.numSkinVerts};
        uint16_t* count = counts[random() % 3];
        *count = uint16_t(edgeValue(random, *count));
    }
    }
}

template <typename Record> void editRecordList(std::vector<Record>& records, Random& random) {
    if (records.empty())
        return;
    size_t a = pick(random, records.size());
    size_t b = pick(random, records.size());
    switch (random() % 3) {
    case 0:
        if (records.size() < 64)
            records.insert(records.begin() + long(b), records[a]);
        break;
    case 1:
        records.erase(records.begin() + long(a));
        break;
    default:
        std::swap(records[a], records[b]);
    }
}

void editRecords(ModelImage& image, Random& random) {
    if (image.layout == MshLayoutMesh8)
        editRecordList(image.mesh8, random);
    else
        editRecordList(image.legacy, random);
    image.declaredCount = uint16_t(image.recordCount());
}

void editContainer(ModelImage& image, Random& random) {
    if (image.layout == MshLayoutMesh8 && chance(random, 2)) {
        // Another letter case of the magic, or one byte off.
        size_t at = pick(random, MSH_MESH8_MAGIC_SIZE);
        image.magic[at] = chance(random, 4) ? char(random()) : char(image.magic[at] ^ 0x20);
        return;
    }
    image.declaredCount = uint16_t(edgeValue(random, int64_t(image.recordCount())));
}

} // namespace

void mutateModelImage(ModelImage& image, std::mt19937& random) {
    size_t records = image.recordCount();
    unsigned what = random() % 16;
    if (records == 0 || what == 0) {
        editContainer(image, random);
        return;
    }
    size_t index = pick(random, records);
    if (what <= 3)
        renameSomething(image, index, random);
    else if (what == 4)
        lieAboutACount(image, index, random);
    else if (what == 5)
        oddTransform(headerOf(image, index), random);
    else if (what <= 7)
        editRecords(image, random);
    else if (image.layout == MshLayoutMesh8)
        editMesh8(image.mesh8[index], random);
    else
        editLegacy(image.legacy[index], random);
}

} // namespace fuzzing
