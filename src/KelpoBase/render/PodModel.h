// cPodModel: what the renderer's POD draw operation (cRenderer::DrawPodModel) draws: a POD
// scene (GfxTools/PodModel.h), one hardware mesh per scene mesh and one material per
// mesh node. The node, bone and frame matrices come from the scene at draw time, so
// setting the scene's animation frame moves what is drawn.
//
// Nothing in the program loads a POD scene; Create builds the record from a scene that
// someone has made. Meshes whose channels cannot be read (no float positions, faces that
// are not 16-bit indices, data outside its arrays) get no hardware mesh and are skipped.
#pragma once

#include <cstdint>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"

struct PodModel;
struct PodMesh;
class cHardwareMesh;
class cMaterial;
class cMesh;
class cRenderer;

class cPodModel : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cPodModel, cKelpoObj)
public:
    cPodModel() = default;
    // Deletes the hardware meshes and materials; the scene stays its owner's.
    ~cPodModel() override;

    // A record over the scene (which must outlive it): each scene mesh converted to a
    // cMesh and handed to the renderer's CreateHardwareMesh, and for each mesh node a
    // material that tests and writes depth.
    static cPodModel* Create(PodModel& scene, cRenderer& renderer);

    // The scene mesh as an engine mesh (positions, and normals, colours and the first
    // coordinate set when the scene mesh has them; strips become triangle lists); null
    // when its channels cannot be read safely.
    static cMesh* ConvertMesh(const PodMesh& mesh);

    PodModel* scene = nullptr;                   // not owned
    std::vector<cHardwareMesh*> hardwareMeshes;  // owned; one per scene mesh (null: skipped)
    std::vector<cMaterial*> materials;           // owned; one per mesh node
};
