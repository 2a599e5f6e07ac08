#include "windows/harness/CheckLog.h"

#include "format/TextField.h"

#include <cstdio>

void CheckLog::section(const std::string& name) {
    current = name;
    std::printf("-- %s\n", name.c_str());
    std::fflush(stdout);
}

bool CheckLog::expect(bool ok, const std::string& what) {
    ++total;
    if (!ok) {
        ++failed;
        std::printf("FAIL: [%s] %s\n", current.c_str(), what.c_str());
        std::fflush(stdout);
    }
    return ok;
}

bool CheckLog::expectNone(const std::vector<std::string>& problems, const std::string& what) {
    bool ok = expect(problems.empty(), what);
    for (const std::string& problem : problems)
        std::printf("      %s\n", problem.c_str());
    std::fflush(stdout);
    return ok;
}

void CheckLog::note(const std::string& text) {
    std::printf("   %s\n", text.c_str());
    std::fflush(stdout);
}

std::string printable(const wchar_t* text) {
    return text == nullptr ? std::string("(null)") : "\"" + toUtf8(text) + "\"";
}
