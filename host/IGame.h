// IGame: the export-oriented view of the scene.
#ifndef HOST_IGAME_H
#define HOST_IGAME_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/GMatrix.h"
#include "host/INode.h"
#include "host/Materials.h"
#include "host/Mesh.h"
#include "host/Tab.h"

#include <IGame/IConversionManager.h>
#include <IGame/IGame.h>
#include <IGame/IGameMaterial.h>
#include <IGame/IGameModifier.h>
#include <IGame/IGameObject.h>
#else

#include "host/GMatrix.h"
#include "host/INode.h"
#include "host/Materials.h"
#include "host/Mesh.h"
#include "host/Tab.h"

#define IGAMEDLLVERSION 2.2f

class IGameNode;
class IGameSkin;
class IGameModifier;
class IGameMaterial;

/// One face as IGame gives it: indices into the vertex, texture-coordinate (first active map
/// channel) and normal lists.
class FaceEx : public MaxHeapOperators {
public:
    DWORD vert[3];
    DWORD texCoord[3];
    DWORD norm[3];
    DWORD color[3];
    DWORD illum[3];
    DWORD alpha[3];
    DWORD smGrp;
    int matID;
    DWORD flags;
    int meshFaceIndex;
    DWORD edgeVis[3];
};

/// The IGame object of a node.
class IGameObject : public MaxHeapOperators {
public:
    enum ObjectTypes {
        IGAME_UNKNOWN,
        IGAME_LIGHT,
        IGAME_MESH,
        IGAME_SPLINE,
        IGAME_CAMERA,
        IGAME_HELPER,
        IGAME_BONE,
        IGAME_IKCHAIN,
        IGAME_XREF
    };
    virtual ~IGameObject() {}
    virtual ObjectTypes GetIGameType() = 0;
    /// Prepares the object's data (for a mesh: faces, normals and map channels; the host mesh
    /// behind it keeps its normals as they were). Queries before it see an empty object.
    virtual bool InitializeData() { return false; }
    /// The object's box in object space; empty for objects without geometry.
    virtual void GetBoundingBox(Box3& bb) = 0;
    virtual Object* GetMaxObject() = 0;
    virtual bool IsObjectSkinned() = 0;
    /// The skin of the node's last Skin modifier (highest index), or NULL.
    virtual IGameSkin* GetIGameSkin() = 0;
    virtual int GetNumModifiers() = 0;
    virtual IGameModifier* GetIGameModifier(int index) = 0;
    /// The node's object transform.
    virtual GMatrix GetIGameObjectTM() = 0;
};

/// A triangle mesh as IGame gives it. Normals are per face corner: corner c of face f has
/// normal 3f + c, taken from the specified normals where the corner has one and otherwise
/// from the smoothing groups. Vertices and normals are in world space unless ObjectSpace.
class IGameMesh : public IGameObject {
public:
    virtual int GetNumberOfVerts() = 0;
    virtual Point3 GetVertex(int index, bool ObjectSpace = false) = 0;
    virtual bool GetVertex(int index, Point3& vert, bool ObjectSpace = false) = 0;
    virtual int GetNumberOfFaces() = 0;
    virtual FaceEx* GetFace(int index) = 0;
    virtual int GetNumberOfNormals() = 0;
    virtual Point3 GetNormal(int index, bool ObjectSpace = false) = 0;
    virtual bool GetNormal(int index, Point3& norm, bool ObjectSpace = false) = 0;
    virtual Point3 GetNormal(int faceIndex, int corner, bool ObjectSpace = false) = 0;
    virtual Point3 GetNormal(FaceEx* face, int corner, bool ObjectSpace = false) = 0;
    virtual int GetNumberOfTexVerts() = 0;
    virtual Point2 GetTexVertex(int index) = 0;
    /// The map channels that have faces, ascending (channel 1 holds the texture coordinates).
    virtual Tab<int> GetActiveMapChannelNum() = 0;
    virtual int GetNumberOfMapVerts(int ch) = 0;
    virtual Point3 GetMapVertex(int ch, int index) = 0;
    virtual bool GetMapVertex(int ch, int index, Point3& mVert) = 0;
    /// The three map-vertex indices of face faceNum in channel ch.
    virtual bool GetMapFaceIndex(int ch, int faceNum, DWORD* index) = 0;
    /// The host mesh behind this one.
    virtual Mesh* GetMaxMesh() = 0;
    virtual IGameMaterial* GetMaterialFromFace(int FaceNum) = 0;
    virtual void SetUseWeightedNormals() = 0;
    virtual void SetCreateOptimizedNormalList() = 0;
};

/// A modifier of a node's stack.
class IGameModifier : public MaxHeapOperators {
public:
    enum ModType { IGAME_SKINNING, IGAME_MORPHER, IGAME_GENERAL };
    virtual ~IGameModifier() {}
    virtual ModType GetModifierType() = 0;
    virtual bool IsSkin() = 0;
    virtual Modifier* GetMaxModifier() = 0;
};

