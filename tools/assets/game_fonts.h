// The three menu fonts, set from DejaVu Sans: "/fsmall.spr" (body text and the HUD),
// "/fmed.spr" (labels and names) and "/flarge.spr" (titles and results), each with its atlas
// picture beside it. They cover Latin-1 and the typographic marks the menu texts use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/pack_writer.h"

struct GameFontDef {
    const char* name;      // pack name of the .spr; the atlas is the same name with ".png"
    const char* fontPath;  // DejaVu Sans or Sans Bold
    int pixelSize;
    uint32_t tint;         // 0xRRGGBB of the glyphs
};

// Small, medium and large, in the order the menus register them (font numbers 1, 2, 3).
const std::vector<GameFontDef>& gameFontDefs();
// Every character the fonts carry: printable ASCII, Latin-1 and a few marks beyond it.
std::vector<uint16_t> gameFontCodes();

// Appends ".spr" and ".png" of each font. False, with a reason, when DejaVu cannot be read.
bool addGameFonts(std::vector<PackInput>* entries, std::string* error);
