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

    /// "record 2 "Arm": boneNames[1] at byte 1560: message"; only the message when no field
    /// is named (a problem of the whole file).
    std::string describe() const;
};

struct CheckResult {
    std::string file;
    std::string layout; ///< "legacy", "mesh8" or "bbx"; empty when the file could not be read
    unsigned objectCount = 0;
    std::string bones; ///< the BN file checked against, when it was found beside the file
    std::vector<CheckProblem> problems;
    bool ok() const { return problems.empty(); }
};

/// What a BN file tells about the models and the BBX file beside it.
struct BoneFile {
    std::string path;
    std::set<std::string> names; ///< record names, as bytes
    struct Box {
        float boundsMax[3];
        float boundsMin[3];
    };
    std::vector<Box> boxes; ///< each record's world box, in file order
};

/// Reads the names and boxes of a BN file's records; false with `problem` when the file
/// cannot be read whole.
bool readBoneFile(const std::string& path, BoneFile& bones, CheckProblem& problem);

/// A problem of the whole file (record -1), at byte `offset` of `field`.
CheckProblem fileProblem(const std::string& field, uint64_t offset, const std::string& message);

/// Checks one MSH or BN file. With `bones`, bone and parent names must be in it (parents
/// may also be earlier records of the file). Texture files must exist beside the model.
CheckResult checkModelFile(const std::string& path, const BoneFile* bones);

} // namespace mshtool
