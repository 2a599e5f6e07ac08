#ifndef MSH_IMPORTER_IMPORTMESSAGES_H
#define MSH_IMPORTER_IMPORTMESSAGES_H

#include "format/MshError.h"
#include "importer/ReadModelFile.h"

#include <cstddef>
#include <string>

/// Caption of every importer message box.
#define MSH_IMPORT_CAPTION "MSHImp"

/// "Parent for [name] not found on current scene. Parent name [parentName]", in an OK box.
void reportMissingParent(const std::string& name, const std::string& parentName);

/// "Bone Parent for [name] not found on current scene. Parent name [boneName]", in an OK box.
void reportMissingBone(const std::string& name, const std::string& boneName);

/// Tells the user, in one OK box, that the import stopped at a file or record the readers
/// rejected: which file, record, field and byte, and why.
void reportImportStopped(const MshError& error);

/// "Bone [boneName] of [name] was refused by the Skin modifier ...": the Skin did not take the
/// bone (it is the object itself, depends on it, or has no object), so the object gets no skin
/// weights, as for a missing bone; in an OK box.
void reportRefusedBone(const std::string& name, const std::string& boneName);

/// Tells the user, in one OK box, that the Skin modifier had no data for the object even after
/// evaluating it, so the object got no skin weights.
void reportSkinWithoutData(const std::string& name);

/// Tells the user, in one OK box, that the weights of `vertices` vertices of the object did
/// not add up to 1 and were rescaled to 1.
void reportRescaledWeights(const std::string& name, int vertices);

/// Tells the user, in one OK box, that the weights of `vertices` vertices did not add up to a
/// positive number, so those vertices were left without weights.
void reportUnusableWeights(const std::string& name, int vertices);

/// Tells the user, in one OK box, that the Skin modifier refused the weights of `vertices`
/// vertices of the object, the first of them `firstVertex`, which were left without weights.
void reportRefusedWeights(const std::string& name, int vertices, int firstVertex);

/// Tells the user, in one OK box, that a record was read whole but contradicts itself, so it
/// was built without skin weights.
void reportInconsistentRecord(const MshError& error);

/// Tells the user, in one OK box, that an unskinned record's faces weld to more vertices than
/// its header gives, and that it was built with all of them.
void reportMoreVerticesThanNumVerts(const MshError& error);

/// Tells the user, in one OK box, that `skipped` skin entries of a record named no vertex of
/// it (`error` describes the first) and were left out.
void reportSkippedSkinEntries(const MshError& error, size_t skipped);

/// Tells the user, in one OK box, that the bitmap an object's material refers to could not be
/// found (`missing`) or read.
void reportUnreadableTexture(const std::wstring& objectName, const std::wstring& bitmapPath,
                             bool missing);

/// How the message about an exception ends (a test that wants none looks for it).
#define MSH_IMPORT_EXCEPTION_ENDING L"; what was built before it stays in the scene"

/// Tells the user, in one OK box, that the import of `fileName` stopped at an exception; call
/// it from the handler. `place` is the record being read or built (record -1: none yet).
/// Never throws: without memory for the text it shows a fixed one.
void reportImportException(const std::wstring& fileName, const ImportRecordPlace& place);

/// The user-facing text of an error: the record name decoded like node names.
std::wstring describeForUser(const MshError& error);

#endif
