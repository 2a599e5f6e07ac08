#pragma once
// Image URIs: texture file names go into glTF percent-encoded and come back decoded.

#include <string>

namespace mshgltf {

/// Percent-encodes UTF-8 text for a relative URI: every byte but the unreserved characters
/// (letters, digits, '-', '.', '_', '~') becomes %XX.
std::string percentEncode(const std::string& text);
/// Decodes %XX escapes; a malformed escape is kept as it is.
std::string percentDecode(const std::string& uri);

} // namespace mshgltf
