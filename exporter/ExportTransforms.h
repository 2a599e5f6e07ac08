#ifndef MSH_EXPORTER_EXPORTTRANSFORMS_H
#define MSH_EXPORTER_EXPORTTRANSFORMS_H

#include "format/MshLayout.h"
#include "host/GMatrix.h"

/// Stores `worldTM` = world, `localTM` = world times the inverse of the parent's object
/// transform (or world itself without a parent) and `scaleTM` = the diagonal of localTM's
/// scale factors and 1, all as four rows of four floats in the row-vector convention.
void storeTransforms(MshObjectHeader& header, const GMatrix& world, const GMatrix* parentWorld);

#endif
