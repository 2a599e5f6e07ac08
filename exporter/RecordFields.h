#ifndef MSH_EXPORTER_RECORDFIELDS_H
#define MSH_EXPORTER_RECORDFIELDS_H

#include "format/MshLayout.h"
#include "host/Geometry.h"

#include <string>

/// Stores a point in a record's packed float[3] field. Record fields may sit at any address,
/// so the bytes are copied rather than stored through a float pointer.
void copyPoint(float* to, const Point3& p);

/// Stores a box's corners in the header's `boundsMax` and `boundsMin`.
void storeBounds(MshObjectHeader& header, const Box3& box);

/// The report line for the node `label` names, left out because a vertex position is NaN or
/// infinite (no record is written with one).
std::wstring nonFinitePositionNote(const std::wstring& label);

#endif
