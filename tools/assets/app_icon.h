// The game's desktop icon, painted from code in the loading picture's style: the moon over the
// night forest, framed by near trunks and the canopy, with the name's initial in its gold lettering.
#pragma once

#include "tools/assets/world_textures.h"

namespace world {

constexpr int kAppIconPaintSize = 256;  // pixels of the painted master; other sizes are averaged
constexpr int kAppIconMinSize = 16;
constexpr int kAppIconMaxSize = kAppIconPaintSize;

// The icon at size x size pixels (kAppIconMinSize .. kAppIconMaxSize; anything else gives an
// empty picture): the master painted once at kAppIconPaintSize, averaged over each output pixel's
// area, inside a rounded square whose corners are see-through.
WorldPicture paintAppIcon(int size);

}  // namespace world
