#ifndef MSH_EXPORTER_FINITEVALUE_H
#define MSH_EXPORTER_FINITEVALUE_H

/// True for a float that is neither NaN nor infinite: x - x is 0 for every finite x and NaN
/// otherwise (the host's compiler has no std::isfinite).
inline bool isFiniteValue(float value) {
    return value - value == 0.0f;
}

#endif
