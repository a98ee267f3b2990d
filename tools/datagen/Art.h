// The sample tree's pictures drawn from shapes: the world (sky, ground, pickups, hazards,
// objects), the character and its looks, and the screens (buttons, panels, icons, badges,
// effects). A picture description names its painter by its shape; the painter fills a canvas
// of the description's size, using its colour, label and variant where they mean something.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "datagen/Canvas.h"

namespace datagen
{
struct PictureDesc;
using Painter = Canvas (*)(const PictureDesc&);

// The painter of a shape name, or null for a name no painter has.
Painter FindPainter(const std::string& shape);
// Every painter's name, in name order.
std::vector<std::string> PainterNames();

// A results badge (painter "badge") is laid out by its width: its medallion and ribbon
// end 14 pixels above this line, where the plate of its variant 1 begins.
float BadgePlateTop(float width);
} // namespace datagen
