#pragma once
// What every fuzz target shares: the input cap and a check that stops the run loudly, so
// libFuzzer (and the plain replay) records the input as a failure.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

/// Larger inputs are ignored: a model file that big says nothing a smaller one cannot.
const size_t maxInputSize = 1 << 20;

/// Prints what broke and aborts.
[[noreturn]] void fail(const std::string& what);

/// Aborts with `what` unless `condition` holds.
inline void check(bool condition, const std::string& what) {
    if (!condition)
        fail(what);
}

} // namespace fuzzing
