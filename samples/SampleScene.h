#pragma once
// A small skinned model built in the in-memory host through SDK calls, as a script would
// build it in the host: the shipped sample, benchmark inputs and fuzz seeds come from it.

#include "host/max.h"

#include <string>
#include <vector>

namespace samples {

struct SampleOptions {
    int rings = 12;                ///< rings along the body (faces = 2 x rings x segments)
    int segments = 12;             ///< vertices around each ring
    int bones = 5;                 ///< bones in the chain
    std::wstring prefix = L"Hero"; ///< name prefix of every node
    std::wstring texture = L"hero.png";
    float offsetX = 0.0f; ///< where the model stands, so several can share a scene
};

/// What was built, for callers that add to it.
struct SampleModel {
    INode* body = nullptr;
    INode* hat = nullptr;
    std::vector<INode*> bones;
};

/// Builds a chain of box-shaped bone nodes, a tube-shaped body skinned to the first four of
/// them (every vertex between two bones blended across both), and a two-sided hat linked under
/// the body and skinned to the last bone, with UVs, smoothing and a textured standard material.
SampleModel buildSampleModel(Interface* ip, const SampleOptions& options);

} // namespace samples
