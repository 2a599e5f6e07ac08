// What the default transform controller keeps of a matrix set on a node.
#ifndef HOST_IMPL_PRSCONTROLLER_H
#define HOST_IMPL_PRSCONTROLLER_H

#include "host/Geometry.h"

namespace hostimpl {

/// The values a position/rotation/scale controller holds: a position, a rotation and a scale
/// along the axes of its own rotation (the scale axis). A mirroring sign is held as negative
/// scale factors.
struct PrsValue {
    Point3 position;
    Quat rotation;
    ScaleValue scale;

    PrsValue() : position(0.0f, 0.0f, 0.0f) {}
};

/// The controller's values for an affine matrix: translation, essential rotation, stretch
/// rotation, stretch factors and sign, each rounded to the floats the controller stores.
PrsValue decomposeAffine(const Matrix3& tm);

/// The matrix the controller gives back: scale in its axes, then rotation, then position.
Matrix3 composePrs(const PrsValue& value);

} // namespace hostimpl

#endif
