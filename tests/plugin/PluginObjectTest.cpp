// The plug-in objects the descriptors create, and what they tell the host about themselves.
#include "host/embed/MemoryHost.h"
#include "tests/plugin/PluginLibraries.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

ClassDesc* descriptorFor(const LibraryUnderTest& library) {
    LibraryExports exports;
    std::string why;
    if (!findLibraryExports(library, exports, why)) {
        ADD_FAILURE() << why;
        return nullptr;
    }
    return exports.LibClassDesc(0);
}

template <typename Plugin>
std::unique_ptr<Plugin> createPlugin(ClassDesc* descriptor, BOOL loading) {
    // The host casts Create's result to the plug-in base class it expects.
    return std::unique_ptr<Plugin>(static_cast<Plugin*>(descriptor->Create(loading)));
}

void expectEmpty(const MCHAR* text, const char* what) {
    ASSERT_NE(text, nullptr) << what;
    EXPECT_STREQ(text, L"") << what;
}

void expectSomeText(const MCHAR* text, const char* what) {
    ASSERT_NE(text, nullptr) << what;
    EXPECT_GT(std::wcslen(text), 0u) << what;
}

TEST(ImportPluginObject, EveryCreateGivesAFreshObjectWhateverTheLoadingFlag) {
    ClassDesc* descriptor = descriptorFor(importerUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto first = createPlugin<SceneImport>(descriptor, FALSE);
    auto second = createPlugin<SceneImport>(descriptor, TRUE);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->ExtCount(), second->ExtCount());
    // Both are deleted through the virtual destructor, as the host deletes them.
}

TEST(ImportPluginObject, OffersMshAndBnAndAnEmptyTextBeyond) {
    ClassDesc* descriptor = descriptorFor(importerUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto importer = createPlugin<SceneImport>(descriptor, FALSE);
    ASSERT_NE(importer, nullptr);
    EXPECT_EQ(importer->ExtCount(), 2);
    EXPECT_STREQ(importer->Ext(0), L"MSH");
    EXPECT_STREQ(importer->Ext(1), L"BN");
    expectEmpty(importer->Ext(2), "Ext(2)");
    expectEmpty(importer->Ext(-1), "Ext(-1)");
    expectEmpty(importer->Ext(1000), "Ext(1000)");
}

TEST(ImportPluginObject, DescribesItselfToTheHost) {
    ClassDesc* descriptor = descriptorFor(importerUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto importer = createPlugin<SceneImport>(descriptor, FALSE);
    ASSERT_NE(importer, nullptr);
    EXPECT_STREQ(importer->LongDesc(), L"Talvex model import Plugin");
    EXPECT_STREQ(importer->ShortDesc(), L"Talvex MSH(BN)");
    expectSomeText(importer->AuthorName(), "AuthorName");
    expectSomeText(importer->CopyrightMessage(), "CopyrightMessage");
    expectEmpty(importer->OtherMessage1(), "OtherMessage1");
    expectEmpty(importer->OtherMessage2(), "OtherMessage2");
    EXPECT_EQ(importer->Version(), 100u);
    EXPECT_EQ(importer->ZoomExtents(), ZOOMEXT_NOT_IMPLEMENTED);
    MessageBoxRecorder boxes;
    importer->ShowAbout(GetCOREInterface()->GetMAXHWnd());
    EXPECT_TRUE(boxes.calls().empty()) << "ShowAbout does nothing";
}

TEST(ExportPluginObject, EveryCreateGivesAFreshObjectWhateverTheLoadingFlag) {
    ClassDesc* descriptor = descriptorFor(exporterUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto first = createPlugin<SceneExport>(descriptor, FALSE);
    auto second = createPlugin<SceneExport>(descriptor, TRUE);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
}

TEST(ExportPluginObject, OffersMshForEveryExtensionNumber) {
    ClassDesc* descriptor = descriptorFor(exporterUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto exporter = createPlugin<SceneExport>(descriptor, FALSE);
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exporter->ExtCount(), 1);
    for (int n : {0, 1, 5, -1})
        EXPECT_STREQ(exporter->Ext(n), L"MSH") << "Ext(" << n << ")";
}

TEST(ExportPluginObject, DescribesItselfAndSupportsOnlyExportSelected) {
    ClassDesc* descriptor = descriptorFor(exporterUnderTest());
    ASSERT_NE(descriptor, nullptr);
    auto exporter = createPlugin<SceneExport>(descriptor, FALSE);
    ASSERT_NE(exporter, nullptr);
    EXPECT_STREQ(exporter->LongDesc(), L"Talvex model export Plugin");
    EXPECT_STREQ(exporter->ShortDesc(), L"Talvex MSH");
    expectSomeText(exporter->AuthorName(), "AuthorName");
    expectSomeText(exporter->CopyrightMessage(), "CopyrightMessage");
    expectEmpty(exporter->OtherMessage1(), "OtherMessage1");
    expectEmpty(exporter->OtherMessage2(), "OtherMessage2");
    EXPECT_EQ(exporter->Version(), 100u);
    EXPECT_EQ(exporter->SupportsOptions(0, 0), 1);
    EXPECT_EQ(exporter->SupportsOptions(0, SCENE_EXPORT_SELECTED), 1);
    EXPECT_EQ(exporter->SupportsOptions(3, 0xFFFFFFFFu), 0);
    EXPECT_EQ(exporter->SupportsOptions(0, SCENE_EXPORT_SELECTED | 2u), 0);
    MessageBoxRecorder boxes;
    exporter->ShowAbout(GetCOREInterface()->GetMAXHWnd());
    EXPECT_TRUE(boxes.calls().empty()) << "ShowAbout does nothing";
}

} // namespace
