// The Skin modifier's query and import interfaces.
#ifndef HOST_SKIN_H
#define HOST_SKIN_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"
#include "host/INode.h"
#include "host/Tab.h"

#include <iskin.h>
#else

#include "host/Geometry.h"
#include "host/INode.h"
#include "host/Tab.h"

#define SKIN_CLASSID Class_ID(9815843, 87654)
#define I_SKIN 0x00010000
#define I_SKINIMPORTDATA 0x00020000
#define I_SKIN2 0x00030000
#define SKIN_OK 1
#define SKIN_INVALID_NODE_PTR 0

#define BONE_LOCK_FLAG 1
#define BONE_ABSOLUTE_FLAG 2
#define BONE_SPLINE_FLAG 4
#define BONE_SPLINECLOSED_FLAG 8
#define BONE_DRAW_ENVELOPE_FLAG 16
#define BONE_BONE_FLAG 32
#define BONE_DEAD_FLAG 64

/// The weights of one skinned node, per point of the object entering the Skin.
class ISkinContextData : public MaxHeapOperators {
public:
    virtual ~ISkinContextData() {}
    /// The number of points the Skin affects: those of the object entering it at the last
    /// evaluation, which a modifier above it may change.
    virtual int GetNumPoints() = 0;
    virtual int GetNumAssignedBones(int vertexIdx) = 0;
    /// The skin's own index (ISkin::GetBone) of influence boneIdx of the vertex.
    virtual int GetAssignedBone(int vertexIdx, int boneIdx) = 0;
    /// The normalised weight: as the Skin rescales and limits what AddWeights gave, or the
    /// envelope weight of a vertex never given weights.
    virtual float GetBoneWeight(int vertexIdx, int boneIdx) = 0;
};

/// Reads a Skin modifier: its bones, their initial transforms and per-node weights.
class ISkin : public MaxHeapOperators {
public:
    virtual ~ISkin() {}
    /// The transform bone pNode had when added (node transform, or object transform with
    /// bObjOffset), unless SetBoneTm changed it. SKIN_OK, or SKIN_INVALID_NODE_PTR when the
    /// node is not a bone of this skin.
    virtual int GetBoneInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset = false) = 0;
    /// The skinned node's transform at its first evaluation, unless SetSkinTm changed it;
    /// SKIN_INVALID_NODE_PTR before that evaluation.
    virtual int GetSkinInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset = false) = 0;
    virtual int GetNumBones() = 0;
    virtual INode* GetBone(int idx) = 0;
    virtual DWORD GetBoneProperty(int idx) = 0;
    /// The weights of pNode, or NULL when the node does not carry this modifier or has not
    /// been evaluated since it got it.
    virtual ISkinContextData* GetContextInterface(INode* pNode) = 0;
    virtual const MCHAR* GetBoneName(int index) = 0;
    /// The inverse of the bone's initial object transform.
    virtual Matrix3 GetBoneTm(int id) = 0;
    virtual INode* GetBoneFlat(int idx) = 0;
    virtual int GetNumBonesFlat() = 0;
    virtual int GetRefFrame() = 0;
};

/// Builds a Skin modifier's bones and weights from outside.
class ISkinImportData : public MaxHeapOperators {
public:
    virtual ~ISkinImportData() {}
    /// Adds a bone (once; adding it again changes nothing), capturing its transforms. FALSE
    /// for a bone that depends on the skin (the skinned node itself), a bone with no object,
    /// or a modifier on no node.
    virtual BOOL AddBoneEx(INode* boneNode, BOOL update) = 0;
    /// Sets the skinned node's base transform; FALSE before the node's first evaluation.
    virtual BOOL SetSkinTm(INode* skinNode, Matrix3 objectTm, Matrix3 nodeTm) = 0;
    /// Sets an added bone's initial transform; FALSE for a bone not added.
    virtual BOOL SetBoneTm(INode* boneNode, Matrix3 objectTm, Matrix3 nodeTm) = 0;
    /// Replaces the weights of one point; an empty list leaves it with none, also from the
    /// envelopes. FALSE, changing nothing, before the node's first evaluation, for lists of
    /// different lengths, and for a NULL or never-added bone. A point outside the Skin's is
    /// host misuse.
    virtual BOOL AddWeights(INode* skinNode, int vertexID, Tab<INode*>& boneNodeList,
                            Tab<float>& weights) = 0;
};

#endif // MSH_REAL_SDK

#endif
