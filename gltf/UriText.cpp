#include "gltf/UriText.h"

namespace mshgltf {

std::string percentEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string percentDecode(const std::string& uri) {
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            int high = hexValue(uri[i + 1]), low = hexValue(uri[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += uri[i];
    }
    return out;
}

std::string lastPathComponent(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::wstring lastPathComponent(const std::wstring& path) {
    size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

} // namespace mshgltf

namespace mshgltf {

namespace {

void appendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void appendWide(std::wstring& out, unsigned long cp) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        cp -= 0x10000;
        out += wchar_t(0xD800 + (cp >> 10));
        out += wchar_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += wchar_t(cp);
    }
}

} // namespace

std::string utf8FromWide(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long cp = (unsigned long)text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            unsigned long low = (unsigned long)text[i + 1];
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp > 0x10FFFF)
            cp = 0xFFFD;
        appendUtf8(out, cp);
    }
    return out;
}

std::wstring wideFromUtf8(const std::string& text) {
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char)text[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= text.size()) {
            appendWide(out, 0xFFFD);
            ++i;
            continue;
        }
        unsigned long cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = (unsigned char)text[i + size_t(k)];
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            appendWide(out, 0xFFFD);
            ++i;
            continue;
        }
        appendWide(out, cp);
        i += size_t(extra) + 1;
    }
    return out;
}

} // namespace mshgltf
