#pragma once
// Fixture files written with the format writers, the real import entry into the in-memory
// host, and a few ways to look at the scene through SDK calls.

#include "format/LegacyRecord.h"
#include "format/Mesh8Record.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"
#include "host/max.h"
#include "importer/Talvex_MSH_IMPORT_15.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace importtest {

/// A header with name, parent and the world transform of expectWorldTM (its fourth column 42,
/// which the import must drop).
void setHeader(MshObjectHeader& header, const std::string& name, const std::string& parent);

/// Checks that the node's world transform is the one setHeader stores.
void expectWorldTM(INode* node);

/// Stores 8-bit text in a 100-byte field (bytes as given, zero-filled).
void setField(char* field, const std::string& text);

/// A legacy triangle with three distinct texture coordinates and normals, no bones.
LegacyRecord legacyTriangle(const std::string& name, const std::string& parent = "NULL");

/// Builds a Mesh8 record the way the exporter unrolls a mesh: one corner entry per face
/// corner (identity indices), one bone record per source vertex when skinned.
class Mesh8Builder {
public:
    struct Source {
        Point3 position, normal;
        std::vector<std::string> bones;
        std::vector<float> weights;
    };
    explicit Mesh8Builder(const std::string& name, const std::string& parent = "NULL");
    /// Adds a source vertex; returns its number.
    int vertex(const Point3& position, const Point3& normal = Point3(0, 0, 1),
               const std::vector<std::string>& bones = {}, const std::vector<float>& weights = {});
    /// Adds a face over three source vertices; uv of corner k is (f + k/10, f); the corner
    /// normal of corner k is (f, k, 1).
    void face(int a, int b, int c);
    /// The record; skinned when any vertex names a bone.
    Mesh8Record build() const;

private:
    std::string name, parent;
    std::vector<Source> sources;
    std::vector<int> corners;
};

/// A folder of its own under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    /// The full path of a file in the folder, with "/" separators.
    std::wstring path(const std::wstring& fileName) const;
    /// A path whose last separator is "\", as the host passes paths on Windows: the file
    /// "sub\<fileName>" in the folder (a backslash is an ordinary character here).
    std::wstring backslashPath(const std::wstring& fileName) const;
    /// The folder part of backslashPath, up to and including the backslash.
    std::wstring backslashFolder() const;
    const std::filesystem::path& dir() const { return folder; }

private:
    std::filesystem::path folder;
};

std::string legacyBytes(const std::vector<LegacyRecord>& records);
std::string mesh8Bytes(const std::vector<Mesh8Record>& records);
void writeBytes(const std::wstring& path, const std::string& bytes);

/// Runs the real plug-in's DoImport on the file into the current scene.
int importFile(const std::wstring& path);

/// The first node of that name in the scene, walking it through the SDK; NULL if none.
INode* findNode(const std::wstring& name);
/// The mesh under the node's modifier stack, or NULL.
Mesh* meshOf(INode* node);
/// The node's modifier stack, or NULL when its object is not one.
IDerivedObject* stackOf(INode* node);
/// The skin's query interface of the node's top modifier, or NULL.
ISkin* skinOf(INode* node);
/// Weights of one vertex as (bone name, weight) pairs, in the skin's order.
std::vector<std::pair<std::wstring, float>> weightsOf(INode* node, int vertex);
/// The texts of the recorded message boxes.
std::vector<std::wstring> texts(const MessageBoxRecorder& boxes);
/// The text of a missing-parent message.
std::wstring parentMessage(const std::string& name, const std::string& parent);
std::wstring boneMessage(const std::string& name, const std::string& bone);

/// A fresh scene and a message-box recorder for every test.
class ImportTest : public ::testing::Test {
protected:
    ImportTest() { resetScene(); }
    ~ImportTest() override { resetScene(); }
    // The import must never hand the host an index or object it does not have.
    void TearDown() override { EXPECT_EQ(std::vector<std::string>{}, misuse.reports()); }
    TempFolder temp;
    MessageBoxRecorder boxes;
    MisuseRecorder misuse;
};

} // namespace importtest
