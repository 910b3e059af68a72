// Font builder: renders a TrueType font with FreeType at a pixel size into a glyph atlas (white
// glyphs whose alpha is the coverage) and the ".spr" font that draws from it: one frame per
// character with its origin on the baseline, the "fH" header, "fA" for 33..127 and "fU" for the
// space and every other character.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kDefaultFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct FontBuildOptions {
    std::string fontPath = kDefaultFontPath;
    int pixelSize = 16;         // nominal height of the font in pixels
    int letterSpacing = 0;      // the font's spacing byte, added after every glyph
    int atlasWidth = 256;       // the atlas grows downwards
    // Characters to render; empty: 32..126 and 160..255. Codes the font lacks are left out.
    std::vector<uint16_t> codes;
};

struct FontBuild {
    std::vector<uint8_t> spr;   // the .spr file
    std::vector<uint8_t> png;   // the atlas as an RGBA PNG
    std::vector<uint8_t> rgba;  // the atlas pixels, rows top first
    int atlasWidth = 0, atlasHeight = 0;
    int lineHeight = 0, ascent = 0, spaceAdvance = 0;
    std::vector<uint16_t> codes;  // the characters that got a glyph frame, in frame order
};

// False, with a one-line reason in *error, when the font cannot be opened or sized, or the
// sprite cannot be written.
bool buildFont(const FontBuildOptions& options, FontBuild* out, std::string* error);

// The default character set: printable ASCII and the printable Latin-1 range.
std::vector<uint16_t> defaultFontCodes();
