// The menu texts: the source file through the text writer, checked against what the screens show.
#include "tools/assets/menu_texts.h"

#include <fstream>
#include <iterator>

#include "tools/writers/text_writer.h"

namespace {

constexpr int kAchievementCount = 24;

std::vector<MenuTextUse> makeUses() {
    std::vector<MenuTextUse> uses = {
        {0, 0, "main menu: distance half"},
        {0, 1, "main menu: points half"},
        {0, 2, "main menu: hint"},
        {1, 0, "pause screen: title"},
        {1, 1, "pause screen: button 13"},
        {1, 2, "pause screen: button 14"},
        {2, 0, "question screen: text"},
        {2, 1, "question screen: button 19"},
        {2, 2, "question screen: button 20"},
        {3, 0, "online checkbox 18"},
        {3, 1, "online button 9"},
        {3, 2, "leaderboard"},
        {4, 0, "loading screen"},
        {4, 1, "loading screen: skip"},
        {5, 0, "achievements page: title"},
        {5, 1, "achievement ticker: heading"},
        {5, 2, "achievements page: count"},
        {6, 0, "HUD: x2"},
        {7, 0, "HUD: x3"},
        {8, 0, "game over, distance mode: heading"},
        {8, 1, "game over, points mode: heading"},
        {9, 0, "game over: button 15"},
        {9, 1, "game over: button 16"},
        {9, 2, "game over: button 17"},
        {13, 0, "game over: new best"},
        {13, 1, "game over: no new best"},
        {14, 0, "game over: tree"},
        {14, 1, "game over: marker"},
        {15, 0, "game over: no achievement"},
        {15, 1, "game over: one achievement"},
        {15, 2, "game over: several achievements"},
        {18, 0, "how to play page"},
        {19, 0, "about page"},
        {27, 0, "sound page: slider label"},
        {27, 1, "sound page: line under the label"},
    };
    for (int e = 0; e < 4; ++e) uses.push_back({11, e, "game over, distance mode"});
    for (int e = 0; e < 5; ++e) uses.push_back({12, e, "game over, points mode"});
    for (int a = 0; a < kAchievementCount; ++a) {
        uses.push_back({23, a, "achievement name"});
        uses.push_back({24, a, "achievement description"});
    }
    return uses;
}

}  // namespace

const std::vector<MenuTextUse>& menuTextUses() {
    static const std::vector<MenuTextUse> uses = makeUses();
    return uses;
}

bool buildMenuTexts(const std::string& sourceFolder, std::vector<uint8_t>* file,
                    std::string* error) {
    const std::string path = sourceFolder + "/" + kMenuTextSource;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    const std::string source((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    TextFileDef def;
    std::string why;
    if (!parseTextSource(source, &def, &why)) {
        *error = path + ": " + why;
        return false;
    }
    for (const MenuTextUse& use : menuTextUses()) {
        const size_t t = static_cast<size_t>(use.table), e = static_cast<size_t>(use.entry);
        if (t >= def.tables.size() || e >= def.tables[t].size() || def.tables[t][e].empty()) {
            *error = path + ": table " + std::to_string(use.table) + " entry " +
                     std::to_string(use.entry) + " (" + use.where + ") is missing or empty";
            return false;
        }
    }
    if (!buildTextFile(def, file, &why)) {
        *error = path + ": " + why;
        return false;
    }
    return true;
}
