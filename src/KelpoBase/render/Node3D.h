// 3D nodes: a tree that the renderer walks directly (cRenderer::DrawScene / DrawNode).
//
// A plain c3DNode only groups its children. A c3DTransformNode places its subtree with a
// translation, a scale and a 3x3 rotation; a c3DMeshNode also draws a mesh with a
// material. A c3DMultiMeshNode is recognised by the walk and draws nothing of its own.
// Nodes do not own their children, meshes or materials: whoever builds the tree keeps
// them alive while it is drawn.
#pragma once

#include <cstdint>
#include <list>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Vec3.h"

class cMesh;
class cMaterial;
class cRenderer;

class c3DNode : public cKelpoObj
{
    KELPO_DECLARE_CLASS(c3DNode, cKelpoObj)
public:
    c3DNode() = default;
    ~c3DNode() override = default;

    // Appends a child (drawn after the ones before it); null is ignored.
    void AddChild(c3DNode* child);
    // Takes a child off the list (every entry of it).
    void RemoveChild(c3DNode* child);
    uint32_t ChildCount() const { return uint32_t(children.size()); }

    uint32_t word = 0;
    std::list<c3DNode*> children; // not owned, in drawing order
    uint32_t reserved[2] = {0, 0};
};

struct c3DTransform
{
    cVec3f translation{0.0f, 0.0f, 0.0f};
    cVec3f scale{1.0f, 1.0f, 1.0f};
    float rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}; // 3 rows of 3
};

class c3DTransformNode : public c3DNode
{
    KELPO_DECLARE_CLASS(c3DTransformNode, c3DNode)
public:
    // The rotation rows as the first three rows (0 in the fourth column), the translation
    // as the fourth row, then scaled by the scale (columns 0 to 2).
    cMatrix44 LocalMatrix() const;

    c3DTransform transform;
};

class c3DMeshNode : public c3DTransformNode
{
    KELPO_DECLARE_CLASS(c3DMeshNode, c3DTransformNode)
public:
    cMesh* mesh = nullptr;         // not owned
    cMaterial* material = nullptr; // not owned
};

class c3DMultiMeshNode : public c3DTransformNode
{
    KELPO_DECLARE_CLASS(c3DMultiMeshNode, c3DTransformNode)
};

// The renderer's node walk: a plain node draws its children; a transform node pushes the
// model matrix, multiplies its local matrix in, draws its mesh (mesh nodes), its children
// and pops the model matrix again, so that the walk leaves the model matrix as it found it.
// Children are drawn through the renderer's DrawNode.
void DrawNodeTree(cRenderer& renderer, c3DNode* node);
