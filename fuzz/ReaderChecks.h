#pragma once
// Oracles for the record readers: what a reader accepted the writer writes back byte for byte
// or refuses (never writes differently), and what it rejected is a well-formed error that
// points inside the file.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

/// Reads `data` as a legacy container (u16 count at offset 0, then records) and checks every
/// record read and every rejection.
void checkLegacyReads(const uint8_t* data, size_t size);

/// Reads `data` as Mesh8 records: after the magic when it is there, else from offset 0 (so
/// the fuzzer need not keep the magic intact to reach the record reader).
void checkMesh8Reads(const uint8_t* data, size_t size);

/// Reads `data` through the file reader, layout told by the magic, as the importer does.
void checkModelFileReads(const uint8_t* data, size_t size);

} // namespace fuzzing
