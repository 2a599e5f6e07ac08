// The plug-in libraries' string lookup on its own, against a string table registered with the
// host under a handle of the test's choosing.
#include "plugin/ModuleStrings.h"
#include "host/WinApi.h"
#include "plugin/ModuleInstance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

char fakeModule;

HINSTANCE fakeHandle() {
    return reinterpret_cast<HINSTANCE>(&fakeModule);
}

// The lookup caches each string for the life of the process, so every test uses ids of its
// own: the cases pass run alone (as CTest runs them) and together.
TEST(ModuleStrings, NothingIsFoundBeforeTheModuleHandleIsSet) {
    const UINT ids[] = {1};
    const wchar_t* texts[] = {L"Games"};
    RegisterModuleStrings(fakeHandle(), 1, ids, texts);
    setModuleInstance(NULL);
    EXPECT_EQ(moduleString(1), nullptr);
    // Not remembered as missing: once DllMain has stored the handle the text is there.
    setModuleInstance(fakeHandle());
    EXPECT_STREQ(moduleString(1), L"Games");
}

TEST(ModuleStrings, AMissingStringIsNullAndStaysLookable) {
    const UINT ids[] = {2};
    const wchar_t* texts[] = {L"Games"};
    RegisterModuleStrings(fakeHandle(), 1, ids, texts);
    setModuleInstance(fakeHandle());
    EXPECT_EQ(moduleString(3), nullptr);
    EXPECT_EQ(moduleString(0), nullptr);
    EXPECT_STREQ(moduleString(2), L"Games");
}

TEST(ModuleStrings, EveryPointerKeepsItsTextWhateverIsLookedUpLater) {
    std::vector<std::wstring> owned;
    std::vector<UINT> ids;
    for (UINT id = 101; id <= 300; ++id) {
        ids.push_back(id);
        owned.push_back(L"text " + std::to_wstring(id));
    }
    std::vector<const wchar_t*> texts;
    for (const std::wstring& text : owned)
        texts.push_back(text.c_str());
    RegisterModuleStrings(fakeHandle(), static_cast<int>(ids.size()), ids.data(), texts.data());
    setModuleInstance(fakeHandle());

    std::vector<const MCHAR*> first;
    for (UINT id : ids)
        first.push_back(moduleString(id));
    for (size_t i = 0; i < ids.size(); ++i) {
        ASSERT_NE(first[i], nullptr) << "string " << ids[i];
        EXPECT_EQ(std::wstring(first[i]), owned[i]) << "string " << ids[i];
        EXPECT_EQ(moduleString(ids[i]), first[i]) << "loaded once, same buffer";
    }
}

TEST(ModuleStrings, LongTextsAreNotCutAtTheOldBufferSize) {
    const std::wstring longText(600, L'x');
    const UINT ids[] = {1000};
    const wchar_t* texts[] = {longText.c_str()};
    RegisterModuleStrings(fakeHandle(), 1, ids, texts);
    setModuleInstance(fakeHandle());
    ASSERT_NE(moduleString(1000), nullptr);
    EXPECT_EQ(std::wstring(moduleString(1000)), longText);
}

} // namespace
