// The menu texts "/menu00.txb", built from the editable source assets/menu_texts.txt, and the
// list of every (table, entry) the HUD and the menu screens show, so that a build can check that
// none of them is missing or empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// File name of the text source inside the asset source folder.
constexpr const char* kMenuTextSource = "menu_texts.txt";

struct MenuTextUse {
    int table, entry;
    const char* where;  // the screen or widget that shows it
};

// Every text the HUD and the screens show (docs/menu_frames.md has the same list).
const std::vector<MenuTextUse>& menuTextUses();

// The text file built from the source. False, with the line and reason, when the source cannot
// be read or parsed, or a text the screens use is missing or empty.
bool buildMenuTexts(const std::string& sourceFolder, std::vector<uint8_t>* file,
                    std::string* error);
