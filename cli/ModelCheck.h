#pragma once
// `mshtool check`: what the readers reject and the layout invariants they do not enforce.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace mshtool {

/// One thing wrong with a file, and where.
struct CheckProblem {
    int record = -1;        ///< record number from 0; -1 for the container
    std::string recordName; ///< UTF-8, when the record's header was read
    std::string field;
    uint64_t offset = 0; ///< byte offset of the field in the file
    std::string message;

    /// "record 2 "Arm": boneNames[1] at byte 1560: message"
    std::string describe() const;
};

struct CheckResult {
    std::string file;
    std::string layout; ///< "legacy" or "mesh8"; empty when the file could not be opened
    unsigned objectCount = 0;
    std::vector<CheckProblem> problems;
    bool ok() const { return problems.empty(); }
};

/// The names of a BN file's records, for checking the bone names of MSH files; false with
/// `problem` when the file cannot be read whole.
bool readBoneNames(const std::string& path, std::set<std::string>& names, CheckProblem& problem);

/// Checks one MSH or BN file. With `boneNames`, bone and parent names must be in it (parents
/// may also be earlier records of the file). Texture files must exist beside the model.
CheckResult checkModelFile(const std::string& path, const std::set<std::string>* boneNames);

} // namespace mshtool
