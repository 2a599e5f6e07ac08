#ifndef MSH_FORMAT_TEXTFIELD_H
#define MSH_FORMAT_TEXTFIELD_H

// Fixed-size 8-bit text fields: names, parent names, texture and BBX paths.

#include <cstddef>
#include <string>

/// Zero-fills `field` and stores `text` one byte per character, stopping at the text's end,
/// after `size` bytes, or before the first character above U+00FF. A text as long as the
/// field has no terminating zero. Returns false when the text was cut (too long or a
/// character above U+00FF), so callers can tell the user.
bool storeTextField(char* field, size_t size, const std::wstring& text);

/// The text of a field: its bytes up to the first zero byte or the end of the field, never past.
std::string readTextField(const char* field, size_t size);

/// Widens each byte to the character of the same value (ISO 8859-1), for texture names.
std::wstring widenLatin1(const std::string& bytes);

/// UTF-8 form of a wide string, for messages and for opening files on POSIX systems.
std::string toUtf8(const std::wstring& text);

/// Wide form of UTF-8 text (invalid sequences become U+FFFD).
std::wstring fromUtf8(const std::string& text);

#endif
