#pragma once
// A conversion writes its files into a hidden staging folder beside their targets, under
// their final names (the exporter derives the BN and BBX names and the BBX's model name from
// the MSH name, the glTF writer its .bin name), and they are moved into place only when the
// conversion is over: one that lost something then never replaces an existing file, unless
// forced, and one that failed leaves nothing behind.

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace mshtool {

class OutputStage {
public:
    OutputStage() = default;
    /// Removes the staging folder and whatever is still in it, and the target folder when
    /// `open` created it and nothing was moved into it.
    ~OutputStage();
    OutputStage(const OutputStage&) = delete;
    OutputStage& operator=(const OutputStage&) = delete;

    /// Creates `targetFolder` when missing and the staging folder inside it, after removing
    /// the staging folders there whose run is gone; false after saying why on stderr. Messages
    /// show staged paths as their targets from now on. From here on an interrupt removes the
    /// staging folder (and the folders `open` made, when empty) before the process ends.
    bool open(const std::filesystem::path& targetFolder);

    /// Where to write the file that is to become `targetFolder/fileName`, as UTF-8.
    std::string stagedPath(const std::filesystem::path& fileName) const;
    /// The staging folder, as UTF-8 (for writers that put files beside their output).
    std::string folder() const;
    /// Where the staged files go ("." for the current folder).
    std::filesystem::path targetFolder() const;

    /// Moves every staged file into the target folder, all of them or none. Every target is
    /// checked first: none may be a folder or, without `force`, a read-only file, and a file
    /// with other bytes is replaced only when nothing was `lost`, or with `force`. A replaced
    /// file is kept aside until all are in place, so that a move that fails (or an interrupt)
    /// puts back what was there. A target with the same bytes already is left as it is. False
    /// when nothing was moved, after naming on stderr each target and why it was kept.
    bool commit(bool lost, bool force);
    /// Deletes what is staged, after a failed conversion.
    void discard();

    /// The staged `fileName` was named after a look at the target folder so as to replace
    /// nothing there: the commit never replaces a file of other bytes that is there by then
    /// (another conversion of the batch, or another run, put it there meanwhile), not even
    /// with `force`; it moves nothing and `nameTaken` says so. Until the next commit.
    void placeAsNew(const std::filesystem::path& fileName);
    /// The last commit failed on such a name only: the conversion, done again, picks another.
    bool nameTaken() const { return takenName; }

    /// Removes the staging folder and the empty folders `open` made; what an interrupt does.
    void removeAll();

private:
    struct Placement;
    bool placeAll(const std::vector<Placement>& plan, bool force);
    void putBack(const std::vector<Placement>& placed);

    std::filesystem::path target;
    std::filesystem::path stage;
    std::filesystem::path created;         ///< the outermost folder `open` created, if any
    std::set<std::filesystem::path> asNew; ///< staged names that must not replace a file
    bool takenName = false;
};

/// How one conversion ended, for the exit code and a batch's summary.
enum class Conversion {
    converted,           ///< written, nothing lost
    convertedWithLosses, ///< written, something lost on the way
    failed               ///< nothing written
};
/// 0 only for `converted`.
int exitCodeOf(Conversion conversion);

/// Ends the conversion of `input` whose files are staged: commits them (`lost`: it lost
/// something; `force`: replace anyway), shows `note` and then `summary` (when not empty) when
/// they were written, and says when something was lost.
Conversion finishConversion(OutputStage& stage, const std::string& input, bool lost, bool force,
                            const std::string& note, const std::string& summary = std::string());

} // namespace mshtool
