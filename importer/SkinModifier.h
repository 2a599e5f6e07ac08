#ifndef MSH_IMPORTER_SKINMODIFIER_H
#define MSH_IMPORTER_SKINMODIFIER_H

#include "host/Interface.h"
#include "host/Skin.h"

/// Wraps the node's object in a modifier stack with a new Skin modifier on it, sets the
/// node's object transform as the skin's base transform, and returns the modifier's import
/// interface (NULL when the host offers no Skin modifier).
ISkinImportData* attachSkinModifier(Interface* ip, INode* node, Object* object);

/// Sets vertices' weights one at a time. A bone named twice for one vertex gets the sum of
/// its weights, so the skin never sees the same bone twice in one list. The lists handed to
/// the skin are kept from vertex to vertex, so a skin of many vertices allocates them once.
class VertexWeightWriter {
public:
    VertexWeightWriter(ISkinImportData* skinImport, INode* node);
    void add(int vertex, INode* const* bones, const float* weights, int count);

private:
    VertexWeightWriter(const VertexWeightWriter&);
    VertexWeightWriter& operator=(const VertexWeightWriter&);

    ISkinImportData* skinImport;
    INode* node;
    Tab<INode*> boneList;
    Tab<float> weightList;
};

#endif
