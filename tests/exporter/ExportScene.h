// Building export scenes through host SDK calls, running DoExport with scripted answers, and
// reading what it wrote.
#ifndef TESTS_EXPORTER_EXPORTSCENE_H
#define TESTS_EXPORTER_EXPORTSCENE_H

#include "format/MshFile.h"
#include "host/embed/MemoryHost.h"
#include "host/max.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace exporttest {

/// A fresh empty scene and a temporary folder for the files, both gone afterwards.
class SceneFixture {
public:
    SceneFixture();
    ~SceneFixture();
    /// A path inside the temporary folder, wide, with "/" separators.
    std::wstring path(const std::string& name) const;
    std::string folder;
};

/// A triangle mesh object from positions and faces; with `uvs`, one texture vertex per
/// position and texture faces equal to the faces.
TriObject* makeMesh(const std::vector<Point3>& positions,
                    const std::vector<std::array<int, 3>>& faces,
                    const std::vector<Point3>& uvs = {});
/// A unit-ish tetrahedron-like mesh of four vertices and four faces, offset by `shift`.
TriObject* makeTetra(float shift = 0.0f);

/// A node owning `object`, named, placed at the world transform `world`, under `parent`.
INode* addNode(const std::wstring& name, Object* object, const Matrix3& world,
               INode* parent = nullptr);
/// A translation matrix.
Matrix3 moved(float x, float y, float z);
/// A standard material, optionally two-sided, with a bitmap in the diffuse slot.
StdMat2* texturedMaterial(const std::wstring& bitmapPath, bool twoSided);

/// Puts a Skin modifier on `node` bound to `bones`; `weights[v]` lists (bone place, weight)
/// pairs of vertex v.
void addSkin(INode* node, const std::vector<INode*>& bones,
             const std::vector<std::vector<std::pair<int, float>>>& weights);

/// What one DoExport call did.
struct ExportRun {
    int result;
    std::vector<MessageBoxCall> boxes;
};

/// Runs the exporter's DoExport on the current scene, answering the two questions.
ExportRun runExport(const std::wstring& path, bool exportBones, bool useMesh8,
                    unsigned long options = 0);

/// The whole file, or an empty string with `exists` false.
std::string readBytes(const std::wstring& path, bool* exists = nullptr);
bool fileExists(const std::wstring& path);
void writeBytes(const std::wstring& path, const std::string& bytes);

/// Every legacy record of a file (fails the test when it cannot be read).
std::vector<LegacyRecord> readLegacyFile(const std::wstring& path);
std::vector<Mesh8Record> readMesh8File(const std::wstring& path);

/// The text of a record's fixed field.
std::string fieldText(const char* field, size_t size = 100);

} // namespace exporttest

#endif
