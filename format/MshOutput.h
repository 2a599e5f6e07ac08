#ifndef MSH_FORMAT_MSHOUTPUT_H
#define MSH_FORMAT_MSHOUTPUT_H

#include "format/FilePaths.h"

#include <cstddef>
#include <cstdio>
#include <stdint.h>
#include <string>

/// Where record writers put their bytes. Once a write fails the output stays failed and
/// ignores further writes, so a writer can check once at the end.
class MshOutput {
public:
    MshOutput();
    virtual ~MshOutput();
    /// Appends bytes; false when this or an earlier write failed.
    bool write(const void* bytes, size_t size);
    /// Writes over bytes already written from `offset` (a count known only at the end);
    /// false when this or an earlier write failed. Later writes still append.
    bool overwrite(uint64_t offset, const void* bytes, size_t size);
    bool failed() const { return hasFailed; }
    /// Why the output failed, for the user.
    const std::string& failureReason() const { return reason; }

protected:
    virtual bool writeBytes(const void* bytes, size_t size) = 0;
    virtual bool overwriteBytes(uint64_t offset, const void* bytes, size_t size) = 0;
    void fail(const std::string& why);

private:
    bool hasFailed;
    std::string reason;
};

/// Collects the bytes in memory (tests, benchmarks, byte-exact comparisons).
class MemoryOutput : public MshOutput {
public:
    const std::string& bytes() const { return buffer; }

protected:
    bool writeBytes(const void* bytes, size_t size);
    bool overwriteBytes(uint64_t offset, const void* bytes, size_t size);

private:
    std::string buffer;
};

/// Writes to a temporary file beside the target and moves it over the target only in
/// `commit`, so a failed or interrupted export never leaves a truncated file in place of a
/// good one. Destroying it without a successful commit removes the temporary file.
class AtomicFileOutput : public MshOutput {
public:
    explicit AtomicFileOutput(const std::wstring& target);
    ~AtomicFileOutput();
    /// Creates the temporary file; false (with the reason) when it cannot be created.
    bool open();
    /// Flushes and closes the temporary file, keeping it for `commit`; false (with the reason)
    /// on failure, in which case the temporary file is removed. Lets a caller with several
    /// files close them all before it replaces any target.
    bool finish();
    /// Finishes (when not done yet) and renames over the target; false (with the reason) on
    /// any failure, in which case the target is untouched and the temporary file removed.
    bool commit();
    /// Closes and removes the temporary file; the target is untouched.
    void abandon();
    const std::wstring& targetPath() const { return target; }
    const std::wstring& temporaryPath() const { return temporary; }

protected:
    bool writeBytes(const void* bytes, size_t size);
    bool overwriteBytes(uint64_t offset, const void* bytes, size_t size);

private:
    AtomicFileOutput(const AtomicFileOutput&);
    bool injectedWriteFault();
    AtomicFileOutput& operator=(const AtomicFileOutput&);

    void removeTemporary();

    std::wstring target;
    std::wstring temporary;
    NativePath temporaryOnDisk; ///< made once, so removing it needs no memory
    FILE* file;
    bool finished; ///< closed and complete, waiting for the rename
    bool onDisk;   ///< the temporary file exists (created and not yet renamed or removed)
};

/// Test hook for fault injection: the `failAtWrite`-th file write from now (1-based; 0 = never)
/// fails, and with `failAtCommit` every commit fails. Applies to AtomicFileOutput only.
void setFileWriteFault(int failAtWrite, bool failAtCommit);
/// How many file writes have been made since the last setFileWriteFault.
int fileWritesSinceFaultSet();
/// Test hook for fault injection: the `failAtClose`-th close of a temporary file from now
/// (1-based; 0 = never) fails, as a full disk shows at the final flush.
void setFileCloseFault(int failAtClose);
/// How many temporary files have been closed since the last setFileCloseFault.
int fileClosesSinceFaultSet();

#endif
