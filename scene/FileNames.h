#pragma once
// File names out of paths: texture paths from the host use backslashes, paths of this
// system's files use slashes, and both sides need the bare name.

#include <string>

namespace mshgltf {

/// The last component of a path, splitting at both '/' and '\\'.
std::string lastPathComponent(const std::string& path);
std::wstring lastPathComponent(const std::wstring& path);

} // namespace mshgltf
