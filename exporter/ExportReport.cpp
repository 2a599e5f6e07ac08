#include "exporter/ExportReport.h"

#include "format/TextField.h"

#include <cstdio>

void ExportReport::add(const std::wstring& item) {
    if (seen.insert(item).second)
        items.push_back(item);
}

std::wstring ExportReport::messageText(size_t listed) const {
    std::wstring text = L"The files were written, but not everything fitted the MSH format:";
    size_t shown = items.size() < listed ? items.size() : listed;
    for (size_t i = 0; i < shown; ++i)
        text += L"\n- " + items[i];
    if (items.size() > shown)
        text += L"\n... and " + countText(items.size() - shown) + L" more";
    return text;
}

static std::wstring hexCode(unsigned long unit) {
    char digits[16];
    snprintf(digits, sizeof digits, "U+%04lX", unit);
    return widenLatin1(digits);
}

void storeReportedText(char* field, size_t size, const std::wstring& text, const std::wstring& what,
                       ExportReport& report) {
    if (storeTextField(field, size, text))
        return;
    size_t kept = 0;
    while (kept < text.size() && kept < size && text[kept] != 0 &&
           static_cast<unsigned long>(text[kept]) <= 0xFF)
        ++kept;
    std::wstring why;
    if (kept < text.size() && kept < size)
        why = L"cut before the character " + hexCode(static_cast<unsigned long>(text[kept])) +
              L", which an 8-bit field cannot hold";
    else
        why = L"cut to the field's " + countText(size) + L" characters";
    report.add(what + L" " + quoted(text) + L": " + why + L" (stored as " +
               quoted(text.substr(0, kept)) + L")");
}

std::wstring countText(unsigned long long count) {
    char digits[32];
    snprintf(digits, sizeof digits, "%llu", count);
    std::string plain(digits);
    std::string grouped;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (i > 0 && (plain.size() - i) % 3 == 0)
            grouped += ',';
        grouped += plain[i];
    }
    return widenLatin1(grouped);
}

std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}
