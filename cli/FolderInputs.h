#pragma once
// `check DIR` and `info DIR`: a folder given as an input stands for the model files inside it,
// so that the exit code says whether they are sound.

#include <string>
#include <vector>

namespace mshtool {

/// `paths` with each folder replaced by the files inside it, at any depth, that are models or
/// BBX files by their bytes or by their name (the rest is passed over, as `check` passes over
/// non-models), in byte order of their paths so runs agree everywhere. A folder without any
/// is said on stderr and stands for nothing. `allRead` turns false, after saying why, when a
/// folder could not be read through.
std::vector<std::string> withFoldersOpened(const std::vector<std::string>& paths, bool& allRead);

} // namespace mshtool
