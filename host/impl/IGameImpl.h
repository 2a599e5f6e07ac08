// Internal classes of the in-memory IGame.
#ifndef HOST_IMPL_IGAMEIMPL_H
#define HOST_IMPL_IGAMEIMPL_H

#include "host/impl/SceneState.h"

#include <map>
#include <memory>
#include <vector>

namespace hostimpl {

/// The object type IGame reports for a node, from its evaluated object.
IGameObject::ObjectTypes igameTypeOf(INode* node);

/// A new IGame object for node (a mesh for objects that convert to triangles).
std::unique_ptr<IGameObject> makeIGameObject(INode* node);

/// The IGame scene singleton's lookup of node wrappers (created on demand).
IGameNode* igameNodeFor(INode* node);
/// The IGame scene singleton's lookup of material wrappers (created on demand).
IGameMaterial* igameMaterialFor(Mtl* mtl);
/// Whether setIGameDataFails named node.
bool igameDataFails(INode* node);

} // namespace hostimpl

#endif
