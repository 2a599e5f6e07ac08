#include "importer/ReadModelFile.h"
#include "RecordBuilders.h"
#include "format/FilePaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace testrecords;

namespace {

// Records what the reading loop hands over, in order.
class RecordingSink : public ImportRecordSink {
public:
    std::vector<std::string> built;
    std::vector<bool> asBones;
    void buildLegacy(LegacyRecord& record, const ImportPathInfo& path) override {
        built.push_back("legacy:" + readTextField(record.header.name, MSH_TEXT_FIELD_SIZE));
        asBones.push_back(path.isBoneFile);
    }
    void buildMesh8(Mesh8Record& record, const ImportPathInfo&) override {
        built.push_back("mesh8:" + readTextField(record.header.name, MSH_TEXT_FIELD_SIZE));
    }
};

std::filesystem::path writeTemp(const std::string& name, const std::string& bytes) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "msh-format-tests";
    std::filesystem::create_directories(dir);
    std::filesystem::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

TEST(ImportPath, ExtensionBoneFlagAndTextureFolder) {
    EXPECT_TRUE(analyseImportPath(L"C:\\m\\skeleton.Bn").isBoneFile);
    EXPECT_TRUE(analyseImportPath(L"C:\\m\\skeleton.bn").isBoneFile);
    EXPECT_TRUE(analyseImportPath(L"skeleton.BN").isBoneFile);
    EXPECT_FALSE(analyseImportPath(L"C:\\m\\skeleton.bnx").isBoneFile);
    EXPECT_FALSE(analyseImportPath(L"C:\\m\\skeleton.b").isBoneFile);
    EXPECT_FALSE(analyseImportPath(L"C:\\m.bn\\skeleton").isBoneFile);
    EXPECT_EQ(analyseImportPath(L"C:\\m\\hero.").extension, L"");
    EXPECT_EQ(analyseImportPath(L"C:\\art\\hero.msh").textureDir, L"C:\\art\\");
    EXPECT_EQ(analyseImportPath(L"C:/art/hero.msh").textureDir, L"C:/art/");
    EXPECT_EQ(analyseImportPath(L"C:\\art/sub\\hero.msh").textureDir, L"C:\\art/sub\\");
    EXPECT_EQ(analyseImportPath(L"hero.msh").textureDir, L"");
    EXPECT_EQ(lastPathComponent(L"C:\\tex\\skin.dds"), L"skin.dds");
    EXPECT_EQ(lastPathComponent(L"tex/skin.dds"), L"skin.dds");
    EXPECT_EQ(lastPathComponent(L"C:\\tex\\"), L"");
}

TEST(ReadModelFile, HandsEveryRecordOverInFileOrder) {
    std::filesystem::path bn =
        writeTemp("skeleton.Bn", legacyFile({legacyTriangle(L"Root"), legacyTriangle(L"Arm")}));
    RecordingSink sink;
    MshError error;
    ASSERT_TRUE(readModelFile(bn.wstring(), sink, error)) << error.describe();
    EXPECT_EQ(sink.built, (std::vector<std::string>{"legacy:Root", "legacy:Arm"}));
    EXPECT_EQ(sink.asBones, (std::vector<bool>{true, true}));
}

TEST(ReadModelFile, Mesh8FileNamedBnIsReadAsMeshes) {
    std::filesystem::path bn = writeTemp("meshes.bn", mesh8File({mesh8Quad(L"Q", true)}));
    RecordingSink sink;
    MshError error;
    ASSERT_TRUE(readModelFile(bn.wstring(), sink, error)) << error.describe();
    EXPECT_EQ(sink.built, (std::vector<std::string>{"mesh8:Q"}));
}

TEST(ReadModelFile, ZeroObjectsBuildsNothing) {
    std::filesystem::path empty = writeTemp("empty.msh", std::string(2, '\0'));
    RecordingSink sink;
    MshError error;
    EXPECT_TRUE(readModelFile(empty.wstring(), sink, error));
    EXPECT_TRUE(sink.built.empty());
}

TEST(ReadModelFile, StopsAtTheFirstBadRecordAfterBuildingTheOnesBefore) {
    std::string bytes = legacyFile({legacyTriangle(L"One"), legacyTriangle(L"Two")});
    bytes.resize(bytes.size() - 10);
    std::filesystem::path path = writeTemp("cut.msh", bytes);
    RecordingSink sink;
    MshError error;
    EXPECT_FALSE(readModelFile(path.wstring(), sink, error));
    EXPECT_EQ(sink.built, (std::vector<std::string>{"legacy:One"}));
    EXPECT_EQ(error.kind, MshErrorTruncated);
    EXPECT_EQ(error.record, 1);
    EXPECT_NE(error.file.find("cut.msh"), std::string::npos);
}

TEST(ReadModelFile, MissingFileIsAnOpenError) {
    RecordingSink sink;
    MshError error;
    EXPECT_FALSE(readModelFile(L"/nonexistent/folder/none.msh", sink, error));
    EXPECT_EQ(error.kind, MshErrorOpen);
    EXPECT_NE(error.describe().find("none.msh"), std::string::npos);
}

TEST(AtomicFileOutput, FailedWriteLeavesTheOldFileAndNoTemporary) {
    std::filesystem::path target = writeTemp("keep.msh", "good old bytes");
    std::wstring temporary;
    for (int failAt = 1; failAt <= 2; ++failAt) {
        setFileWriteFault(failAt, false);
        {
            AtomicFileOutput out(target.wstring());
            ASSERT_TRUE(out.open());
            temporary = out.temporaryPath();
            EXPECT_TRUE(std::filesystem::exists(temporary));
            out.write("new", 3);
            out.write("bytes", 5);
            EXPECT_FALSE(out.commit());
            EXPECT_NE(out.failureReason().find("injected"), std::string::npos);
        }
        std::ifstream in(target, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(content, "good old bytes");
        EXPECT_FALSE(std::filesystem::exists(temporary));
    }
    setFileWriteFault(0, true);
    {
        AtomicFileOutput out(target.wstring());
        ASSERT_TRUE(out.open());
        temporary = out.temporaryPath();
        out.write("new", 3);
        EXPECT_FALSE(out.commit());
    }
    EXPECT_FALSE(std::filesystem::exists(temporary));
    setFileWriteFault(0, false);
    {
        AtomicFileOutput out(target.wstring());
        ASSERT_TRUE(out.open());
        out.write("new", 3);
        EXPECT_TRUE(out.commit()) << out.failureReason();
    }
    std::ifstream in(target, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "new");
}

TEST(AtomicFileOutput, TheLongestLegalNameIsWrittenAndTemporariesDoNotClash) {
    // 255 bytes, the longest name most file systems allow: the temporary must not add to it.
    std::filesystem::path target = writeTemp(std::string(251, 'n') + ".msh", "old");
    AtomicFileOutput first(target.wstring());
    AtomicFileOutput second(target.wstring());
    ASSERT_TRUE(first.open()) << first.failureReason();
    ASSERT_TRUE(second.open()) << second.failureReason();
    EXPECT_NE(first.temporaryPath(), second.temporaryPath());
    first.write("new", 3);
    EXPECT_TRUE(first.commit()) << first.failureReason();
    EXPECT_EQ(std::filesystem::file_size(target), 3u);
    second.abandon();
    EXPECT_FALSE(std::filesystem::exists(second.temporaryPath()));
    std::filesystem::remove(target);
}

TEST(AtomicFileOutput, UncreatableFileIsReportedWithTheReason) {
    AtomicFileOutput out(L"/nonexistent/folder/x.msh");
    EXPECT_FALSE(out.open());
    EXPECT_NE(out.failureReason().find("cannot create"), std::string::npos);
}

TEST(AtomicFileOutput, KeepsWhatTheUserSetOnTheFileItReplaces) {
    namespace fs = std::filesystem;
    fs::path real = writeTemp("linked-real.msh", "old"), link = real;
    link.replace_filename("linked-via.msh");
    fs::remove(link);
    fs::create_symlink(real.filename(), link);
    fs::permissions(real, fs::perms(0640));
    {
        AtomicFileOutput out(link.wstring());
        ASSERT_TRUE(out.open()) << out.failureReason();
        out.write("fresh", 5);
        EXPECT_TRUE(out.commit()) << out.failureReason();
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::file_size(real), 5u) << "written through the link";
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms(0640));
    // Read-only: refused before anything is written, even where the user may write anyway.
    fs::permissions(real, fs::perms(0444));
    AtomicFileOutput out(real.wstring());
    EXPECT_FALSE(out.open());
    EXPECT_EQ(out.failureReason(), "cannot replace the file: the file is read-only");
    EXPECT_EQ(fs::file_size(real), 5u);
    fs::permissions(real, fs::perms(0644));
}
