// The library exports and class descriptors of both built modules, loaded as the host loads
// them.
#include "host/embed/MemoryHost.h"
#include "tests/plugin/PluginLibraries.h"

#include <gtest/gtest.h>

#include <climits>
#include <dlfcn.h>
#include <string>

namespace {

class LibraryRegistration : public ::testing::TestWithParam<LibraryUnderTest> {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(findLibraryExports(GetParam(), exports, why)) << why;
        descriptor = exports.LibClassDesc(0);
        ASSERT_NE(descriptor, nullptr);
    }

    LibraryExports exports;
    ClassDesc* descriptor = nullptr;
};

TEST_P(LibraryRegistration, LibraryExportsGiveTheirFixedValues) {
    EXPECT_EQ(exports.LibNumberClasses(), 1);
    EXPECT_EQ(exports.LibInitialize(), 1);
    EXPECT_EQ(exports.LibShutdown(), 1);
    EXPECT_STREQ(exports.LibDescription(), GetParam().description);
}

TEST_P(LibraryRegistration, LibVersionIsExactlyThe2015Stamp) {
    ULONG version = exports.LibVersion();
    EXPECT_EQ(version, 0x42682C00u);
    EXPECT_EQ(GET_MAX_RELEASE(version), 17000u);
    EXPECT_EQ(GET_MAX_API_NUM(version), 44u);
    EXPECT_EQ(GET_MAX_SDK_REV(version), 0u);
}

TEST_P(LibraryRegistration, OnlyIndexZeroHasADescriptorAndItIsAlwaysTheSameOne) {
    EXPECT_EQ(exports.LibClassDesc(0), descriptor);
    EXPECT_EQ(exports.LibClassDesc(0), descriptor);
    EXPECT_EQ(exports.LibClassDesc(1), nullptr);
    EXPECT_EQ(exports.LibClassDesc(-1), nullptr);
    EXPECT_EQ(exports.LibClassDesc(INT_MAX), nullptr);
    EXPECT_EQ(exports.LibClassDesc(INT_MIN), nullptr);
}

TEST_P(LibraryRegistration, DescriptorNamesAndIdentifiesThePlugin) {
    const LibraryUnderTest& library = GetParam();
    EXPECT_EQ(descriptor->IsPublic(), 1);
    EXPECT_STREQ(descriptor->ClassName(), library.className);
    EXPECT_EQ(descriptor->SuperClassID(), library.superClassId);
    EXPECT_EQ(descriptor->ClassID(), Class_ID(library.classIdA, library.classIdB));
    EXPECT_EQ(descriptor->ClassID().PartA(), library.classIdA);
    EXPECT_EQ(descriptor->ClassID().PartB(), library.classIdB);
    EXPECT_STREQ(descriptor->Category(), L"Games");
    EXPECT_STREQ(descriptor->InternalName(), library.internalName);
}

TEST_P(LibraryRegistration, DescriptorKeepsTheHostDefaultsElsewhere) {
    EXPECT_EQ(descriptor->OkToCreate(GetCOREInterface()), TRUE);
    EXPECT_EQ(descriptor->HasClassParams(), FALSE);
    EXPECT_EQ(descriptor->InitialRollupPageState(), 0x7FFFFFFFu);
    ClassDesc2* withParams = dynamic_cast<ClassDesc2*>(descriptor);
    ASSERT_NE(withParams, nullptr) << "the descriptor derives from ClassDesc2";
    EXPECT_EQ(withParams->NumParamBlockDescs(), 0);
}

TEST_P(LibraryRegistration, HInstanceIsTheHandleTheModuleWasLoadedWith) {
    // The Linux load hook hands DllMain the module's load address, as Windows hands a DLL its
    // base address; a handle from anywhere else would break the string lookups.
    void* base = loadedLibrary(GetParam()).baseAddress();
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(static_cast<void*>(descriptor->HInstance()), base);
}

