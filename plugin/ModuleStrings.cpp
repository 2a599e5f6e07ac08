#include "plugin/ModuleStrings.h"

#include "host/WinApi.h"
#include "plugin/ModuleInstance.h"

#include <map>
#include <new>
#include <string>

namespace {

typedef std::map<UINT, std::wstring> LoadedStrings;

// Created on first use, so no lookup can run before it exists; map nodes never move, so the
// text of every entry stays where it was first returned.
LoadedStrings& loadedStrings() {
    static LoadedStrings strings;
    return strings;
}

// Reads a string straight from the module's resources, with no length limit: with a buffer
// size of 0, LoadStringW hands back a read-only pointer to the text and its length.
bool readStringResource(HINSTANCE instance, UINT id, std::wstring& text) {
    const wchar_t* resource = NULL;
    int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || resource == NULL)
        return false;
    text.assign(resource, static_cast<size_t>(length));
    return true;
}

} // namespace

const MCHAR* moduleString(UINT id) {
    HINSTANCE instance = moduleInstance();
    if (instance == NULL)
        return NULL;
    LoadedStrings& strings = loadedStrings();
    LoadedStrings::const_iterator found = strings.find(id);
    if (found != strings.end())
        return found->second.c_str();
    // The host calls this through the descriptor: no exception may leave the library.
    try {
        std::wstring text;
        if (!readStringResource(instance, id, text))
            return NULL;
        return strings.insert(LoadedStrings::value_type(id, text)).first->second.c_str();
    } catch (const std::bad_alloc&) {
        return NULL;
    }
}
