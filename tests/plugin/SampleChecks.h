// Checks of what an import of the sample model built and what an export of it wrote; shared
// by the Linux tests and the Windows harness, which report the problems each in its own way.
#ifndef MSH_TESTS_PLUGIN_SAMPLECHECKS_H
#define MSH_TESTS_PLUGIN_SAMPLECHECKS_H

#include "host/max.h"

#include <string>
#include <vector>

/// What is wrong with the scene after importing the sample skeleton and then the sample mesh
/// into an empty scene: nodes, bone flags, parents, transforms, mesh, skin and texture. The
/// texture must be `expectedTexture` (the mesh file's folder, as the importer derives it, plus
/// "skin.tga"). Empty when everything is as the files say.
std::vector<std::string> importedSampleProblems(Interface* ip, const std::wstring& expectedTexture);

/// What is wrong with the MSH file a legacy export of that scene wrote at `path`: one record,
/// the mesh with its names, geometry, texture coordinates, bones and weights. Empty when
/// everything matches the imported files.
std::vector<std::string> exportedSampleProblems(const std::wstring& path,
                                                const std::wstring& expectedTexture);

/// The problems joined one per line, for a failure message.
std::string joinProblems(const std::vector<std::string>& problems);

#endif
