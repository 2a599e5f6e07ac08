#pragma once
// A command's way through its files: on a terminal, one progress line on stderr naming the
// file at work, replaced for each file and removed at the end, and after several files one
// summary line ("32 files: 24 converted, 7 converted with losses, 1 failed"). Nothing of it
// when stderr is piped.

#include <string>

namespace mshtool {

class BatchProgress {
public:
    /// `done` and `failed` name the two outcomes ("converted", "failed"); a command that
    /// writes files has a third, `withLosses`, always counted in its summary.
    BatchProgress(size_t files, std::string done, std::string failed, bool withLosses = false);
    /// Shows "[index+1/files] file".
    void start(size_t index, const std::string& file);
    void succeeded() { ++doneCount; }
    /// Written, but something was lost on the way: counted as "`done` with losses".
    void succeededWithLosses() { ++lossyCount; }
    void failed() { ++failedCount; }
    void skipped() { ++skippedCount; }
    /// Removes the progress line and, after several files, shows the summary.
    void finish();

private:
    size_t files;
    std::string doneWord, failedWord;
    bool countsLosses;
    size_t doneCount = 0, lossyCount = 0, failedCount = 0, skippedCount = 0;
};

} // namespace mshtool
