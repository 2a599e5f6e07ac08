#ifndef MSH_FORMAT_UNITWEIGHTS_H
#define MSH_FORMAT_UNITWEIGHTS_H

// Bone weights that add up to exactly 1 in float arithmetic, summed in list order. The Skin
// modifier divides each weight of a vertex by that sum, so such weights pass through it bit
// for bit, and a file written from them is read back to the same bytes.

/// The float sum of `count` weights, added in list order.
float weightSum(const float* weights, int count);

/// Rescales `count` weights so that, added in order, they give exactly 1: each divided by
/// their sum, the last non-zero one taking what the others leave. Weights already adding up
/// to exactly 1 are left as they are. Returns false, changing nothing, when the sum is not a
/// finite positive number or a rescaled weight would not be finite.
bool makeWeightsSumToOne(float* weights, int count);

#endif
