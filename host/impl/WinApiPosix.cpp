// The Windows calls of the plug-ins, for hosts other than Windows: message boxes through the
// embedding program, the Western ANSI code page, per-module string tables.
#ifndef _WIN32
#include "host/WinApi.h"
#include "host/impl/SceneState.h"

#include <map>
#include <string>

namespace {

// Windows-1252 bytes 0x80-0x9F; the five unassigned ones map to the C1 control of the same
// value, as Windows converts them. Every other byte is its Latin-1 code point.
const wchar_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t fromWindows1252(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? windows1252High[byte - 0x80] : (wchar_t)byte;
}

std::wstring widenAnsi(const char* text) {
    std::wstring out;
    for (const char* p = text; p && *p; ++p)
        out += fromWindows1252((unsigned char)*p);
    return out;
}

std::map<HINSTANCE, std::map<UINT, std::wstring>>& stringTables() {
    static std::map<HINSTANCE, std::map<UINT, std::wstring>> tables;
    return tables;
}

} // namespace

extern "C" {

// Windows: "If this parameter is NULL, the message box has no owner window", so the host
// stays usable while the box waits (MessageBox, hWnd).
static void checkOwner(HWND owner, const std::wstring& text) {
    if (!owner)
        hostimpl::misuse("MessageBox without an owner window: \"" + hostimpl::narrow(text) + "\"");
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    checkOwner(owner, widenAnsi(text));
    MessageBoxCall call{widenAnsi(text), caption ? widenAnsi(caption) : L"Error", type, owner,
                        false};
    return hostimpl::showMessageBox(call);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    checkOwner(owner, text ? text : L"");
    MessageBoxCall call{text ? text : L"", caption ? caption : L"Error", type, owner, true};
    return hostimpl::showMessageBox(call);
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size) {
    if (!buffer || size < 0)
        return 0;
    auto table = stringTables().find(module);
    const std::wstring* text = nullptr;
    if (table != stringTables().end()) {
        auto entry = table->second.find(id);
        if (entry != table->second.end())
            text = &entry->second;
    }
    if (size == 0) {
        // Win32 hands out a read-only pointer to the resource itself.
        *reinterpret_cast<const wchar_t**>(buffer) = text ? text->c_str() : nullptr;
        return text ? (int)text->size() : 0;
    }
    if (!text) {
        buffer[0] = L'\0';
        return 0;
    }
    int copied = (int)std::min(text->size(), (size_t)size - 1);
    text->copy(buffer, (size_t)copied);
    buffer[copied] = L'\0';
    return copied;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int textBytes, LPWSTR wide,
                        int wideUnits) {
    if (codePage != CP_ACP && codePage != 1252)
        return 0;
    if (!text || textBytes == 0 || textBytes < -1 || wideUnits < 0 || (wideUnits > 0 && !wide))
        return 0;
    // -1: the text runs to its NUL, which is converted too.
    size_t length = textBytes == -1 ? std::char_traits<char>::length(text) + 1 : (size_t)textBytes;
    if (wideUnits == 0)
        return (int)length;
    if (length > (size_t)wideUnits)
        return 0; // ERROR_INSUFFICIENT_BUFFER
    for (size_t i = 0; i < length; ++i)
        wide[i] = fromWindows1252((unsigned char)text[i]);
    return (int)length;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    if (!a || !b)
        return a == b ? 0 : (a ? 1 : -1);
    for (;; ++a, ++b) {
        unsigned ua = (unsigned)*a, ub = (unsigned)*b;
        if (ua != ub)
            return ua < ub ? -1 : 1;
        if (ua == 0)
            return 0;
    }
}

BOOL DisableThreadLibraryCalls(HMODULE module) {
    return module ? TRUE : FALSE;
}

} // extern "C"

void RegisterModuleStrings(HINSTANCE module, int count, const UINT* ids,
                           const wchar_t* const* texts) {
    if (count < 0 || (count > 0 && (!ids || !texts))) {
        hostimpl::misuse("RegisterModuleStrings: bad string table");
        return;
    }
    auto& table = stringTables()[module];
    table.clear();
    for (int i = 0; i < count; ++i)
        table[ids[i]] = texts[i] ? texts[i] : L"";
}
#endif
