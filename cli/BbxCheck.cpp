#include "cli/BbxCheck.h"

#include "cli/NumberText.h"
#include "cli/Platform.h"
#include "cli/RecordSummary.h"
#include "format/FilePaths.h"
#include "format/TextField.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>

namespace mshtool {
namespace {

const char* const axisNames[] = {"x", "y", "z"};

std::string hexByte(unsigned char byte) {
    static const char hex[] = "0123456789ABCDEF";
    return std::string("0x") + hex[byte >> 4] + hex[byte & 0xF];
}

bool sameFloats(const float* a, const float* b) {
    return std::memcmp(a, b, 3 * sizeof(float)) == 0;
}

void addProblem(CheckResult& result, const std::string& field, uint64_t offset,
                const std::string& message) {
    result.problems.push_back(fileProblem(field, offset, message));
}

// The text must be printable and zero-filled after it, and it is the file's own name less
// its last four characters, as the exporter writes it.
void checkName(CheckResult& result, const BbxFileLayout& file, const std::string& path) {
    const char* field = file.basePath;
    size_t end = 0;
    while (end < BBX_NAME_FIELD_SIZE && field[end] != 0)
        ++end;
    for (size_t i = 0; i < end; ++i)
        if ((unsigned char)field[i] < 0x20 || (unsigned char)field[i] == 0x7F) {
            addProblem(result, "basePath", i,
                       "control byte " + hexByte((unsigned char)field[i]) + " in the model name");
            break;
        }
    for (size_t i = end; i < BBX_NAME_FIELD_SIZE; ++i)
        if (field[i] != 0) {
            addProblem(result, "basePath", i,
                       "expected zeros after the model name, found " +
                           hexByte((unsigned char)field[i]));
            break;
        }
    std::wstring fileName = fromUtf8(pathText(pathOf(path).filename()));
    std::wstring expected = fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : L"";
    char expectedField[BBX_NAME_FIELD_SIZE];
    storeTextField(expectedField, sizeof expectedField, expected);
    if (std::memcmp(expectedField, field, end) != 0 ||
        (end < BBX_NAME_FIELD_SIZE && expectedField[end] != 0))
        addProblem(result, "basePath", 0,
                   "the model name \"" + bbxModelName(file) + "\" is not the file's name less " +
                       "its last four characters, \"" + toUtf8(expected) + "\"");
}

bool checkFinite(CheckResult& result, const float* corner, const char* field, uint64_t offset) {
    for (int axis = 0; axis < 3; ++axis)
        if (!std::isfinite(corner[axis])) {
            addProblem(result, field, offset + 4u * unsigned(axis),
                       std::string(axisNames[axis]) + " is " + floatText(corner[axis]) +
                           ", not a finite number");
            return false;
        }
    return true;
}

void checkOrder(CheckResult& result, const float* boundsMax, const float* boundsMin) {
    for (int axis = 0; axis < 3; ++axis)
        if (boundsMin[axis] > boundsMax[axis]) {
            addProblem(result, "boundsMin",
                       offsetof(BbxFileLayout, boundsMin) + 4u * unsigned(axis),
                       "the minimum lies above the maximum on " + std::string(axisNames[axis]) +
                           ": " + floatText(boundsMin[axis]) + " > " + floatText(boundsMax[axis]));
            return;
        }
}

// The union as the exporter folds it, with the maximum starting at `maxStart`.
void unionOfBones(const BoneFile& bones, float maxStart, float boundsMax[3], float boundsMin[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        boundsMax[axis] = maxStart;
        boundsMin[axis] = FLT_MAX;
    }
    for (const BoneFile::Box& box : bones.boxes)
        for (int axis = 0; axis < 3; ++axis) {
            if (box.boundsMin[axis] < boundsMin[axis])
                boundsMin[axis] = box.boundsMin[axis];
            if (box.boundsMax[axis] > boundsMax[axis])
                boundsMax[axis] = box.boundsMax[axis];
        }
}

void checkUnion(CheckResult& result, const float* boundsMax, const float* boundsMin,
                const BoneFile& bones) {
    float expectedMax[3], expectedMin[3], flooredMax[3], flooredMin[3];
    unionOfBones(bones, -FLT_MAX, expectedMax, expectedMin);
    // Earlier exports started the maximum at the smallest positive float instead.
    unionOfBones(bones, FLT_MIN, flooredMax, flooredMin);
    if (sameFloats(boundsMin, expectedMin) &&
        (sameFloats(boundsMax, expectedMax) || sameFloats(boundsMax, flooredMax)))
        return;
    bool minWrong = !sameFloats(boundsMin, expectedMin);
    addProblem(result, minWrong ? "boundsMin" : "boundsMax",
               minWrong ? offsetof(BbxFileLayout, boundsMin) : offsetof(BbxFileLayout, boundsMax),
               "expected " + pointText(expectedMin) + " .. " + pointText(expectedMax) +
                   ", the union of the boxes of the " + std::to_string(bones.boxes.size()) +
                   " records of " + bones.path + ", found " + pointText(boundsMin) + " .. " +
                   pointText(boundsMax));
}

} // namespace

bool readBbxFile(const std::string& path, BbxFileLayout& file, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> stream(openFileForReading(fromUtf8(path)), &std::fclose);
    if (!stream) {
        error = path + ": cannot open the file: " + lastErrorText();
        return false;
    }
    int64_t size = fileLength(stream.get());
    if (size != int64_t(sizeof file) || std::fread(&file, sizeof file, 1, stream.get()) != 1) {
        error = path + ": not a BBX file: expected 280 bytes, found " + std::to_string(size);
        return false;
    }
    return true;
}

bool isEmptyBox(const BbxFileLayout& file) {
    const float lowest[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    const float floor[3] = {FLT_MIN, FLT_MIN, FLT_MIN};
    const float highest[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    return sameFloats(file.boundsMin, highest) &&
           (sameFloats(file.boundsMax, lowest) || sameFloats(file.boundsMax, floor));
}

std::string bbxModelName(const BbxFileLayout& file) {
    return decodeRecordText(readTextField(file.basePath, BBX_NAME_FIELD_SIZE));
}

CheckResult checkBbxFile(const std::string& path, const BoneFile* bones) {
    CheckResult result;
    result.file = path;
    BbxFileLayout file;
    std::string error;
    if (!readBbxFile(path, file, error)) {
        size_t cut = error.find(": ");
        addProblem(result, "", 0, error.substr(cut + 2));
        return result;
    }
    result.layout = "bbx";
    checkName(result, file, path);
    // Through aligned copies: the packed layout's floats may sit at unaligned addresses.
    float boundsMax[3], boundsMin[3];
    std::memcpy(boundsMax, file.boundsMax, sizeof boundsMax);
    std::memcpy(boundsMin, file.boundsMin, sizeof boundsMin);
    bool finite = checkFinite(result, boundsMax, "boundsMax", offsetof(BbxFileLayout, boundsMax)) &&
                  checkFinite(result, boundsMin, "boundsMin", offsetof(BbxFileLayout, boundsMin));
    if (finite && !isEmptyBox(file))
        checkOrder(result, boundsMax, boundsMin);
    if (finite && bones)
        checkUnion(result, boundsMax, boundsMin, *bones);
    return result;
}

} // namespace mshtool
