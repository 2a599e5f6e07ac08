#include "exporter/ExportFiles.h"

#include "format/TextField.h"

ExportFiles::ExportFiles() {}

MshOutput* ExportFiles::create(const std::wstring& target) {
    std::unique_ptr<AtomicFileOutput> output(new AtomicFileOutput(target));
    if (!output->open()) {
        noteFailure(target, output->failureReason());
        return NULL;
    }
    outputs.push_back(std::move(output));
    return outputs.back().get();
}

void ExportFiles::noteFailure(const std::wstring& target, const std::string& reason) {
    if (failedTarget.empty()) {
        failedTarget = target;
        failedReason = fromUtf8(reason);
    }
}

void ExportFiles::fail(const std::wstring& target, const std::wstring& reason) {
    if (failedTarget.empty()) {
        failedTarget = target;
        failedReason = reason;
    }
}

bool ExportFiles::failed() {
    for (size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i]->failed())
            noteFailure(outputs[i]->targetPath(), outputs[i]->failureReason());
    return !failedTarget.empty();
}

bool ExportFiles::commitAll() {
    if (failed()) {
        outputs.clear();
        return false;
    }
    // Close every file before replacing any: a close that fails (a full disk shows at the
    // final flush) then leaves all the old files in place.
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!outputs[i]->finish()) {
            noteFailure(outputs[i]->targetPath(), outputs[i]->failureReason());
            outputs.clear();
            return false;
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!outputs[i]->commit()) {
            noteFailure(outputs[i]->targetPath(), outputs[i]->failureReason());
            outputs.clear();
            return false;
        }
        committed.push_back(outputs[i]->targetPath());
    }
    outputs.clear();
    return true;
}

std::wstring ExportFiles::failureMessage() const {
    std::wstring text =
        L"The export failed: " + failedTarget + L" could not be written (" + failedReason + L").";
    if (committed.empty()) {
        text += L"\nNo file was changed.";
    } else {
        text += L"\nAlready replaced before the failure:";
        for (size_t i = 0; i < committed.size(); ++i)
            text += L"\n" + committed[i];
        text += L"\nEvery other file keeps its old contents.";
    }
    return text;
}
