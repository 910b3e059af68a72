// Fuzz target of the sprite reader: any bytes as a .spr file. What the reader accepts must answer
// every query about its frames, modules and glyphs from inside the file.
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "gfx2d/sprite.h"

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Sprite* sprite = parseSprite(fuzzcheck::heapCopy(data, size), size);
    if (!sprite) return 0;
    for (int f = 0; f < sprite->frameCount; ++f) {
        frameWidth(sprite, f);
        frameHeight(sprite, f);
        int l, t, r, b;
        frameBounds(sprite, f, &l, &t, &r, &b);
        SpriteModule m;
        for (int i = 0; i < frameModuleCount(sprite, f); ++i)
            require(spriteModule(sprite, sprite->firstModule[f] + i, &m));
    }
    if (isFont(sprite)) {
        uint16_t chars[64];
        for (int c = 0; c < 64; ++c) chars[c] = static_cast<uint16_t>(c * 5);
        for (int c = 0; c < 400; ++c) {
            const int frame = glyphFrame(sprite, c);
            require(frame == kNoGlyph || (frame >= 0 && frame < sprite->frameCount));
        }
        stringWidth(sprite, chars, 0, 64);
        int next;
        for (int start = 0; start < 64; start = next) wrapLine(sprite, chars, start, 64, 30, &next);
    }
    destroySprite(sprite);
    return 0;
}
