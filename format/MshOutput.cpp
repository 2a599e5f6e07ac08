#include "format/MshOutput.h"

#include "format/FilePaths.h"

#include <sstream>

MshOutput::MshOutput() : hasFailed(false) {}

MshOutput::~MshOutput() {}

bool MshOutput::write(const void* bytes, size_t size) {
    if (hasFailed)
        return false;
    if (size == 0)
        return true;
    if (!writeBytes(bytes, size)) {
        if (!hasFailed)
            fail("write failed");
        return false;
    }
    return true;
}

bool MshOutput::overwrite(uint64_t offset, const void* bytes, size_t size) {
    if (hasFailed)
        return false;
    if (size == 0)
        return true;
    if (!overwriteBytes(offset, bytes, size)) {
        if (!hasFailed)
            fail("write failed");
        return false;
    }
    return true;
}

void MshOutput::fail(const std::string& why) {
    if (!hasFailed) {
        hasFailed = true;
        reason = why;
    }
}

bool MemoryOutput::writeBytes(const void* bytes, size_t size) {
    buffer.append(static_cast<const char*>(bytes), size);
    return true;
}

bool MemoryOutput::overwriteBytes(uint64_t offset, const void* bytes, size_t size) {
    if (offset > buffer.size() || size > buffer.size() - offset)
        return false; // only what is written can be written over
    buffer.replace(static_cast<size_t>(offset), size, static_cast<const char*>(bytes), size);
    return true;
}

namespace {
int faultAtWrite = 0;
bool faultAtCommit = false;
int writesSinceFault = 0;
int faultAtClose = 0;
int closesSinceFault = 0;
} // namespace

void setFileCloseFault(int failAtClose) {
    faultAtClose = failAtClose;
    closesSinceFault = 0;
}

int fileClosesSinceFaultSet() {
    return closesSinceFault;
}

void setFileWriteFault(int failAtWrite, bool failAtCommit) {
    faultAtWrite = failAtWrite;
    faultAtCommit = failAtCommit;
    writesSinceFault = 0;
}

int fileWritesSinceFaultSet() {
    return writesSinceFault;
}

AtomicFileOutput::AtomicFileOutput(const std::wstring& targetPath)
    : target(targetPath), file(NULL), finished(false), onDisk(false) {}

AtomicFileOutput::~AtomicFileOutput() {
    abandon();
}

// A short name of its own in the target's folder (the rename must not cross file systems):
// the target's name plus a suffix could exceed the longest name the file system allows,
// and could be a file of the user's.
static std::wstring temporaryName(const std::wstring& folder, unsigned number) {
    std::wostringstream name;
    name << folder << L".msh-" << number << L".tmp";
    return name.str();
}

bool AtomicFileOutput::open() {
    // Refused before the file is written, not after; the temporary file goes beside the file
    // a link points to, where it can be renamed over it.
    std::string refusal;
    if (!canReplaceFile(target, false, refusal)) {
        fail("cannot replace the file: " + refusal);
        return false;
    }
    const std::wstring folder = folderPartOf(linkedFilePath(target));
    for (unsigned number = 1; number <= 1000; ++number) {
        // Both names are made before the file exists, so nothing can throw while it does
        // without the destructor knowing to remove it.
        std::wstring candidate = temporaryName(folder, number);
        NativePath candidateOnDisk = nativePath(candidate);
        bool taken = false;
        file = createNewFileForWriting(candidate, taken);
        if (file) {
            temporary.swap(candidate);
            temporaryOnDisk.swap(candidateOnDisk);
            onDisk = true;
            return true;
        }
        if (!taken)
            break;
    }
    fail("cannot create the file: " + lastErrorText());
    return false;
}

bool AtomicFileOutput::injectedWriteFault() {
    ++writesSinceFault;
    if (faultAtWrite != 0 && writesSinceFault == faultAtWrite) {
        fail("write failed (injected fault)");
        return true;
    }
    return false;
}

bool AtomicFileOutput::writeBytes(const void* bytes, size_t size) {
    if (!file) {
        fail("the file is not open");
        return false;
    }
    if (injectedWriteFault())
        return false;
    if (fwrite(bytes, 1, size, file) != size) {
        fail("write failed: " + lastErrorText());
        return false;
    }
    return true;
}

bool AtomicFileOutput::overwriteBytes(uint64_t offset, const void* bytes, size_t size) {
    if (!file) {
        fail("the file is not open");
        return false;
    }
    if (injectedWriteFault())
        return false;
    // Only a header is written over, within the first bytes, so a long offset holds it.
    if (offset > 0x7FFFFFFF || fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
        fwrite(bytes, 1, size, file) != size || fseek(file, 0, SEEK_END) != 0) {
        fail("write failed: " + lastErrorText());
        return false;
    }
    return true;
}

bool AtomicFileOutput::finish() {
    if (finished)
        return true;
    if (!file) {
        fail("the file is not open");
        return false;
    }
    if (failed()) {
        abandon();
        return false;
    }
    bool flushed = fflush(file) == 0;
    std::string why = flushed ? std::string() : "write failed: " + lastErrorText();
    bool closed = fclose(file) == 0;
    file = NULL;
    ++closesSinceFault;
    if (flushed && !closed)
        why = "close failed: " + lastErrorText();
    if (flushed && closed && faultAtClose != 0 && closesSinceFault == faultAtClose)
        why = "close failed (injected fault)";
    if (!why.empty()) {
        removeTemporary();
        fail(why);
        return false;
    }
    finished = true;
    return true;
}

// The temporary file stays marked on disk until it is renamed or removed, so whatever
// interrupts this (an exception included) leaves it to the destructor to remove.
bool AtomicFileOutput::commit() {
    if (!finish())
        return false;
    if (faultAtCommit) {
        removeTemporary();
        fail("close failed (injected fault)");
        return false;
    }
    std::string renameReason;
    if (!replaceFile(temporary, target, renameReason)) {
        removeTemporary();
        fail("cannot replace the file: " + renameReason);
        return false;
    }
    finished = false;
    onDisk = false;
    return true;
}

void AtomicFileOutput::abandon() {
    if (file) {
        fclose(file);
        file = NULL;
    }
    removeTemporary();
}

void AtomicFileOutput::removeTemporary() {
    finished = false;
    if (onDisk)
        removeNativeFile(temporaryOnDisk);
    onDisk = false;
}
