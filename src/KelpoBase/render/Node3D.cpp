#include "KelpoBase/render/Node3D.h"

#include <algorithm>

#include "KelpoBase/render/Renderer.h"

void c3DNode::AddChild(c3DNode* child)
{
    if (child != nullptr)
        children.push_back(child);
}

void c3DNode::RemoveChild(c3DNode* child) { children.remove(child); }

cMatrix44 c3DTransformNode::LocalMatrix() const
{
    cMatrix44 local;
    const float* r = transform.rotation;
    // Each rotation row fills four consecutive elements, the translation the last four.
    for (int row = 0; row < 3; ++row)
    {
        local.m[row * 4 + 0] = r[row * 3 + 0];
        local.m[row * 4 + 1] = r[row * 3 + 1];
        local.m[row * 4 + 2] = r[row * 3 + 2];
        local.m[row * 4 + 3] = 0.0f;
    }
    local.m[12] = transform.translation.x;
    local.m[13] = transform.translation.y;
    local.m[14] = transform.translation.z;
    local.m[15] = 1.0f;
    Matrix4Scale(local, transform.scale);
    return local;
}

void DrawNodeTree(cRenderer& renderer, c3DNode* node)
{
    if (node == nullptr)
        return;
    auto* transformNode = ClassCast<c3DTransformNode>(node);
    if (transformNode == nullptr)
    {
        for (c3DNode* child : node->children)
            renderer.DrawNode(child);
        return;
    }
    renderer.PushModelMatrix();
    renderer.MultiplyModel(transformNode->LocalMatrix());
    if (auto* meshNode = ClassCast<c3DMeshNode>(node); meshNode != nullptr && meshNode->mesh != nullptr &&
                                                      meshNode->material != nullptr)
        renderer.DrawMesh(meshNode->mesh, meshNode->material);
    for (c3DNode* child : node->children)
        renderer.DrawNode(child);
    renderer.PopModelMatrix();
}
