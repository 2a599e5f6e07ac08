#pragma once
// Benchmark inputs made with the project's own record writers: a crowd of skinned models,
// each a chain of bones (BN file) and a tube-shaped body of a few thousand faces blended
// across two neighbouring bones per vertex (MSH file, either layout).

#include "format/LegacyRecord.h"
#include "format/Mesh8Record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

/// Shape of one body: `rings` x `segments` quads, so 2 x rings x segments faces and
/// (rings + 1) x segments vertices.
struct TubeShape {
    int rings = 40;
    int segments = 40;
};

/// Bones per model; four is the most a legacy record can name.
const int bonesPerModel = 4;

/// The bone chain of model `model` as legacy bone records (root first, each the parent of the
/// next).
std::vector<LegacyRecord> boneRecords(int model);
/// The body of model `model` as a skinned legacy record.
LegacyRecord legacyBody(int model, const TubeShape& shape);
/// The same body as a skinned Mesh8 record, unrolled into corners face after face.
Mesh8Record mesh8Body(int model, const TubeShape& shape);

/// The three benchmark files in one folder and their sizes.
struct ModelFiles {
    std::string bonePath, legacyPath, mesh8Path;
    int legacyModels = 0, mesh8Models = 0;
};

/// Writes `models.bn` (the bones of every model), `legacy.msh` and `mesh8.msh` into `dir`,
/// each MSH file holding as many bodies as fit in about `targetBytes`. Returns false, with a
/// message on stderr, when a file cannot be written.
bool writeModelFiles(const std::string& dir, uint64_t targetBytes, const TubeShape& shape,
                     ModelFiles& files);

/// The paths `writeModelFiles` uses in `dir`, without writing anything.
ModelFiles modelFilesIn(const std::string& dir);

} // namespace bench
