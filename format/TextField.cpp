#include "format/TextField.h"

#include <cstring>

bool storeTextField(char* field, size_t size, const std::wstring& text) {
    memset(field, 0, size);
    size_t stored = 0;
    for (; stored < text.size() && stored < size; ++stored) {
        unsigned long unit = static_cast<unsigned long>(text[stored]);
        if (unit == 0 || unit > 0xFF)
            break;
        field[stored] = static_cast<char>(static_cast<unsigned char>(unit));
    }
    return stored == text.size() || (stored < text.size() && text[stored] == 0);
}

std::string readTextField(const char* field, size_t size) {
    const void* zero = memchr(field, 0, size);
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : size;
    return std::string(field, length);
}

std::wstring widenLatin1(const std::string& bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    return wide;
}

std::string toUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]);
        // A UTF-16 surrogate pair (Windows) makes one code point.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            unsigned long low = static_cast<unsigned long>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c > 0x10FFFF)
            c = 0xFFFD; // no character has this value
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

static void appendCodePoint(std::wstring& out, unsigned long c) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(c));
    }
}

std::wstring fromUtf8(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80         ? 0
                    : (lead >> 5) == 6  ? 1
                    : (lead >> 4) == 14 ? 2
                    : (lead >> 3) == 30 ? 3
                                        : -1;
        if (extra < 0) {
            appendCodePoint(out, 0xFFFD);
            ++i;
            continue;
        }
        unsigned long c = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size()) {
                valid = false;
                break;
            }
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            appendCodePoint(out, 0xFFFD);
            ++i;
            continue;
        }
        appendCodePoint(out, c);
        i += 1 + extra;
    }
    return out;
}
