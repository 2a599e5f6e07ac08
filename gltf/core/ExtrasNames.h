#pragma once
// The bridge's own names in a glTF file: the extras it records what glTF has no place for in,
// and its application attributes. The writer and the reader take them from here alone, so the
// two cannot drift apart; files from other tools have none of them.

namespace mshgltf::extras {

/// Asset: the file was written by this bridge (1).
inline constexpr char scene[] = "mshScene";
/// Node: a bone, also where glTF sees none (a bone no skin uses, a bone with geometry).
inline constexpr char bone[] = "mshBone";
/// Node: the mesh that holds a bone's geometry (a glTF node with a mesh would draw it).
inline constexpr char boneMesh[] = "mshBoneMesh";
/// Node: that mesh's name, checked against the index (other tools renumber meshes).
inline constexpr char boneMeshName[] = "mshBoneMeshName";
/// Node: added by the bridge (an unweighted joint, a common skeleton root); not a scene node.
inline constexpr char synthetic[] = "mshSynthetic";
/// Node: the scene parent of a skinned mesh moved to the top level.
inline constexpr char parentNode[] = "mshParentNode";
/// Node: a skinned mesh's object transform, the 16 numbers of a glTF `matrix` as text.
inline constexpr char objectMatrix[] = "mshObjectMatrix";
/// Node: the same as an array of 16 numbers, as earlier files hold it.
inline constexpr char objectMatrixArray[] = "mshMatrix";
/// Mesh: whether the host mesh had explicit per-corner normals.
inline constexpr char specifiedNormals[] = "mshSpecifiedNormals";

/// Primitive attribute: the host vertex number of every vertex.
inline constexpr char vertexAttribute[] = "_MSH_VERTEX";
/// Primitive attribute: a skinned mesh's object-space positions, where they differ.
inline constexpr char positionAttribute[] = "_MSH_POSITION";

} // namespace mshgltf::extras
