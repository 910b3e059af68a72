// The world's pictures, painted from code: the ground, the canopy, the two atlases (trees and
// objects; sky, tree line and ground light), the crash flash, the sign lettering and the
// loading-screen picture. Rectangles inside the atlases are the ones in world_layout.h.
#pragma once

#include <cstdint>
#include <vector>

namespace world {

struct WorldPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows top first
    bool alpha = false;         // some texels are meant to be see-through
};

WorldPicture paintGrass();           // "/grass.pvr": tiles seamlessly
WorldPicture paintLeaves();          // "/leaves.pvr": tiles seamlessly, holes see-through
WorldPicture paintTreesAtlas();      // "/trees.pvr"
WorldPicture paintShadingAtlas();    // "/shading.pvr"
WorldPicture paintCrash();           // "/crash.pvr"
WorldPicture paintMenuText();        // "/menu_text.pvr"
WorldPicture paintLoadingPicture();  // "/logo_game.png", 480 x 320

}  // namespace world
