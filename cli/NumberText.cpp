#include "cli/NumberText.h"

#include <charconv>

namespace mshtool {

std::string floatText(float value) {
    char text[32];
    std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

std::string pointText(const float point[3]) {
    return "(" + floatText(point[0]) + ", " + floatText(point[1]) + ", " + floatText(point[2]) +
           ")";
}

std::string pointText(const std::array<float, 3>& point) {
    return pointText(point.data());
}

} // namespace mshtool
