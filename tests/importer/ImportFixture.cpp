#include "ImportFixture.h"

#include "format/MshOutput.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace importtest {

void setField(char* field, const std::string& text) {
    std::memset(field, 0, MSH_TEXT_FIELD_SIZE);
    std::memcpy(field, text.data(), std::min<size_t>(text.size(), MSH_TEXT_FIELD_SIZE));
}

void setHeader(MshObjectHeader& header, const std::string& name, const std::string& parent) {
    setField(header.name, name);
    setField(header.parentName, parent);
    // A rotation with a different scale on each axis.
    const float rows[4][4] = {{0, 2, 0, 42}, {-4, 0, 0, 42}, {0, 0, 0.5f, 42}, {7, 8, 9, 42}};
    std::memcpy(header.worldTM, rows, sizeof rows);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            header.localTM[r][c] = 99.0f; // never used by the import
}

void expectWorldTM(INode* node) {
    // The node's controller keeps position, rotation and scale, not the matrix: the rebuilt
    // matrix may differ in its low bits.
    const float rows[4][3] = {{0, 2, 0}, {-4, 0, 0}, {0, 0, 0.5f}, {7, 8, 9}};
    Matrix3 tm = node->GetNodeTM(0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rows[r][c], tm.GetAddr()[r][c], 1e-5f) << "row " << r << " col " << c;
}

LegacyRecord legacyTriangle(const std::string& name, const std::string& parent) {
    LegacyRecord r;
    setHeader(r.header, name, parent);
    for (int i = 0; i < 3; ++i) {
        MshVertex v;
        std::memset(&v, 0, sizeof v);
        v.position[0] = float(i) + 0.5f;
        v.position[1] = float(i * 2);
        v.position[2] = -float(i);
        v.w = 1.0f;
        v.normal[0] = float(i);
        v.normal[2] = 1.0f;
        r.vertices.push_back(v);
    }
    MshFace f;
    std::memset(&f, 0, sizeof f);
    for (int c = 0; c < 3; ++c) {
        f.vertex[c] = uint32_t(2 - c); // not the identity, so an order mix-up shows
        f.uvw[c][0] = 0.25f * float(c + 1);
        f.uvw[c][1] = 0.5f + float(c);
        f.uvw[c][2] = 0.125f * float(c);
        f.cornerNormal[c][1] = 5.0f; // ignored by the import
    }
    r.faces.push_back(f);
    r.header.numVerts = 3;
    r.header.numFaces = 1;
    return r;
}

Mesh8Builder::Mesh8Builder(const std::string& n, const std::string& p) : name(n), parent(p) {}

int Mesh8Builder::vertex(const Point3& position, const Point3& normal,
                         const std::vector<std::string>& bones, const std::vector<float>& weights) {
    Source s;
    s.position = position;
    s.normal = normal;
    s.bones = bones;
    s.weights = weights;
    sources.push_back(s);
    return int(sources.size()) - 1;
}

void Mesh8Builder::face(int a, int b, int c) {
    corners.push_back(a);
    corners.push_back(b);
    corners.push_back(c);
}

Mesh8Record Mesh8Builder::build() const {
    Mesh8Record r;
    setHeader(r.header, name, parent);
    bool skinned = false;
    for (const Source& s : sources)
        skinned = skinned || !s.bones.empty();
    for (size_t k = 0; k < corners.size(); ++k) {
        const Source& s = sources[corners[k]];
        Mesh8Vertex v;
        std::memset(&v, 0, sizeof v);
        v.position[0] = s.position.x;
        v.position[1] = s.position.y;
        v.position[2] = s.position.z;
        v.vertexNormal[0] = s.normal.x;
        v.vertexNormal[1] = s.normal.y;
        v.vertexNormal[2] = s.normal.z;
        for (size_t l = 0; l < s.weights.size() && l < 4; ++l)
            v.weight[l] = s.weights[l];
        float f = float(k / 3), c = float(k % 3);
        v.uv[0] = f + c / 10.0f;
        v.uv[1] = f;
        v.cornerNormal[0] = f;
        v.cornerNormal[1] = c;
        v.cornerNormal[2] = 1.0f;
        r.vertices.push_back(v);
        r.indices.push_back(uint16_t(k));
    }
    r.header.numVerts = uint16_t(sources.size());
    r.header.numFaces = uint16_t(corners.size() / 3);
    if (skinned) {
        // As the exporter writes them: bone record i for the importer's vertex i, that is
        // in order of first use along the faces, then the vertices no face uses.
        std::vector<int> order;
        std::vector<bool> listed(sources.size(), false);
        for (int c : corners)
            if (!listed[c]) {
                listed[c] = true;
                order.push_back(c);
            }
        for (size_t v = 0; v < sources.size(); ++v)
            if (!listed[v])
                order.push_back(int(v));
        r.header.numSkinVerts = uint16_t(sources.size());
        for (int v : order) {
            const Source& s = sources[v];
            Mesh8BoneRecord b;
            std::memset(&b, 0, sizeof b);
            b.numBones = int32_t(s.bones.size());
            for (size_t l = 0; l < s.bones.size(); ++l)
                setField(b.boneNames[l], s.bones[l]);
            r.boneRecords.push_back(b);
        }
    }
    return r;
}

