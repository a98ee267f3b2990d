#include "KelpoBase/render/Material.h"

cMaterial::cMaterial()
{
    textures[0] = nullptr;
    textures[1] = nullptr;
}
