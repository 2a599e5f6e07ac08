#include "exporter/ExportReport.h"

#include "format/TextField.h"

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
    const wchar_t* hex = L"0123456789ABCDEF";
    std::wstring digits;
    for (; unit != 0 || digits.size() < 4; unit >>= 4)
        digits.insert(digits.begin(), hex[unit & 0xF]);
    return L"U+" + digits;
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
    std::wstring text;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            text.insert(text.begin(), L',');
        text.insert(text.begin(), static_cast<wchar_t>(L'0' + count % 10));
        count /= 10;
        ++digits;
    } while (count != 0);
    return text;
}

std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}
