// Calls made with prompts suppressed, the system log and published properties.
#include "tests/host/HostTestSupport.h"

namespace {

// An import plug-in that asks one question, whatever it is told.
class AskingImport : public SceneImport {
public:
    int ExtCount() override { return 1; }
    const MCHAR* Ext(int) override { return L"TST"; }
    const MCHAR* LongDesc() override { return L""; }
    const MCHAR* ShortDesc() override { return L""; }
    const MCHAR* AuthorName() override { return L""; }
    const MCHAR* CopyrightMessage() override { return L""; }
    const MCHAR* OtherMessage1() override { return L""; }
    const MCHAR* OtherMessage2() override { return L""; }
    unsigned int Version() override { return 1; }
    void ShowAbout(HWND) override {}
    int DoImport(const MCHAR*, ImpInterface*, Interface*, BOOL) override {
        MessageBoxW(GetCOREInterface()->GetMAXHWnd(), L"Go on?", L"Test", MB_YESNO);
        return IMPEXP_SUCCESS;
    }
};

TEST(PromptsTest, ABoxInACallWithPromptsSuppressedOrInQuietModeIsMisuse) {
    MessageBoxRecorder boxes;
    MisuseRecorder misuse;
    AskingImport plugin;
    importThroughHost(plugin, L"x.tst", FALSE);
    EXPECT_TRUE(misuse.reports().empty());
    importThroughHost(plugin, L"x.tst", TRUE);
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("Go on?"));
    GetCOREInterface()->SetQuietMode(TRUE);
    EXPECT_TRUE(GetCOREInterface()->GetQuietMode());
    importThroughHost(plugin, L"x.tst", FALSE);
    EXPECT_EQ(TRUE, GetCOREInterface()->SetQuietMode(FALSE));
    EXPECT_EQ(2u, misuse.reports().size());
    importThroughHost(plugin, L"x.tst", FALSE);
    EXPECT_EQ(2u, misuse.reports().size()) << "the flag ends with the call";
    EXPECT_EQ(4u, boxes.calls().size()) << "the box is still answered";
}

TEST(PromptsTest, LogEntriesAreFormattedAsPrintfDoes) {
    LogRecorder log;
    GetCOREInterface()->Log()->LogEntry(SYSLOG_WARN, NO_DIALOG, L"Title", L"%ls: %d of %d",
                                        std::wstring(300, L'x').c_str(), 2, 3);
    GetCOREInterface()->Log()->LogEntry(SYSLOG_ERROR, DISPLAY_DIALOG, NULL, L"plain");
    ASSERT_EQ(2u, log.entries().size());
    EXPECT_EQ(std::wstring(300, L'x') + L": 2 of 3", log.entries()[0].text);
    EXPECT_EQ(L"Title", log.entries()[0].title);
    EXPECT_EQ(DWORD(SYSLOG_WARN), log.entries()[0].type);
    EXPECT_EQ(L"", log.entries()[1].title);
    EXPECT_EQ(DISPLAY_DIALOG, log.entries()[1].dialogue);
}

// A static interface with one property, described the way plug-ins describe theirs.
class Counter : public FPStaticInterface {
public:
    enum { getCount, setCount };
    explicit Counter(ClassDesc* publisher) : count(0) {
        LoadDescriptor(Interface_ID(7, 9), L"counter", 0, publisher, 0, properties, getCount,
                       setCount, L"count", 0, TYPE_INT, p_end);
    }
    int GetCount() { return count; }
    void SetCount(int value) { count = value; }
    BEGIN_FUNCTION_MAP
    PROP_FNS(getCount, GetCount, setCount, SetCount, TYPE_INT)
    END_FUNCTION_MAP
private:
    int count;
};

class CounterClass : public ClassDesc {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return nullptr; }
    const MCHAR* ClassName() override { return L"CounterClass"; }
#if MAX_VERSION_MAJOR >= 24
    const MCHAR* NonLocalizedClassName() override {
        return ClassName();
    }
#endif
    SClass_ID SuperClassID() override {
        return HELPER_CLASS_ID;
    }
    Class_ID ClassID() override {
        return Class_ID(1, 2);
    }
    const MCHAR* Category() override {
        return L"";
    }
};

TEST(PromptsTest, APublishedPropertyIsFoundByNameAndCalledThroughItsFunctions) {
    CounterClass publisher;
    Counter counter(&publisher);
    ASSERT_EQ(1, publisher.NumInterfaces());
    EXPECT_EQ(&counter, publisher.GetInterface(Interface_ID(7, 9)));
    EXPECT_EQ(&counter, publisher.GetInterface(L"Counter"));
    EXPECT_EQ(nullptr, publisher.GetInterface(L"other"));
    ASSERT_EQ(1, counter.props.Count());
    EXPECT_EQ(Counter::setCount, counter.props[0]->setter_ID);
    EXPECT_EQ(std::wstring(L"count"), counter.props[0]->internal_name.data());

    FPParams five(1, TYPE_INT, 5);
    EXPECT_EQ(FPS_OK, counter.Invoke(Counter::setCount, &five));
    EXPECT_EQ(5, counter.GetCount());
    FPValue result;
    EXPECT_EQ(FPS_OK, counter.Invoke(Counter::getCount, result));
    EXPECT_EQ(5, result.i);
    EXPECT_EQ(FPS_NO_SUCH_FUNCTION, counter.Invoke(FunctionID(42), result));
    MisuseRecorder misuse;
    EXPECT_EQ(FPS_FAIL, counter.Invoke(Counter::setCount));
    EXPECT_EQ(1u, misuse.reports().size()) << "a setter needs its value";
}

} // namespace
