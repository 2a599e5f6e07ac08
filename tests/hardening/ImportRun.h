#pragma once
// One DoImport of a file as the host makes it, with what the user was told and what the host
// saw misused.

#include "host/embed/MemoryHost.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hardening {

struct ImportRun {
    int result;
    std::vector<std::wstring> messages; ///< texts of the message boxes, in order
    std::vector<std::string> misuse;    ///< host misuse reports (must stay empty)
};

/// Imports `file` into the current scene with a fresh import plug-in object.
ImportRun importFile(const std::filesystem::path& file);

/// True when some message contains every one of `parts`.
bool someMessageHas(const ImportRun& run, const std::vector<std::wstring>& parts);

} // namespace hardening
