#ifndef MSH_FORMAT_MSHERROR_H
#define MSH_FORMAT_MSHERROR_H

#include <stdint.h>
#include <string>

/// What went wrong while reading or writing a model file.
enum MshErrorKind {
    MshErrorNone = 0,
    MshErrorOpen,      ///< the file could not be opened or created
    MshErrorTruncated, ///< the file ends before its counts say it does
    MshErrorCount,     ///< a count outside what the layout allows
    MshErrorIndex,     ///< an index pointing outside its table
    MshErrorTooLarge,  ///< the writer was given more than the layout can hold
    MshErrorWrite      ///< a write, flush, close or rename failed
};

/// An error value: kind, and where (file, record, field, byte offset) with what was expected
/// and what was found. Readers and writers return it instead of throwing.
struct MshError {
    MshErrorKind kind;
    std::string file;       ///< path as UTF-8
    int record;             ///< record number from 0; -1 for the container itself
    std::string recordName; ///< the record's name when its header was read
    std::string field;      ///< e.g. "numBones", "faces[3].vertex[1]"
    uint64_t offset;        ///< byte offset of the field in the file
    std::string expected;
    std::string found;

    MshError();
    bool ok() const { return kind == MshErrorNone; }
    /// One line: "<file>: record 2 "Arm": numBones at byte 1560: expected 0 to 4, found 9".
    std::string describe() const;
};

/// Fills `error` and returns false, so readers can write `return fail(...)`.
bool failWith(MshError& error, MshErrorKind kind, const std::string& field, uint64_t offset,
              const std::string& expected, const std::string& found);

/// Decimal text of a number, for the expected/found parts of a message.
std::string numberText(int64_t value);

/// What the exception being handled says: "not enough memory" for std::bad_alloc, what() for
/// other standard exceptions, "an unexpected error" otherwise. Call it only inside a catch
/// block; it throws std::bad_alloc when there is no memory for the text.
std::string currentExceptionText();

#endif
