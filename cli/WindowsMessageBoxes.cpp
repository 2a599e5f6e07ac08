#include "cli/WindowsMessageBoxes.h"

#include "host/embed/MemoryHost.h"

#include <cstring>
#include <string>

namespace mshtool {
namespace {

int answer(const MessageBoxCall& call) {
    MessageBoxHandler handler = messageBoxHandler();
    return handler ? handler(call) : unattendedAnswer(call.type);
}

int WINAPI hostMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    MessageBoxCall call;
    call.text = text ? text : L"";
    call.caption = caption ? caption : L"";
    call.type = type;
    call.owner = owner;
    call.wide = true;
    return answer(call);
}

std::wstring fromAnsi(LPCSTR text) {
    if (!text || !*text)
        return std::wstring();
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(size_t(units > 0 ? units : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
    wide.resize(wide.size() - 1);
    return wide;
}

int WINAPI hostMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    MessageBoxCall call;
    call.text = fromAnsi(text);
    call.caption = fromAnsi(caption);
    call.type = type;
    call.owner = owner;
    call.wide = false;
    return answer(call);
}

void* replacementFor(const char* function) {
    if (std::strcmp(function, "MessageBoxW") == 0)
        return reinterpret_cast<void*>(&hostMessageBoxW);
    if (std::strcmp(function, "MessageBoxA") == 0)
        return reinterpret_cast<void*>(&hostMessageBoxA);
    return nullptr;
}

void replaceSlot(IMAGE_THUNK_DATA* slot, void* function) {
    DWORD protection = 0;
    if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection))
        return;
    slot->u1.Function = reinterpret_cast<ULONG_PTR>(function);
    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
}

// The import table of a loaded module: the names list (OriginalFirstThunk) tells which
// function each address slot (FirstThunk) holds.
void patchUser32Imports(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* import) {
    if (!import->OriginalFirstThunk)
        return;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
            continue;
        auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (void* replacement = replacementFor(reinterpret_cast<const char*>(byName->Name)))
            replaceSlot(slots, replacement);
    }
}

} // namespace

void routeMessageBoxesToHost(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import)
        if (_stricmp(reinterpret_cast<const char*>(base + import->Name), "user32.dll") == 0)
            patchUser32Imports(base, import);
}

} // namespace mshtool