TempFolder::TempFolder() {
    static std::atomic<int> counter(0);
    folder = std::filesystem::temp_directory_path() /
             ("importer_tests_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(folder);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::wstring TempFolder::path(const std::wstring& fileName) const {
    return (folder / fileName).wstring();
}

std::wstring TempFolder::backslashPath(const std::wstring& fileName) const {
    return backslashFolder() + fileName;
}

std::wstring TempFolder::backslashFolder() const {
    return folder.wstring() + L"/sub\\";
}

std::string legacyBytes(const std::vector<LegacyRecord>& records) {
    MemoryOutput out;
    writeContainerStart(out, MshLayoutLegacy, unsigned(records.size()));
    for (const LegacyRecord& r : records) {
        MshError error;
        EXPECT_TRUE(writeLegacyRecord(out, r, error)) << error.describe();
    }
    return out.bytes();
}

std::string mesh8Bytes(const std::vector<Mesh8Record>& records) {
    MemoryOutput out;
    writeContainerStart(out, MshLayoutMesh8, unsigned(records.size()));
    for (const Mesh8Record& r : records) {
        MshError error;
        EXPECT_TRUE(writeMesh8Record(out, r, error)) << error.describe();
    }
    return out.bytes();
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(file.good());
}

int importFile(const std::wstring& path) {
    Talvex_MSH_IMPORT_15 importer;
    return importer.DoImport(path.c_str(), importInterface(), GetCOREInterface(), FALSE);
}

namespace {

INode* findBelow(INode* parent, const std::wstring& name) {
    for (int i = 0; i < parent->NumberOfChildren(); ++i) {
        INode* child = parent->GetChildNode(i);
        if (name == child->GetName())
            return child;
        if (INode* found = findBelow(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

INode* findNode(const std::wstring& name) {
    return findBelow(GetCOREInterface()->GetRootNode(), name);
}

IDerivedObject* stackOf(INode* node) {
    Object* object = node ? node->GetObjectRef() : nullptr;
    return dynamic_cast<IDerivedObject*>(object);
}

Mesh* meshOf(INode* node) {
    if (node == nullptr)
        return nullptr;
    Object* object = node->GetObjectRef();
    if (IDerivedObject* stack = dynamic_cast<IDerivedObject*>(object))
        object = stack->GetObjRef();
    TriObject* tri = dynamic_cast<TriObject*>(object);
    return tri ? &tri->GetMesh() : nullptr;
}

ISkin* skinOf(INode* node) {
    IDerivedObject* stack = stackOf(node);
    if (stack == nullptr || stack->NumModifiers() == 0)
        return nullptr;
    Modifier* modifier = stack->GetModifier(0);
    if (modifier->ClassID() != SKIN_CLASSID)
        return nullptr;
    return static_cast<ISkin*>(modifier->GetInterface(I_SKIN));
}

std::vector<std::pair<std::wstring, float>> weightsOf(INode* node, int vertex) {
    std::vector<std::pair<std::wstring, float>> result;
    ISkin* skin = skinOf(node);
    if (skin == nullptr)
        return result;
    ISkinContextData* data = skin->GetContextInterface(node);
    if (data == nullptr)
        return result;
    for (int b = 0; b < data->GetNumAssignedBones(vertex); ++b) {
        INode* bone = skin->GetBone(data->GetAssignedBone(vertex, b));
        result.emplace_back(bone ? bone->GetName() : L"?", data->GetBoneWeight(vertex, b));
    }
    return result;
}

std::vector<std::wstring> texts(const MessageBoxRecorder& recorder) {
    std::vector<std::wstring> result;
    for (const MessageBoxCall& call : recorder.calls()) {
        EXPECT_EQ(L"MSHImp", call.caption);
        EXPECT_EQ(unsigned(MB_OK), call.type);
        EXPECT_EQ(GetCOREInterface()->GetMAXHWnd(), call.owner);
        result.push_back(call.text);
    }
    return result;
}

std::wstring parentMessage(const std::string& name, const std::string& parent) {
    return L"Parent for [" + widenLatin1(name) + L"] not found on current scene. Parent name [" +
           widenLatin1(parent) + L"]";
}

std::wstring boneMessage(const std::string& name, const std::string& bone) {
    return L"Bone Parent for [" + widenLatin1(name) +
           L"] not found on current scene. Parent name [" + widenLatin1(bone) + L"]";
}

} // namespace importtest
