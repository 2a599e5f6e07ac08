#include "cli/BatchProgress.h"

#include "cli/Console.h"

#include <utility>

namespace mshtool {

BatchProgress::BatchProgress(size_t fileCount, std::string done, std::string failed,
                             bool withLosses)
    : files(fileCount), doneWord(std::move(done)), failedWord(std::move(failed)),
      countsLosses(withLosses) {}

void BatchProgress::start(size_t index, const std::string& file) {
    showProgress("[" + std::to_string(index + 1) + "/" + std::to_string(files) + "] " + file);
}

void BatchProgress::finish() {
    clearProgress();
    if (files < 2 || !showsProgress())
        return;
    std::string summary =
        std::to_string(files) + " files: " + std::to_string(doneCount) + " " + doneWord + ", ";
    if (countsLosses)
        summary += std::to_string(lossyCount) + " " + doneWord + " with losses, ";
    summary += std::to_string(failedCount) + " " + failedWord;
    if (skippedCount > 0)
        summary += ", " + std::to_string(skippedCount) + " skipped";
    printMessage(summary);
}

} // namespace mshtool
