// The asset build: every entry of the resource pack "packres.bin" (the world's model, textures and
// loading picture, the HUD, menu and page sprites, the fonts, the texts and the cross-promotion
// list with its pictures) and the WAV files beside it, made from code and the small sources in
// the assets/ folder. The same sources always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/pack_writer.h"

struct BuiltFile {
    std::string name;  // file name in the output folder
    std::vector<uint8_t> bytes;
};

struct GameAssets {
    std::vector<PackInput> entries;  // the pack's entries, in pack order
    std::vector<BuiltFile> sounds;   // "<name>.wav" for each sound and the music
};

// The assets/ folder of the source tree this builder was compiled from.
std::string defaultAssetSourceFolder();

// Builds everything in memory. False, with a one-line reason, when a source cannot be read or
// a part cannot be made.
bool buildGameAssets(const std::string& sourceFolder, GameAssets* out, std::string* error);

// Writes "packres.bin" and the WAV files into outFolder (which must exist). Files are written
// under a temporary name and renamed, so a reader never sees half a file.
bool writeGameAssets(const GameAssets& assets, const std::string& outFolder, std::string* error);
