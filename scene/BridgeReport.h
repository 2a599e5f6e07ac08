#pragma once
// What a conversion has to tell the user: things worth saying, things the target has no place
// for, things lost, and the counts of the closing summary. Lines are collected as they come and
// collapsed only when printed, so adding one is a push_back.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace mshgltf {

/// Problems met on the way: `losses` are things the target could hold but this conversion
/// dropped or changed (the command then exits with 1); `notKept` are things the target format
/// has no place for at all (animations, cameras, material colours...), which no conversion
/// could keep, so they only warn; `warnings` are worth saying but lose nothing. A line may be
/// pushed as plain text; `warn`, `cannotKeep` and `lose` also record which object it is about
/// ("Crate: text"), so that the same text about many objects prints as one line naming them.
struct BridgeReport {
    std::vector<std::string> warnings;
    std::vector<std::string> notKept;
    std::vector<std::string> losses;
    /// Lines added by `warn`/`lose`: the length of the object name they start with.
    std::map<std::string, size_t> objectNameLength;

    size_t objectsWritten = 0; ///< mesh objects in the output
    size_t bonesWritten = 0;   ///< bones in the output
    size_t objectsSplit = 0;   ///< objects written in several parts to fit the format
    size_t objectsLeftOut = 0; ///< nodes and primitives not converted
    /// Bitmaps put beside a glTF under names chosen not to replace another file there.
    std::vector<std::string> texturesCopied;

    /// "object: text" as a warning, `object` named as the output names it.
    void warn(const std::string& object, const std::string& text);
    /// "object: text" as something the target format has no place for.
    void cannotKeep(const std::string& object, const std::string& text);
    /// "object: text" as a loss.
    void lose(const std::string& object, const std::string& text);
};

/// The lines as they are printed, in the order they first came: equal lines once with their
/// count ("text (3 times)"), lines with one text about several objects once, naming them
/// ("A, B, C and 4 more: text").
std::vector<std::string> collapsedLines(const std::vector<std::string>& lines,
                                        const BridgeReport& report);

/// The closing line for one file: "5 objects and 12 bones written, 1 split, 2 left out".
std::string summaryLine(const BridgeReport& report);

} // namespace mshgltf
