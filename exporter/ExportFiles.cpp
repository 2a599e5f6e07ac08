#include "exporter/ExportFiles.h"

#include "format/TextField.h"

#include <cwctype>
#include <utility>

// File names compare without regard to case, as on the host's file system.
static bool sameFile(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towlower(static_cast<wint_t>(a[i])) != towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

ExportFiles::ExportFiles() {}

MshOutput* ExportFiles::create(const std::wstring& target) {
    // An export path ending in "BBX" names its own BBX file; writing both would mix them.
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (sameFile(outputs[i]->targetPath(), target)) {
            fail(target, L"another file of this export has the same name");
            return NULL;
        }
    }
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
    // Every name and its room in the list first: once a target is replaced, nothing may
    // allocate (and so throw) before it is listed for the user.
    std::vector<std::wstring> targets;
    for (size_t i = 0; i < outputs.size(); ++i)
        targets.push_back(outputs[i]->targetPath());
    committed.reserve(committed.size() + targets.size());
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!outputs[i]->commit()) {
            noteFailure(outputs[i]->targetPath(), outputs[i]->failureReason());
            outputs.clear();
            return false;
        }
        committed.push_back(std::move(targets[i]));
    }
    outputs.clear();
    return true;
}

std::wstring ExportFiles::failureMessage() const {
    return L"The export failed: " + failedTarget + L" could not be written (" + failedReason +
           L")." + outcomeText();
}

std::wstring ExportFiles::outcomeText() const {
    std::wstring text;
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
