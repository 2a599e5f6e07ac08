#pragma once
// The whole import on arbitrary bytes: the file goes through DoImport into a fresh in-memory
// scene that already holds a chain of bones, and the checks hold whatever the bytes were.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

/// Resets the scene to a chain of bone nodes named by sceneBoneNames().
void resetBoneScene();

/// Writes `data` to a file with `extension` ("msh" or "bn"), imports it into a fresh bone
/// scene and checks: the bones that were there are untouched; a file the readers reject
/// makes DoImport fail; a failure is told to the user in an "MSHImp" box, and none is an
/// exception's; exactly one node is built per record read, none for the rejected one. Host
/// misuse aborts (the default).
void checkImport(const uint8_t* data, size_t size, const wchar_t* extension);

} // namespace fuzzing
