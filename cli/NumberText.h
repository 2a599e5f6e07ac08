#pragma once
// Numbers as mshtool prints them: the shortest decimal that reads back as the same float, the
// same on every platform (the C runtimes' own formatting differs, e.g. in exponents).

#include <array>
#include <string>

namespace mshtool {

std::string floatText(float value);
/// "(x, y, z)"
std::string pointText(const std::array<float, 3>& point);
std::string pointText(const float point[3]);

} // namespace mshtool
