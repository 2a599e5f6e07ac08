#pragma once
#include <string>

namespace mshtool {

/// True when stderr is a terminal: batch progress lines are shown only there.
bool stderrIsTerminal();
/// One progress line for file `index` of `count` (nothing when stderr is not a terminal).
void showProgress(size_t index, size_t count, const std::string& file);

} // namespace mshtool
