// Sprite sheet: shelf packing of the pictures, the atlas, and the frames as sprite modules.
#include "tools/assets/sprite_sheet.h"

#include <algorithm>
#include <numeric>

#include "tools/writers/png_writer.h"

namespace art {

namespace {

constexpr int kAtlasGap = 2;  // transparent pixels between pictures

}  // namespace

bool packShelves(const std::vector<std::pair<int, int>>& sizes, int atlasWidth, int gap,
                 std::vector<std::pair<int, int>>* positions, int* height) {
    std::vector<size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return sizes[a].second > sizes[b].second; });
    positions->assign(sizes.size(), {0, 0});
    int x = 0, y = 0, shelf = 0;
    for (size_t i : order) {
        const int w = sizes[i].first, h = sizes[i].second;
        if (w > atlasWidth) return false;
        if (x > 0 && x + w > atlasWidth) {
            x = 0;
            y += shelf + gap;
            shelf = 0;
        }
        (*positions)[i] = {x, y};
        x += w + gap;
        shelf = std::max(shelf, h);
    }
    *height = std::max(1, y + shelf);
    return true;
}

int SpriteSheet::addPicture(Canvas picture) {
    pictures_.push_back(std::move(picture));
    return static_cast<int>(pictures_.size()) - 1;
}

void SpriteSheet::setFrame(int number, std::vector<SpritePiece> pieces) {
    if (number < 0) return;
    if (frames_.size() <= static_cast<size_t>(number))
        frames_.resize(static_cast<size_t>(number) + 1);
    frames_[static_cast<size_t>(number)] = std::move(pieces);
}

bool SpriteSheet::build(BuiltSprite* out, std::string* error) const {
    std::vector<std::pair<int, int>> sizes, positions;
    for (const Canvas& c : pictures_) sizes.push_back({c.width(), c.height()});
    int height = 0;
    if (!packShelves(sizes, atlasWidth_, kAtlasGap, &positions, &height)) {
        *error = "a picture is wider than the atlas";
        return false;
    }
    Canvas atlas(atlasWidth_, height);
    for (size_t i = 0; i < pictures_.size(); ++i)
        atlas.draw(pictures_[i], positions[i].first, positions[i].second);

    SpriteDef def;
    for (const std::vector<SpritePiece>& pieces : frames_) {
        SpriteFrameDef frame;
        for (const SpritePiece& piece : pieces) {
            if (piece.picture < 0 || static_cast<size_t>(piece.picture) >= pictures_.size()) {
                *error = "a frame piece names no picture";
                return false;
            }
            SpriteModuleDef m;
            m.sourceX = positions[static_cast<size_t>(piece.picture)].first;
            m.sourceY = positions[static_cast<size_t>(piece.picture)].second;
            m.width = sizes[static_cast<size_t>(piece.picture)].first;
            m.height = sizes[static_cast<size_t>(piece.picture)].second;
            m.offsetX = piece.offsetX;
            m.offsetY = piece.offsetY;
            frame.modules.push_back(m);
        }
        def.frames.push_back(std::move(frame));
    }
    if (!buildSprite(def, &out->spr, error)) return false;
    out->rgba = atlas.toRgba();
    out->atlasWidth = atlasWidth_;
    out->atlasHeight = height;
    PngWriteOptions options;
    options.compressionLevel = 9;
    if (!encodePng(out->rgba.data(), atlasWidth_, height, options, &out->png)) {
        *error = "the atlas cannot be encoded as PNG";
        return false;
    }
    return true;
}

}  // namespace art
