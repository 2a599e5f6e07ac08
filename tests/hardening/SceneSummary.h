#pragma once
// Text pictures of scene nodes, so two imports can be compared node by node and a difference
// shows in the failure message.

#include "host/max.h"

#include <string>
#include <vector>

namespace hardening {

/// Name, parent, transform, bone flag, mesh (vertices, faces, texture faces), skin bones and
/// weights, and material name of one node.
std::string describeNode(INode* node);

/// describeNode of every node but the root, in depth-first order.
std::vector<std::string> describeScene();

/// The first line of a description: the node's name.
std::string nodeNameOf(const std::string& description);

} // namespace hardening
