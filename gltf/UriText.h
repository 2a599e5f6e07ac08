#pragma once
// Image URIs: texture file names go into glTF percent-encoded and come back decoded.

#include <string>

namespace mshgltf {

/// Percent-encodes UTF-8 text for a relative URI: every byte but the unreserved characters
/// (letters, digits, '-', '.', '_', '~') becomes %XX.
std::string percentEncode(const std::string& text);
/// Decodes %XX escapes; a malformed escape is kept as it is.
std::string percentDecode(const std::string& uri);
/// The last component of a path, splitting at both '/' and '\\' (texture paths from the
/// host use backslashes, paths of this system's files use slashes).
std::string lastPathComponent(const std::string& path);
std::wstring lastPathComponent(const std::wstring& path);

} // namespace mshgltf

namespace mshgltf {

/// UTF-8 of host text (wide strings; code points above U+FFFF and surrogate pairs of 16-bit
/// wide strings are both handled).
std::string utf8FromWide(const std::wstring& text);
/// Host text of UTF-8; a malformed sequence becomes U+FFFD.
std::wstring wideFromUtf8(const std::string& text);

} // namespace mshgltf
