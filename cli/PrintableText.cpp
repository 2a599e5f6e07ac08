#include "cli/PrintableText.h"

#include <cstdint>

namespace mshtool {
namespace {

std::string hexEscape(const char* prefix, unsigned value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text = prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text += hex[(value >> shift) & 0xF];
    return text;
}

// Length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when it is not one; `code` is its
// code point.
size_t utf8Sequence(const std::string& text, size_t at, uint32_t& code) {
    unsigned char lead = (unsigned char)text[at];
    size_t length = lead < 0x80                   ? 1
                    : lead >= 0xC2 && lead < 0xE0 ? 2
                    : lead >= 0xE0 && lead < 0xF0 ? 3
                    : lead >= 0xF0 && lead < 0xF5 ? 4
                                                  : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        unsigned char next = (unsigned char)text[at + i];
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    static const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

std::string printableText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        uint32_t code = 0;
        size_t length = utf8Sequence(text, at, code);
        if (length == 0) {
            shown += hexEscape("\\x", (unsigned char)text[at], 2);
            ++at;
            continue;
        }
        if (code < 0x20 || code == 0x7F)
            shown += hexEscape("\\x", code, 2);
        else if (code >= 0x80 && code < 0xA0)
            shown += hexEscape("\\u", code, 4);
        else
            shown.append(text, at, length);
        at += length;
    }
    return shown;
}

} // namespace mshtool
