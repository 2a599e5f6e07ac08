// A small model for checks that run a real import and export through the plug-in libraries:
// a skeleton file with two bones and a mesh file with one skinned, textured triangle whose
// parent and bones are all in the skeleton. Used by the Linux tests and the Windows harness.
#ifndef MSH_TESTS_PLUGIN_SAMPLEMODEL_H
#define MSH_TESTS_PLUGIN_SAMPLEMODEL_H

#include "format/LegacyRecord.h"

#include <string>
#include <vector>

/// Where writeSampleModel put the two files.
struct SampleModelFiles {
    std::wstring skeletonPath; ///< "<folder>skeleton.bn": import first
    std::wstring meshPath;     ///< "<folder>body.msh": its parent and bones are in the skeleton
};

/// The records of the skeleton file: "Root" at the origin, "Arm" under it at (0, 0, 10).
std::vector<LegacyRecord> sampleSkeletonRecords();
/// The record of the mesh file: "Body" under "Root" at (1, 2, 3), three vertices, one face
/// with three texture coordinates, texture "skin.tga", skinned to Root and Arm.
LegacyRecord sampleMeshRecord();

/// Writes both files with the format writers, and the texture, into `folder`, which ends in a path separator.
/// False, with the reason in `error`, when a file cannot be written.
bool writeSampleModel(const std::wstring& folder, SampleModelFiles& files, std::string& error);

/// Reads every legacy record of a file. False, with the reason, when it cannot be read whole.
bool readLegacyFile(const std::wstring& path, std::vector<LegacyRecord>& records,
                    std::string& error);

/// The text of a record's 100-byte name or path field.
std::string fieldText(const char* field);

#endif
