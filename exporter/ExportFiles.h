#ifndef MSH_EXPORTER_EXPORTFILES_H
#define MSH_EXPORTER_EXPORTFILES_H

// The files of one export. Each is written to a temporary file beside its target; only when
// every file has been written completely are they moved over their targets, so a failure
// while writing leaves every old file as it was.

#include "format/MshOutput.h"

#include <memory>
#include <string>
#include <vector>

/// The outputs of one export and the first failure met.
class ExportFiles {
public:
    ExportFiles();

    /// Creates the temporary file for `target`. NULL when it cannot be created or another
    /// file of the export has the same name; the export has then failed.
    MshOutput* create(const std::wstring& target);
    /// Marks the export failed for a reason that is not an output's own.
    void fail(const std::wstring& target, const std::wstring& reason);
    /// True once a file could not be created or written, or a failure was marked.
    bool failed();
    /// Closes every temporary file, then moves each over its target in creation order. A
    /// failure while closing changes no target; at a failed move the rest are abandoned and
    /// their targets left alone. Nothing is committed once the export has failed.
    bool commitAll();
    /// Removes every temporary file not yet moved over its target.
    void abandonAll() { outputs.clear(); }
    /// What failed, where and why, and which files were changed, for the user.
    std::wstring failureMessage() const;
    /// The closing lines of a failure message: which targets were already replaced, or that
    /// no file was changed. Begins with a line break.
    std::wstring outcomeText() const;

private:
    void noteFailure(const std::wstring& target, const std::string& reason);

    std::vector<std::unique_ptr<AtomicFileOutput>> outputs;
    std::vector<std::wstring> committed;
    std::wstring failedTarget;
    std::wstring failedReason;
};

#endif
