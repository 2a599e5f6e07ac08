// The Windows calls as the plug-ins see them on other hosts.
#include "tests/host/HostTestSupport.h"

#include <cstring>

namespace {

TEST(WinApiTest, AnsiCodePageIsWindows1252) {
    // Bytes 0x80-0x9F as Windows converts them, the unassigned five to the C1 controls.
    const unsigned expected[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    char bytes[128];
    for (int i = 0; i < 128; ++i)
        bytes[i] = (char)(0x80 + i);
    wchar_t wide[128];
    ASSERT_EQ(128, MultiByteToWideChar(CP_ACP, 0, bytes, 128, wide, 128));
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(expected[i], (unsigned)wide[i]) << "byte 0x" << std::hex << 0x80 + i;
    for (int i = 32; i < 128; ++i) // 0xA0-0xFF are their Latin-1 code points
        EXPECT_EQ((unsigned)(0x80 + i), (unsigned)wide[i]);
}

TEST(WinApiTest, MultiByteToWideCharLengthsAndBuffers) {
    const char* name = "Caf\xe9";
    EXPECT_EQ(5, MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0)); // with the NUL
    wchar_t wide[8];
    std::wmemset(wide, L'#', 8);
    ASSERT_EQ(5, MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 8));
    EXPECT_STREQ(L"Caf\u00e9", wide);
    EXPECT_EQ(L'#', wide[5]);
    EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, name, 2, wide, 8));  // no NUL added
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 4)); // too small
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, name, 0, wide, 8));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 8));
}

TEST(WinApiTest, LstrcmpWIsCaseSensitiveAndOrdered) {
    EXPECT_EQ(0, lstrcmpW(L"Bone01", L"Bone01"));
    EXPECT_NE(0, lstrcmpW(L"Bone01", L"bone01"));
    EXPECT_LT(lstrcmpW(L"Bone", L"Bone01"), 0);
    EXPECT_GT(lstrcmpW(L"b", L"a"), 0);
    EXPECT_EQ(0, lstrcmpW(nullptr, nullptr));
    EXPECT_LT(lstrcmpW(nullptr, L"a"), 0);
}

TEST(WinApiTest, LoadStringWBehavesAsWin32) {
    static HINSTANCE__ moduleObject;
    HINSTANCE module = &moduleObject;
    const UINT ids[2] = {1, 3};
    const wchar_t* const texts[2] = {L"Talvex msh import plugin", L"Games"};
    RegisterModuleStrings(module, 2, ids, texts);

    wchar_t buffer[256];
    EXPECT_EQ(5, LoadStringW(module, 3, buffer, 256));
    EXPECT_STREQ(L"Games", buffer);
    EXPECT_EQ(3, LoadStringW(module, 1, buffer, 4)); // size-1 units plus NUL
    EXPECT_STREQ(L"Tal", buffer);
    EXPECT_EQ(0, LoadStringW(module, 2, buffer, 256));
    EXPECT_EQ(0, LoadStringW(nullptr, 1, buffer, 256)); // another module's table
    const wchar_t* direct = nullptr;
    EXPECT_EQ(24, LoadStringW(module, 1, reinterpret_cast<LPWSTR>(&direct), 0));
    ASSERT_NE(nullptr, direct);
    EXPECT_EQ(0, std::wcsncmp(L"Talvex msh import plugin", direct, 24));
    EXPECT_TRUE(DisableThreadLibraryCalls(module));
}

TEST(WinApiTest, MessageBoxesAreRecordedAndAnsweredFromTheScript) {
    MessageBoxRecorder boxes;
    boxes.queueAnswers({IDYES});
    HWND owner = GetCOREInterface()->GetMAXHWnd();
    EXPECT_EQ(IDYES,
              MessageBoxW(owner, L"Export bones?", L"MSH Export", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDNO, MessageBoxW(owner, L"Use Mesh8 structure?", L"MSH Export", MB_YESNO));
    MisuseRecorder misuse;
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Parent for [\xc4] not found", "MSHImp", MB_OK));
    EXPECT_EQ(1u, misuse.reports().size()) << "a box without an owner leaves the host usable";
    ASSERT_EQ(3u, boxes.calls().size());
    EXPECT_EQ(L"Export bones?", boxes.calls()[0].text);
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, boxes.calls()[0].type);
    EXPECT_EQ(owner, boxes.calls()[0].owner);
    EXPECT_TRUE(boxes.calls()[0].wide);
    EXPECT_EQ(L"Parent for [\u00c4] not found", boxes.calls()[2].text); // converted with CP_ACP
    EXPECT_EQ(L"MSHImp", boxes.calls()[2].caption);
    EXPECT_FALSE(boxes.calls()[2].wide);
    EXPECT_EQ(nullptr, boxes.calls()[2].owner);

    boxes.answer(IDYES);
    EXPECT_EQ(IDYES, MessageBoxW(owner, L"again?", L"MSH Export", MB_YESNO));
}

TEST(WinApiTest, UnattendedAnswersNeverDoMore) {
    EXPECT_EQ(IDOK, unattendedAnswer(MB_OK));
    EXPECT_EQ(IDNO, unattendedAnswer(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDCANCEL, unattendedAnswer(MB_YESNOCANCEL));
    EXPECT_EQ(IDCANCEL, unattendedAnswer(MB_OKCANCEL));
    {
        MessageBoxRecorder inner;
        EXPECT_TRUE(messageBoxHandler() != nullptr);
    }
    EXPECT_FALSE(messageBoxHandler() != nullptr); // the recorder restored "no handler"
    testing::internal::CaptureStderr();
    EXPECT_EQ(IDNO, MessageBoxW(GetCOREInterface()->GetMAXHWnd(), L"Export bones?", L"MSH Export",
                                MB_YESNO));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("[MSH Export]: Export bones?"));
}

} // namespace
