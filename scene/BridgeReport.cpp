#include "scene/BridgeReport.h"

#include <algorithm>

namespace mshgltf {
namespace {

void addLine(std::vector<std::string>& lines, std::map<std::string, size_t>& nameLength,
             const std::string& object, const std::string& text) {
    std::string line = object + ": " + text;
    nameLength[line] = object.size();
    lines.push_back(line);
}

// Lines with the same text, about one or more objects (plain lines have none).
struct LineGroup {
    std::string text;
    bool aboutObjects = false;
    std::vector<std::string> objects; ///< distinct, in the order they came
    size_t count = 0;
};

std::string counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string printed(const LineGroup& group) {
    std::string line = group.text;
    size_t shownObjects = group.objects.size();
    if (group.aboutObjects) {
        // Four names fit a line; past that three stand for all of them.
        size_t shown = group.objects.size() <= 4 ? group.objects.size() : 3;
        std::string names;
        for (size_t i = 0; i < shown; ++i)
            names += (i ? ", " : "") + group.objects[i];
        if (shown < group.objects.size())
            names += " and " + std::to_string(group.objects.size() - shown) + " more";
        line = names + ": " + group.text;
    } else {
        shownObjects = 1;
    }
    if (group.count > shownObjects)
        line += " (" + std::to_string(group.count) + " times)";
    return line;
}

} // namespace

void BridgeReport::warn(const std::string& object, const std::string& text) {
    addLine(warnings, objectNameLength, object, text);
}

void BridgeReport::cannotKeep(const std::string& object, const std::string& text) {
    addLine(notKept, objectNameLength, object, text);
}

void BridgeReport::lose(const std::string& object, const std::string& text) {
    addLine(losses, objectNameLength, object, text);
}

std::vector<std::string> collapsedLines(const std::vector<std::string>& lines,
                                        const BridgeReport& report) {
    std::vector<LineGroup> groups;
    std::map<std::pair<bool, std::string>, size_t> groupOf;
    for (const std::string& line : lines) {
        auto named = report.objectNameLength.find(line);
        bool aboutObject =
            named != report.objectNameLength.end() && named->second + 2 <= line.size();
        std::string text = aboutObject ? line.substr(named->second + 2) : line;
        auto found = groupOf.emplace(std::make_pair(aboutObject, text), groups.size());
        if (found.second) {
            LineGroup group;
            group.text = text;
            group.aboutObjects = aboutObject;
            groups.push_back(group);
        }
        LineGroup& group = groups[found.first->second];
        ++group.count;
        if (aboutObject) {
            std::string object = line.substr(0, named->second);
            if (std::find(group.objects.begin(), group.objects.end(), object) ==
                group.objects.end())
                group.objects.push_back(object);
        }
    }
    std::vector<std::string> result;
    for (const LineGroup& group : groups)
        result.push_back(printed(group));
    return result;
}

std::string summaryLine(const BridgeReport& report) {
    std::string line = counted(report.objectsWritten, "object", "objects");
    if (report.bonesWritten > 0)
        line += " and " + counted(report.bonesWritten, "bone", "bones");
    return line + " written, " + std::to_string(report.objectsSplit) + " split, " +
           std::to_string(report.objectsLeftOut) + " left out";
}

} // namespace mshgltf
