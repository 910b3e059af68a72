// Sprite sheet: turns painted pictures into a ".spr" sprite and its atlas PNG. Frames are made of
// pieces (a picture placed at an offset from the frame origin); a picture used by several frames
// is stored once. Pictures are packed on shelves with a transparent gap, so that filtering at a
// module's edge never reaches its neighbour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/canvas.h"
#include "tools/writers/sprite_writer.h"

namespace art {

// One picture of a frame, its top-left at (offsetX, offsetY) from the frame origin.
struct SpritePiece {
    int picture = 0;
    int offsetX = 0, offsetY = 0;
};

// What a built sheet gives: the .spr bytes, the atlas as PNG, and the atlas pixels.
struct BuiltSprite {
    std::vector<uint8_t> spr;
    std::vector<uint8_t> png;
    std::vector<uint8_t> rgba;
    int atlasWidth = 0, atlasHeight = 0;
};

class SpriteSheet {
public:
    // atlasWidth: the atlas grows downwards from this width.
    explicit SpriteSheet(int atlasWidth) : atlasWidth_(atlasWidth) {}

    // Keeps a picture and returns its number.
    int addPicture(Canvas picture);
    // Sets frame `number` (frames between the last one and it are left empty: no modules).
    void setFrame(int number, std::vector<SpritePiece> pieces);
    // A frame of one picture at the origin.
    void setFrame(int number, int picture) { setFrame(number, {{picture, 0, 0}}); }

    int frameCount() const { return static_cast<int>(frames_.size()); }
    const Canvas& picture(int n) const { return pictures_[static_cast<size_t>(n)]; }

    // Packs and writes. False, with a reason, when a picture is wider than the atlas, a piece
    // names no picture, or the sprite writer refuses the frames.
    bool build(BuiltSprite* out, std::string* error) const;

private:
    int atlasWidth_;
    std::vector<Canvas> pictures_;
    std::vector<std::vector<SpritePiece>> frames_;
};

// Shelf placement of rectangles (w, h) in an atlas of the given width with `gap` pixels between
// them, tallest first (ties by number): the top-left of each in *positions, the height used in
// *height. False when one is wider than the atlas.
bool packShelves(const std::vector<std::pair<int, int>>& sizes, int atlasWidth, int gap,
                 std::vector<std::pair<int, int>>* positions, int* height);

}  // namespace art
