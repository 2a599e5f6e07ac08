#pragma once
// What a batch's parent and its workers say to each other, one frame each: a worker asks for
// a file ("ready", or with the result of the file it did), names a staging folder it made;
// the parent answers each request with the index of the next file, or with none left.

#include "cli/Console.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mshtool {

struct WorkerReport {
    enum Kind : char { ready = 'N', staging = 'S', result = 'R' };
    Kind kind = ready;
    std::string stagingFolder;        ///< staging
    uint64_t index = 0;               ///< result: the file's place in the batch
    int code = 0;                     ///< result: the command's outcome for it
    std::string record;               ///< result: the command's own data for it (JSON)
    std::vector<CapturedText> output; ///< result: what it printed, in order
};

std::string encodeReport(const WorkerReport& report);
/// False when `frame` is not a whole report.
bool decodeReport(const std::string& frame, WorkerReport& report);

/// The parent's answer: the next file's index, or `noFileLeft`.
const uint64_t noFileLeft = ~uint64_t(0);
std::string encodeNextFile(uint64_t index);
bool decodeNextFile(const std::string& frame, uint64_t& index);

} // namespace mshtool
