#include "datagen/Art.h"

#include "datagen/ArtParts.h"

namespace datagen
{
namespace
{
const std::map<std::string, Painter>& Painters()
{
    static const std::map<std::string, Painter> painters = []
    {
        std::map<std::string, Painter> all;
        AddWorldPainters(all);
        AddCharacterPainters(all);
        AddScreenPainters(all);
        return all;
    }();
    return painters;
}
} // namespace

Painter FindPainter(const std::string& shape)
{
    const auto found = Painters().find(shape);
    return found != Painters().end() ? found->second : nullptr;
}

std::vector<std::string> PainterNames()
{
    std::vector<std::string> names;
    for (const auto& entry : Painters())
        names.push_back(entry.first);
    return names;
}
} // namespace datagen
