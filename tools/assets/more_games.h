// The cross-promotion page's data: the list "/kvmoregames.txt" (copied from the editable source
// assets/kvmoregames.txt), the page's own sprite "/mgcomponents.spr", and the icon and the
// screenshots of each promoted game, named by the list and painted here.
#pragma once

#include <string>
#include <vector>

#include "tools/assets/sprite_sheet.h"
#include "tools/writers/pack_writer.h"

constexpr const char* kMoreGamesSource = "kvmoregames.txt";
constexpr const char* kMoreGamesFile = "/kvmoregames.txt";
constexpr int kPromotedIconSide = 57;
constexpr int kScreenshotWidth = 240, kScreenshotHeight = 160;

bool buildMoreGamesSprite(art::BuiltSprite* out, std::string* error);

// The pack names of the files a more-games list names (icons, then screenshots), read with the
// game's own key-value reader.
std::vector<std::string> moreGamesFileNames(const std::string& list);

// Appends the list, the page sprite and every picture the list names. False, with a reason, when
// the list cannot be read or names a picture there is no painting for.
bool addMoreGames(const std::string& sourceFolder, std::vector<PackInput>* entries,
                  std::string* error);
