// The SDK's wide string class (MSTR in a Unicode host).
#ifndef HOST_MAXSTRING_H
#define HOST_MAXSTRING_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxHeap.h"
#else

#include "host/MaxHeap.h"
#include <string>

/// A wide string as the SDK's WStr: converts to const MCHAR*.
class WStr : public MaxHeapOperators {
public:
    WStr() {}
    WStr(const MCHAR* s) : text(s ? s : L"") {}
    WStr(const WStr& other) : text(other.text) {}
    WStr& operator=(const WStr& other) {
        text = other.text;
        return *this;
    }
    WStr& operator=(const MCHAR* s) {
        text = s ? s : L"";
        return *this;
    }
    const MCHAR* data() const { return text.c_str(); }
    const MCHAR* ToMCHAR() const { return text.c_str(); }
    operator const MCHAR*() const { return text.c_str(); }
    int Length() const { return (int)text.size(); }
    int length() const { return (int)text.size(); }
    bool isNull() const { return text.empty(); }
    WStr& operator+=(const WStr& other) {
        text += other.text;
        return *this;
    }
    WStr operator+(const WStr& other) const {
        WStr joined(*this);
        joined += other;
        return joined;
    }
    bool operator==(const WStr& other) const { return text == other.text; }
    bool operator!=(const WStr& other) const { return text != other.text; }
    bool operator==(const MCHAR* s) const { return text == (s ? s : L""); }
    bool operator!=(const MCHAR* s) const { return !(*this == s); }

private:
    std::wstring text;
};

typedef WStr MSTR;
typedef WStr TSTR;

#endif // MSH_REAL_SDK

#endif
