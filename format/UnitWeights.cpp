#include "format/UnitWeights.h"

#include <vector>

namespace {

bool isFinite(double value) {
    return value - value == 0.0;
}

} // namespace

float weightSum(const float* weights, int count) {
    float sum = 0.0f;
    for (int i = 0; i < count; ++i)
        sum += weights[i];
    return sum;
}

bool makeWeightsSumToOne(float* weights, int count) {
    float sum = weightSum(weights, count);
    if (!(sum > 0.0f) || !isFinite(sum))
        return false;
    if (sum == 1.0f)
        return true;
    int last = count - 1;
    while (last > 0 && weights[last] == 0.0f)
        --last;
    std::vector<float> scaled(weights, weights + count);
    float before = 0.0f;
    for (int i = 0; i < last; ++i) {
        scaled[i] = static_cast<float>(static_cast<double>(weights[i]) / sum);
        if (!isFinite(scaled[i]))
            return false;
        before += scaled[i];
    }
    // With `before` in [0, 1], before + (1 - before) rounds to exactly 1; zeros after the
    // last weight add nothing.
    scaled[last] = 1.0f - before;
    // A last weight so small that rounding of the others outweighs it stays divided only.
    if (scaled[last] < 0.0f && weights[last] > 0.0f)
        scaled[last] = static_cast<float>(static_cast<double>(weights[last]) / sum);
    for (int i = 0; i < count; ++i)
        weights[i] = scaled[i];
    return true;
}
