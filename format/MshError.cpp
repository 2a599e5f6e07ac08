#include "format/MshError.h"

#include <exception>
#include <new>
#include <sstream>

MshError::MshError() : kind(MshErrorNone), record(-1), offset(0) {}

static const char* kindText(MshErrorKind kind) {
    switch (kind) {
    case MshErrorOpen:
        return "cannot open the file";
    case MshErrorTruncated:
        return "the file ends early";
    case MshErrorCount:
        return "bad count";
    case MshErrorIndex:
        return "index out of range";
    case MshErrorTooLarge:
        return "too large for the layout";
    case MshErrorWrite:
        return "write failed";
    default:
        return "no error";
    }
}

std::string MshError::describe() const {
    std::ostringstream text;
    text << (file.empty() ? "<memory>" : file) << ": ";
    if (record >= 0) {
        text << "record " << record;
        if (!recordName.empty())
            text << " \"" << recordName << "\"";
        text << ": ";
    }
    text << kindText(kind);
    if (!field.empty())
        text << " in " << field;
    if (kind != MshErrorOpen && kind != MshErrorWrite)
        text << " at byte " << offset;
    if (!expected.empty())
        text << ": expected " << expected << ", found " << found;
    else if (!found.empty())
        text << ": " << found;
    return text.str();
}

bool failWith(MshError& error, MshErrorKind kind, const std::string& field, uint64_t offset,
              const std::string& expected, const std::string& found) {
    error.kind = kind;
    error.field = field;
    error.offset = offset;
    error.expected = expected;
    error.found = found;
    return false;
}

std::string numberText(int64_t value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string currentExceptionText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    } catch (const std::exception& e) {
        std::string what = e.what() ? e.what() : "";
        return what.empty() ? "an unexpected error" : what;
    } catch (...) {
        return "an unexpected error";
    }
}
