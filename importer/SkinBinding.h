#ifndef MSH_IMPORTER_SKINBINDING_H
#define MSH_IMPORTER_SKINBINDING_H

#include "importer/Mesh8Object.h"
#include "importer/MshLegacyObject.h"

/// Puts a Skin modifier on the node (always, also without bones) and adds every bone named in
/// the record that the scene holds, with its node transform as the initial transform and bone
/// mode on; then readies the weights (prepareSkinWeights), every vertex left without any.
/// Reports each missing bone and each bone the Skin refuses; true when every one was added.
bool bindSkin(MshLegacyObject& object, Interface* ip);

/// Gives each skin entry's vertex its bones and weights. Only after bindSkin returned true.
/// Entries naming no vertex of the record are skipped, reported once for the record, and
/// mark the object inconsistent; weights rescaled or refused are reported too.
void applySkinWeights(MshLegacyObject& object);

/// Collects `boneNameSet` from the first `numSkinVerts` bone records; the record is skinned
/// when it names any bone.
void collectBoneNames(Mesh8Object& object);

/// After collectBoneNames. Without names: no modifier, false. Otherwise puts a Skin modifier
/// on the node, adds the bones found, in `boneNameSet` order, and readies the weights
/// (prepareSkinWeights); reports each missing or refused bone; true when every one was added.
bool bindSkin(Mesh8Object& object, Interface* ip);

/// Gives mesh vertex i, weight slot l, to the bone named in slot l of bone record i. Only
/// after bindSkin returned true and when there is a bone record for every welded vertex.
void applySkinWeights(Mesh8Object& object);

#endif