/// A Skin modifier as IGame gives it, per vertex of the node's mesh.
class IGameSkin : public IGameModifier {
public:
    enum SkinType { IGAME_PHYSIQUE, IGAME_SKIN };
    virtual int GetNumOfSkinnedVerts() = 0;
    /// The number of influences of one vertex.
    virtual int GetNumberOfBones(int vertexIndex) = 0;
    virtual float GetWeight(int vertexIndex, int boneIndex) = 0;
    virtual INode* GetBone(int vertexIndex, int boneIndex) = 0;
    virtual IGameNode* GetIGameBone(int vertexIndex, int boneIndex) = 0;
    /// The node id (IGameNode::GetNodeID) of the bone of an influence.
    virtual int GetBoneID(int vertexIndex, int boneIndex) = 0;
    /// The bones that influence at least one vertex.
    virtual int GetTotalBoneCount() = 0;
    /// All bones of the skin.
    virtual int GetTotalSkinBoneCount() = 0;
    /// Bone index of the skin's list, or of the used list when usedList is true.
    virtual INode* GetBone(int index, bool usedList = false) = 0;
    virtual bool GetInitBoneTM(INode* boneNode, GMatrix& intMat) = 0;
    virtual void GetInitSkinTM(GMatrix& intMat) = 0;
    virtual SkinType GetSkinType() = 0;
};

/// A texture map of a material.
class IGameTextureMap : public MaxHeapOperators {
public:
    virtual ~IGameTextureMap() {}
    virtual const MCHAR* GetTextureName() = 0;
    /// The bitmap's file name; "" for maps that are not bitmaps.
    virtual const MCHAR* GetBitmapFileName() = 0;
    /// The slot of the standard material that holds the map (ID_DI...).
    virtual int GetStdMapSlot() = 0;
    virtual int GetMapChannel() = 0;
    virtual Texmap* GetMaxTexmap() = 0;
    /// The map as a bitmap texture, or NULL.
    virtual BitmapTex* GetMaxBitmapTex() = 0;
};

/// A material as IGame gives it. Its texture maps are the material's non-empty map slots in
/// slot order.
class IGameMaterial : public MaxHeapOperators {
public:
    virtual ~IGameMaterial() {}
    virtual const MCHAR* GetMaterialName() = 0;
    virtual int GetNumberOfTextureMaps() = 0;
    virtual IGameTextureMap* GetIGameTextureMap(int index) = 0;
    virtual Mtl* GetMaxMaterial() = 0;
    virtual bool IsMultiType() = 0;
    virtual int GetSubMaterialCount() = 0;
    virtual IGameMaterial* GetSubMaterial(int index) = 0;
};

/// A scene node as IGame gives it. Transforms are those of the static frame.
class IGameNode : public MaxHeapOperators {
public:
    virtual ~IGameNode() {}
    /// The node's IGame object (owned by IGame).
    virtual IGameObject* GetIGameObject() = 0;
    virtual void ReleaseIGameObject() = 0;
    virtual const MCHAR* GetName() = 0;
    virtual int GetNodeID() = 0;
    virtual INode* GetMaxNode() = 0;
    virtual GMatrix GetWorldTM(TimeValue t = TIME_NegInfinity) = 0;
    /// The node transform relative to the parent's.
    virtual GMatrix GetLocalTM(TimeValue t = TIME_NegInfinity) = 0;
    virtual GMatrix GetObjectTM(TimeValue t = TIME_NegInfinity) = 0;
    /// The parent node, or NULL for a node under the scene root.
    virtual IGameNode* GetNodeParent() = 0;
    virtual int GetChildCount() = 0;
    virtual IGameNode* GetNodeChild(int index) = 0;
    virtual int GetMaterialIndex() = 0;
    virtual IGameMaterial* GetNodeMaterial() = 0;
    virtual bool IsNodeHidden() = 0;
};

/// The IGame scene.
class IGameScene : public MaxHeapOperators {
public:
    virtual ~IGameScene() {}
    /// Takes in the whole scene, or only the selected nodes.
    virtual bool InitialiseIGame(bool selected = false) = 0;
    /// Takes in root and, with Hierarchy, its descendants.
    virtual bool InitialiseIGame(INode* root, bool Hierarchy = true) = 0;
    virtual bool InitialiseIGame(Tab<INode*> nodes, bool Hierarchy = true) = 0;
    virtual void SetStaticFrame(int frameNum) = 0;
    virtual int GetTopLevelNodeCount() = 0;
    virtual IGameNode* GetTopLevelNode(int index) = 0;
    virtual int GetTotalNodeCount() = 0;
    virtual IGameNode* GetIGameNode(INode* node) = 0;
    /// The taken-in nodes of that object type in scene enumeration order (for IGAME_MESH:
    /// those whose object converts to a triangle object, hidden ones included).
    virtual Tab<IGameNode*> GetIGameNodeByType(IGameObject::ObjectTypes Type) = 0;
    virtual IGameMaterial* GetIGameMaterial(Mtl* mtl) = 0;
    /// Frees every IGame node, object and material.
    virtual void ReleaseIGame() = 0;
    virtual const MCHAR* GetSceneFileName() = 0;
};

/// How IGame converts coordinates; the in-memory host supports IGAME_MAX only.
class IGameConversionManager : public MaxHeapOperators {
public:
    enum CoordSystem { IGAME_MAX, IGAME_D3D, IGAME_OGL, IGAME_USER };
    virtual ~IGameConversionManager() {}
    virtual void SetCoordSystem(CoordSystem Coord) = 0;
    virtual CoordSystem GetCoordSystem() = 0;
};

MAXHOST_API IGameScene* GetIGameInterface();
MAXHOST_API IGameConversionManager* GetConversionManager();
MAXHOST_API float GetIGameVersion();

#endif // MSH_REAL_SDK

#endif
