#include "scene/CaseFolding.h"

namespace mshgltf {
namespace {

bool latin1Capital(unsigned long c) {
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}

} // namespace

std::wstring caseFolded(std::wstring text) {
    for (wchar_t& c : text)
        if (latin1Capital(static_cast<unsigned long>(c)))
            c = wchar_t(c + 0x20);
    return text;
}

std::string caseFolded(std::string utf8) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 'A' && c <= 'Z') {
            utf8[i] = char(c + 0x20);
        } else if (c == 0xC3 && i + 1 < utf8.size()) {
            // U+00C0-U+00FF are C3 80-BF; a capital's small letter is 0x20 further on.
            unsigned long next = static_cast<unsigned char>(utf8[i + 1]);
            if (next < 0x80 || next > 0xBF)
                continue;
            if (latin1Capital(0x40 + next))
                utf8[i + 1] = char(next + 0x20);
            ++i;
        }
    }
    return utf8;
}

} // namespace mshgltf