TEST_P(LibraryRegistration, EveryStringOfTheTableIsRegisteredUnderTheModuleHandle) {
    const LibraryUnderTest& library = GetParam();
    HINSTANCE module = descriptor->HInstance();
    const UINT ids[] = {1, 2, 3, 4, 5};
    const wchar_t* texts[] = {library.description, L"Games", library.className, L"Parameters",
                              L"Spin"};
    for (size_t i = 0; i < 5; ++i) {
        wchar_t buffer[256];
        int length = LoadStringW(module, ids[i], buffer, 256);
        EXPECT_EQ(length, static_cast<int>(std::wcslen(texts[i]))) << "string " << ids[i];
        EXPECT_STREQ(buffer, texts[i]) << "string " << ids[i];
    }
    wchar_t buffer[16] = L"untouched";
    EXPECT_EQ(LoadStringW(module, 6, buffer, 16), 0) << "the table holds strings 1 to 5 only";
}

TEST_P(LibraryRegistration, EachStringKeepsItsOwnBufferForTheLifeOfTheLibrary) {
    // With one shared buffer, the class name would read "Games" after Category().
    const MCHAR* className = descriptor->ClassName();
    const MCHAR* category = descriptor->Category();
    const MCHAR* description = exports.LibDescription();
    ASSERT_NE(className, nullptr);
    ASSERT_NE(category, nullptr);
    ASSERT_NE(description, nullptr);
    EXPECT_NE(className, category);
    EXPECT_NE(className, description);
    EXPECT_STREQ(className, GetParam().className);
    EXPECT_STREQ(category, L"Games");
    EXPECT_STREQ(description, GetParam().description);
    // Loaded once: later lookups hand back the same text, not a fresh copy.
    EXPECT_EQ(descriptor->ClassName(), className);
    EXPECT_EQ(descriptor->Category(), category);
    EXPECT_EQ(exports.LibDescription(), description);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, LibraryRegistration,
                         ::testing::Values(importerUnderTest(), exporterUnderTest()),
                         [](const ::testing::TestParamInfo<LibraryUnderTest>& param) {
                             return std::string(param.param.label);
                         });

TEST(LibraryIsolation, EachLibraryShowsItsOwnHandleAndTexts) {
    // The importer is loaded RTLD_GLOBAL: an exporter symbol that leaked out of its module would
    // bind to the importer's copy, giving both the same handle or the same cached texts.
    LibraryExports importer, exporter;
    std::string why;
    ASSERT_TRUE(findLibraryExports(importerUnderTest(), importer, why)) << why;
    ASSERT_TRUE(findLibraryExports(exporterUnderTest(), exporter, why)) << why;
    ClassDesc* importDesc = importer.LibClassDesc(0);
    ClassDesc* exportDesc = exporter.LibClassDesc(0);
    ASSERT_NE(importDesc, nullptr);
    ASSERT_NE(exportDesc, nullptr);
    EXPECT_NE(importDesc, exportDesc);
    EXPECT_NE(importDesc->HInstance(), exportDesc->HInstance());
    EXPECT_STREQ(importDesc->ClassName(), L"Talvex_MSH_IMPORT_15");
    EXPECT_STREQ(exportDesc->ClassName(), L"Talvex_MSH_EXPORT");
    EXPECT_STREQ(importer.LibDescription(), L"Talvex msh import plugin");
    EXPECT_STREQ(exporter.LibDescription(), L"Talvex msh export");
}

TEST(LibraryIsolation, ModulesExportTheLibraryFunctionsAndKeepTheRestPrivate) {
    LoadedLibrary& importer = loadedLibrary(importerUnderTest());
    ASSERT_TRUE(importer.loaded()) << importer.error();
    // Internal helpers of the library and the logic linked into it stay invisible.
    EXPECT_EQ(importer.symbol("_Z12moduleStringj"), nullptr);
    EXPECT_EQ(importer.symbol("_Z16libraryClassDescv"), nullptr);
    EXPECT_EQ(importer.symbol("DllMain"), nullptr);
    EXPECT_NE(importer.symbol("LibClassDesc"), nullptr);
}

} // namespace
