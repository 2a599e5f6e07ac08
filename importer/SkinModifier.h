#ifndef MSH_IMPORTER_SKINMODIFIER_H
#define MSH_IMPORTER_SKINMODIFIER_H

#include "host/Interface.h"
#include "host/Skin.h"

#include <string>

/// Wraps the node's object in a modifier stack with a new Skin modifier on it and returns
/// the modifier's import interface (NULL when the host offers no Skin modifier).
ISkinImportData* attachSkinModifier(Interface* ip, INode* node, Object* object);

/// Adds a bone to the skin; `update` for the last bone only, as the UI needs updating once.
/// False when the Skin refuses it (the bone is the skinned node, depends on it, or has no
/// object).
bool addSkinBone(ISkinImportData* skinImport, INode* bone, bool update);

/// After the bones: evaluates the node once, so the Skin builds its data for it, then sets the
/// node's object transform as the skin's base transform and leaves each of the mesh's
/// `numVerts` vertices without weights, so none takes weights from the bones' envelopes.
/// False when the Skin still has no data for the node.
bool prepareSkinWeights(ISkinImportData* skinImport, INode* node, int numVerts);

/// Sets vertices' weights one at a time. A bone named twice for one vertex gets the sum of
/// its weights, so the skin never sees the same bone twice in one list; the weights are
/// rescaled to add up to exactly 1, which the Skin leaves as they are. The lists handed to
/// the skin are kept from vertex to vertex, so a skin of many vertices allocates them once.
class VertexWeightWriter {
public:
    VertexWeightWriter(ISkinImportData* skinImport, INode* node);
    void add(int vertex, INode* const* bones, const float* weights, int count);
    /// Tells the user, once per kind, of the vertices whose weights were rescaled, left out
    /// or refused by the Skin; `objectName` names the record.
    void reportProblems(const std::string& objectName) const;

private:
    VertexWeightWriter(const VertexWeightWriter&);
    VertexWeightWriter& operator=(const VertexWeightWriter&);

    ISkinImportData* skinImport;
    INode* node;
    Tab<INode*> boneList;
    Tab<float> weightList;
    int rescaled;     ///< vertices whose weights were off 1 by more than rounding
    int unusable;     ///< vertices whose weights add up to no positive number
    int refused;      ///< vertices whose weights the Skin did not take
    int firstRefused; ///< the first of those
};

#endif
