// The asset build: each part appends its pack entries; the sounds become WAV files.
#include "tools/assets/game_assets.h"

#include <cstdio>

#include "storage/pack.h"
#include "tools/assets/game_fonts.h"
#include "tools/assets/game_sounds.h"
#include "tools/assets/hud_sprite.h"
#include "tools/assets/menu_sprite.h"
#include "tools/assets/menu_texts.h"
#include "tools/assets/more_games.h"
#include "tools/assets/world_assets.h"
#include "tools/writers/file_writer.h"

namespace {

// "/menu00.bin": the menu program file the text loading stage also reads. No screen of the game
// runs a menu program, so it holds an empty one: bytes 12-13 give the offset (16) of the entry
// count, which is 0.
std::vector<uint8_t> emptyMenuProgram() {
    std::vector<uint8_t> file(20, 0);
    file[0] = 'K';
    file[1] = 'M';
    file[2] = 'N';
    file[3] = 'U';
    file[12] = 16;
    return file;
}

bool addSprite(std::vector<PackInput>* entries, const std::string& stem,
               bool (*build)(art::BuiltSprite*, std::string*), std::string* error) {
    art::BuiltSprite sprite;
    if (!build(&sprite, error)) {
        *error = stem + ".spr: " + *error;
        return false;
    }
    entries->push_back({stem + ".spr", std::move(sprite.spr), PackStorage::kAuto});
    entries->push_back({stem + ".png", std::move(sprite.png), PackStorage::kAuto});
    return true;
}

}  // namespace

std::string defaultAssetSourceFolder() {
    // This file lies in tools/assets/ of the source tree; the sources lie in assets/.
    std::string here = __FILE__;
    const size_t cut = here.rfind("/tools/assets/");
    return cut == std::string::npos ? std::string("assets") : here.substr(0, cut) + "/assets";
}

bool buildGameAssets(const std::string& sourceFolder, GameAssets* out, std::string* error) {
    std::vector<PackInput>& entries = out->entries;
    entries.clear();
    out->sounds.clear();

    std::vector<uint8_t> texts;
    if (!buildMenuTexts(sourceFolder, &texts, error)) return false;
    entries.push_back({"/menu00.txb", std::move(texts), PackStorage::kAuto});
    entries.push_back({"/menu00.bin", emptyMenuProgram(), PackStorage::kAuto});
    if (!addGameFonts(&entries, error)) return false;
    if (!addSprite(&entries, "/hud", buildHudSprite, error)) return false;
    if (!addSprite(&entries, "/menu_main", buildMenuSprite, error)) return false;
    if (!addMoreGames(sourceFolder, &entries, error)) return false;
    addWorldAssets(entries);

    for (const std::string& name : gameSoundNames()) {
        const SoundClip clip = synthesiseSound(name);
        out->sounds.push_back({name + ".wav", encodeWav(clip.samples)});
    }
    return true;
}

bool writeGameAssets(const GameAssets& assets, const std::string& outFolder, std::string* error) {
    std::vector<uint8_t> pack;
    if (!buildPack(assets.entries, &pack, error)) return false;
    if (!writeWholeFile(outFolder + "/" + kPackFileName, pack, error)) return false;
    for (const BuiltFile& file : assets.sounds) {
        if (!writeWholeFile(outFolder + "/" + file.name, file.bytes, error)) return false;
    }
    return true;
}
