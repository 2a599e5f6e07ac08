#ifndef MSH_EXPORTER_EXPORTREPORT_H
#define MSH_EXPORTER_EXPORTREPORT_H

// What an export left out, dropped or cut, gathered so the user is told once at the end.

#include <cstddef>
#include <set>
#include <string>
#include <vector>

/// Items listed in the closing message before the list is shortened.
#define EXPORT_REPORT_LISTED_ITEMS 20

/// The list of losses of one export, each item once, in the order they were met, and the
/// notes that are no loss (what the user's choices made of the scene).
class ExportReport {
public:
    /// Adds an item unless the same text is already listed.
    void add(const std::wstring& item);
    /// Adds a note: told in the host's log, not in the closing message.
    void note(const std::wstring& text) { noted.push_back(text); }
    const std::vector<std::wstring>& notes() const { return noted; }
    bool empty() const { return items.empty(); }
    size_t size() const { return items.size(); }
    const std::vector<std::wstring>& entries() const { return items; }
    /// The closing message: an opening line, then one line per item, at most `listed` of them
    /// followed by "... and N more".
    std::wstring messageText(size_t listed) const;

private:
    std::vector<std::wstring> items;
    std::set<std::wstring> seen;
    std::vector<std::wstring> noted;
};

/// Stores `text` in a fixed 8-bit field as the record writers do, and adds an item naming
/// `what` (e.g. L"name of node \"Arm\"") when the text had to be cut, saying where and why.
void storeReportedText(char* field, size_t size, const std::wstring& text, const std::wstring& what,
                       ExportReport& report);

/// Decimal text of a count with thousands separators ("65,535"), for messages.
std::wstring countText(unsigned long long count);

/// `text` in double quotes, for names in messages.
std::wstring quoted(const std::wstring& text);

#endif
