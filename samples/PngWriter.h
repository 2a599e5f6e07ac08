#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace samples {

/// Writes an 8-bit RGB image as a PNG with stored (uncompressed) deflate blocks: no zlib
/// needed, and every viewer and glTF tool reads it. `rgb` holds width x height x 3 bytes.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

} // namespace samples
