#ifndef MSH_IMPORTER_IMPORTMESSAGES_H
#define MSH_IMPORTER_IMPORTMESSAGES_H

#include "format/MshError.h"

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

/// Tells the user, in one OK box, that a record was read whole but contradicts itself, so it
/// was built without skin weights.
void reportInconsistentRecord(const MshError& error);

/// The user-facing text of an error: the record name decoded like node names.
std::wstring describeForUser(const MshError& error);

#endif
