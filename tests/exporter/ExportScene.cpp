#include "ExportScene.h"

#include "exporter/Talvex_MSH_EXPORT.h"
#include "format/TextField.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace exporttest {

SceneFixture::SceneFixture() {
    resetScene();
    char pattern[] = "/tmp/exporter-test-XXXXXX";
    char* made = mkdtemp(pattern);
    folder = made ? made : "/tmp";
}

SceneFixture::~SceneFixture() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    resetScene();
}

std::wstring SceneFixture::path(const std::string& name) const {
    return fromUtf8(folder + "/" + name);
}

TriObject* makeMesh(const std::vector<Point3>& positions,
                    const std::vector<std::array<int, 3>>& faces, const std::vector<Point3>& uvs) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    mesh.setNumVerts(static_cast<int>(positions.size()));
    for (size_t i = 0; i < positions.size(); ++i)
        mesh.setVert(static_cast<int>(i), positions[i]);
    mesh.setNumFaces(static_cast<int>(faces.size()));
    for (size_t f = 0; f < faces.size(); ++f)
        mesh.faces[f].setVerts(faces[f][0], faces[f][1], faces[f][2]);
    if (!uvs.empty()) {
        mesh.setNumTVerts(static_cast<int>(uvs.size()));
        for (size_t i = 0; i < uvs.size(); ++i)
            mesh.setTVert(static_cast<int>(i), uvs[i]);
        mesh.setNumTVFaces(static_cast<int>(faces.size()));
        for (size_t f = 0; f < faces.size(); ++f)
            mesh.tvFace[f].setTVerts(faces[f][0], faces[f][1], faces[f][2]);
    }
    mesh.InvalidateGeomCache();
    return tri;
}

TriObject* makeTetra(float shift) {
    return makeMesh(
        {Point3(shift, 0, 0), Point3(shift + 1, 0, 0), Point3(shift, 1, 0), Point3(shift, 0, 1)},
        {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}},
        {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(0.5f, 0.5f, 0)});
}

INode* addNode(const std::wstring& name, Object* object, const Matrix3& world, INode* parent) {
    INode* node = GetCOREInterface()->CreateObjectNode(object);
    node->SetName(name.c_str());
    if (parent)
        parent->AttachChild(node, TRUE);
    Matrix3 tm = world;
    node->SetNodeTM(0, tm);
    return node;
}

Matrix3 moved(float x, float y, float z) {
    Matrix3 tm(TRUE);
    tm.SetTrans(Point3(x, y, z));
    return tm;
}

StdMat2* texturedMaterial(const std::wstring& bitmapPath, bool twoSided) {
    StdMat2* material = NewDefaultStdMat();
    material->SetTwoSided(twoSided ? TRUE : FALSE);
    if (!bitmapPath.empty()) {
        BitmapTex* texture = NewDefaultBitmapTex();
        texture->SetMapName(bitmapPath.c_str());
        material->SetSubTexmap(ID_DI, texture);
    }
    return material;
}

void addSkin(INode* node, const std::vector<INode*>& bones,
             const std::vector<std::vector<std::pair<int, float>>>& weights) {
    Modifier* skin = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    ASSERT_NE(nullptr, skin);
    IDerivedObject* stack = CreateDerivedObject(node->GetObjectRef());
    stack->AddModifier(skin);
    node->SetObjectRef(stack);
    auto* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    ASSERT_NE(nullptr, import);
    for (INode* bone : bones)
        ASSERT_TRUE(import->AddBoneEx(bone, TRUE));
    node->EvalWorldState(0); // the Skin's data for the node is made here
    for (size_t v = 0; v < weights.size(); ++v) {
        Tab<INode*> boneList;
        Tab<float> weightList;
        for (const auto& influence : weights[v]) {
            INode* bone = bones[influence.first];
            float weight = influence.second;
            boneList.Append(1, &bone);
            weightList.Append(1, &weight);
        }
        ASSERT_TRUE(import->AddWeights(node, static_cast<int>(v), boneList, weightList));
    }
}

ExportRun runExport(const std::wstring& path, bool exportBones, bool useMesh8,
                    unsigned long options) {
    MessageBoxRecorder recorder;
    recorder.queueAnswers({exportBones ? IDYES : IDNO, useMesh8 ? IDYES : IDNO});
    recorder.answer(IDOK);
    Talvex_MSH_EXPORT exporter;
    ExportRun run;
    run.result = exporter.DoExport(path.c_str(), exportInterface(), GetCOREInterface(), FALSE,
                                   static_cast<DWORD>(options));
    run.boxes = recorder.calls();
    return run;
}

std::string readBytes(const std::wstring& path, bool* exists) {
    std::ifstream in(toUtf8(path), std::ios::binary);
    if (exists)
        *exists = static_cast<bool>(in);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool fileExists(const std::wstring& path) {
    return std::filesystem::exists(toUtf8(path));
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(toUtf8(path), std::ios::binary);
    out << bytes;
}

std::vector<LegacyRecord> readLegacyFile(const std::wstring& path) {
    std::vector<LegacyRecord> records;
    MshFileReader reader;
    MshError error;
    EXPECT_TRUE(reader.open(path, error)) << error.describe();
    EXPECT_EQ(MshLayoutLegacy, reader.layout());
    while (reader.hasNext()) {
        LegacyRecord record;
        if (!reader.readNextLegacy(record, error)) {
            ADD_FAILURE() << error.describe();
            break;
        }
        records.push_back(record);
    }
    EXPECT_EQ(0u, reader.bytesRemaining());
    return records;
}

std::vector<Mesh8Record> readMesh8File(const std::wstring& path) {
    std::vector<Mesh8Record> records;
    MshFileReader reader;
    MshError error;
    EXPECT_TRUE(reader.open(path, error)) << error.describe();
    EXPECT_EQ(MshLayoutMesh8, reader.layout());
    while (reader.hasNext()) {
        Mesh8Record record;
        if (!reader.readNextMesh8(record, error)) {
            ADD_FAILURE() << error.describe();
            break;
        }
        records.push_back(record);
    }
    EXPECT_EQ(0u, reader.bytesRemaining());
    return records;
}

std::string fieldText(const char* field, size_t size) {
    return readTextField(field, size);
}

} // namespace exporttest
