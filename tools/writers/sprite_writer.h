// Sprite writer: builds ".spr" files from frames of modules cut out of one picture, with
// aliases, reference points, offsets and, for fonts, the character tables. Each of the four
// per-module and per-frame sections is written with byte values when every value fits a byte
// and with 16-bit values otherwise (or as the caller forces it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SpriteModuleDef {
    int sourceX = 0, sourceY = 0;  // top-left in the picture
    int width = 0, height = 0;
    int picture = 0;               // picture index 0..3
    int offsetX = 0, offsetY = 0;  // from the frame origin
};

struct SpriteFrameDef {
    std::vector<SpriteModuleDef> modules;  // at most 31
    bool mirrored = false;
    int referenceX = 0, referenceY = 0;
    int aliasOf = -1;  // >= 0: this frame draws that (earlier or later) frame's modules
};

struct SpriteFontDef {
    int spaceAdvance = 0;    // -128..127
    int letterSpacing = 0;   // -128..127
    int lineHeight = 0;      // 0..255
    int ascent = 0;          // 0..255
    // Character code and its frame: codes 33..127 go to "fA", every other code to "fU".
    std::vector<std::pair<uint16_t, uint16_t>> glyphs;
};

// How a per-frame or per-module section stores its values.
enum class SectionWidth { kAuto, kByte, kShort };

struct SpriteDef {
    std::vector<SpriteFrameDef> frames;
    int imageCount = 1;
    // Reference points and offsets are left out when all are zero, unless asked for.
    bool alwaysWriteReference = false;
    bool alwaysWriteOffsets = false;
    SectionWidth referenceWidth = SectionWidth::kAuto;
    SectionWidth sourceWidth = SectionWidth::kAuto;
    SectionWidth sizeWidth = SectionWidth::kAuto;
    SectionWidth offsetWidth = SectionWidth::kAuto;
    bool isFont = false;
    SpriteFontDef font;
};

// The .spr bytes. False, with a one-line reason in *error, when a value does not fit its field
// (or a forced byte section), a frame has more than 31 modules, an alias names a frame that does
// not exist or is itself an alias, or the file would reach 64 KiB.
bool buildSprite(const SpriteDef& def, std::vector<uint8_t>* out, std::string* error);

// A sprite of one frame per rectangle (x, y, w, h) of a picture, no offsets: the common case.
SpriteDef gridSprite(const std::vector<std::vector<int>>& rectangles);
