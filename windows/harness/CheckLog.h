// Counts the harness's checks and prints each failure, so the exit code and the summary line
// can say whether everything held.
#ifndef MSH_WINDOWS_HARNESS_CHECKLOG_H
#define MSH_WINDOWS_HARNESS_CHECKLOG_H

#include <string>
#include <vector>

/// The checks made so far and which of them failed.
class CheckLog {
public:
    /// Starts a group of checks; printed as a heading.
    void section(const std::string& name);
    /// Counts one check; prints "FAIL: <what>" when it did not hold. Returns ok.
    bool expect(bool ok, const std::string& what);
    /// One check that holds when `problems` is empty; each problem is printed.
    bool expectNone(const std::vector<std::string>& problems, const std::string& what);
    /// Prints a line that is not a check.
    void note(const std::string& text);

    int checks() const { return total; }
    int failures() const { return failed; }

private:
    std::string current;
    int total = 0;
    int failed = 0;
};

/// UTF-8 form of a wide text that may be null, for messages.
std::string printable(const wchar_t* text);

#endif
