// Fuzz target of the cross-promotion list: any bytes as "/kvmoregames.txt" in a pack beside the
// screen's components sprite and small pictures under the names the real list uses, then the
// screen as the game runs it: load, start, drags, a fling, button presses, updates and draws.
// The fonts and the components sprite come from the game's pack when one is found (ZV_FUZZ_DATA
// or the build folder); the drawing needs no GL context (its calls go nowhere).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/more_games.h"
#include "storage/kv_text.h"
#include "storage/pack.h"
#include "tools/writers/pack_writer.h"
#include "tools/writers/png_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fuzzcheck::require;

struct Fixture {
    std::vector<PackInput> entries;  // entries[0] is the list; all stored, for speed
    Sprite* largeFont = nullptr;     // without pictures
    Sprite* smallFont = nullptr;
};

// An entry of the pack open now, empty when it is missing.
Bytes loadWhole(const char* name) {
    const int32_t size = entrySize(name);
    uint8_t* bytes = size >= 0 ? loadEntry(name) : nullptr;
    Bytes out(bytes, bytes ? bytes + size : bytes);
    delete[] bytes;
    return out;
}

Sprite* fontFrom(const Bytes& file) {
    if (file.empty()) return nullptr;
    return parseSprite(fuzzcheck::heapCopy(file.data(), file.size()), file.size());
}

Fixture& fixture() {
    static Fixture* f = nullptr;
    if (f) return *f;
    f = new Fixture();
    auto add = [](const std::string& name, const Bytes& bytes) {
        f->entries.push_back({name, bytes, PackStorage::kStored});
    };
    add(kMoreGamesFile, {});
    const char* folder = getenv("ZV_FUZZ_DATA");
#ifdef ZV_FUZZ_DATA_DIR
    if (!folder) folder = ZV_FUZZ_DATA_DIR;
#endif
    if (folder && openPack((std::string(folder) + "/" + kPackFileName).c_str())) {
        const Bytes components = loadWhole(kMoreGamesComponents);
        if (!components.empty()) add(kMoreGamesComponents, components);
        f->largeFont = fontFrom(loadWhole("/flarge.spr"));
        f->smallFont = fontFrom(loadWhole("/fsmall.spr"));
        closePack();
    }
    // 8 x 8 pictures, a row per filter type: cheap to decode, so every icon and screenshot load
    // stays quick.
    uint8_t rgba[8 * 8 * 4];
    for (int i = 0; i < 8 * 8 * 4; ++i) rgba[i] = static_cast<uint8_t>(i * 8 + i / 32);
    PngWriteOptions rows;
    rows.filter = kPngFilterCycle;
    Bytes png;
    require(encodePng(rgba, 8, 8, rows, &png));
    add("mgcomponents.png", png);
    char name[64];
    for (int game = 0; game < 4; ++game) {
        std::snprintf(name, sizeof name, "mg_game%d_icon.png", game);
        add(name, png);
        for (int shot = 0; shot < 2; ++shot) {
            std::snprintf(name, sizeof name, "mg_game%d_screen%d.png", game, shot);
            add(name, png);
        }
    }
    add("bad.png", Bytes(png.begin(), png.begin() + 40));  // cut short
    return *f;
}

bool fits(const char* text) { return text && std::strlen(text) < kTextFieldBytes; }

void checkData() {
    const MoreGamesData* d = moreGamesData();
    require(d->count >= 0 && d->count <= kMaxMoreGames && fits(d->title) && fits(d->backText));
    for (int i = 0; i < d->count; ++i)
        require(fits(d->games[i].name) && fits(d->games[i].description) && fits(d->games[i].link));
}

void checkScreen() {
    const MoreGamesScreen* s = moreGamesScreen();
    const int32_t count = moreGamesData()->count;
    require(s->current >= 0 && (count == 0 ? s->current == 0 : s->current < count));
}

void tap(int x, int y) {
    moreGamesPointerPress(x, y);
    moreGamesPointerRelease(x, y);
    moreGamesUpdate(16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    f.entries[0].bytes.assign(data, data + size);
    const std::string pack = fuzzcheck::scratchPath(kPackFileName);
    std::string error;
    require(writePackFile(pack.c_str(), f.entries, &error) && openPack(pack.c_str()));

    loadMoreGames();
    checkData();
    moreGamesSetFonts(f.largeFont, f.smallFont);
    moreGamesStart();
    Graphics g(nullptr, nullptr, kLogicalScreenWidth, kLogicalScreenHeight);
    moreGamesUpdate(16);
    moreGamesDraw(&g);
    // A slow drag down the list, a fast fling up it, and the frames that settle it.
    moreGamesPointerPress(40, 160);
    for (int y = 160; y < 260; y += 25) {
        moreGamesPointerDrag(40, y);
        moreGamesUpdate(16);
    }
    moreGamesPointerRelease(40, 260);
    moreGamesPointerPress(40, 300);
    moreGamesUpdate(5);
    moreGamesPointerDrag(40, 40);
    moreGamesUpdate(5);
    moreGamesPointerRelease(40, 40);
    for (int frame = 0; frame < 12; ++frame) {
        moreGamesUpdate(frame % 3 ? 16 : 400);
        checkScreen();
        if (frame % 4 == 0) moreGamesDraw(&g);
    }
    tap(440, 290);  // the get button
    moreGamesDraw(&g);
    tap(20, 10);  // the back button
    checkScreen();
    unloadMoreGames();
    closePack();
    return 0;
}
