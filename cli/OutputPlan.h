#pragma once
// Checks made before a conversion reads or writes anything: no output may be one of the
// inputs, and no two outputs of a batch may be one file.

#include <string>
#include <vector>

namespace mshtool {

/// False, after saying which on stderr, when one of `outputs` is one of `inputs`: the same
/// path, or the same file reached through a link or, on a file system that ignores letter
/// case, through another spelling.
bool outputsAreNotInputs(const std::string& command, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs);

/// False, after naming each clash on stderr, when two of `inputs` would be written to the same
/// output (`outputs[i]` is the output of `inputs[i]`). Names that differ only in letter case
/// clash too: many file systems take them for one file.
bool outputsAreDistinct(const std::string& command, const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs);

} // namespace mshtool
