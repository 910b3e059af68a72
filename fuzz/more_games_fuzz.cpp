// Fuzz target of the cross-promotion list: any bytes as "/kvmoregames.txt" in a pack beside the
// screen's components sprite and small pictures under the names the real list uses, then the
// screen as the game runs it: load, start, drags, a fling, button presses, updates and draws.
// The fonts and the components sprite come from the game's pack when one is found (ZV_FUZZ_DATA
// or the build folder); the drawing needs no GL context (its calls go nowhere).
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

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

namespace {

using Bytes = std::vector<uint8_t>;

using fuzzcheck::require;

void putU32Be(Bytes& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void pngChunk(Bytes& out, const char* tag, const Bytes& payload) {
    putU32Be(out, static_cast<uint32_t>(payload.size()));
    Bytes body(tag, tag + 4);
    body.insert(body.end(), payload.begin(), payload.end());
    out.insert(out.end(), body.begin(), body.end());
    putU32Be(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// An 8 x 8 RGBA picture: cheap to decode, so every icon and screenshot load stays quick.
Bytes smallPng() {
    const int side = 8;
    Bytes raw;
    for (int y = 0; y < side; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < side * 4; ++x) raw.push_back(static_cast<uint8_t>(x * 8 + y));
    }
    Bytes packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    require(compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) ==
            Z_OK);
    packed.resize(packedSize);
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putU32Be(header, side);
    putU32Be(header, side);
    for (uint8_t b : {8, 6, 0, 0, 0}) header.push_back(b);  // 8-bit RGBA, no interlace
    pngChunk(png, "IHDR", header);
    pngChunk(png, "IDAT", packed);
    pngChunk(png, "IEND", {});
    return png;
}

struct Entry {
    std::string name;  // without the leading '/'
    Bytes bytes;
};

// A pack of stored entries, as the pack reader expects it.
Bytes buildPack(const std::vector<Entry>& entries) {
    Bytes directory;
    for (const Entry& e : entries) {
        directory.insert(directory.end(), e.name.begin(), e.name.end());
        directory.push_back(0);
        const uint32_t size = static_cast<uint32_t>(e.bytes.size());
        for (int k = 0; k < 2; ++k) {
            for (int i = 0; i < 3; ++i) directory.push_back(static_cast<uint8_t>(size >> (8 * i)));
            directory.push_back(k == 0 ? kPackFlagStored : 0);
        }
    }
    const uint32_t headerSize = kPackHeaderBytes + static_cast<uint32_t>(directory.size());
    Bytes pack = {kPackMagic0, kPackMagic1};
    for (int i = 0; i < 4; ++i) pack.push_back(static_cast<uint8_t>(headerSize >> (8 * i)));
    pack.push_back(static_cast<uint8_t>(entries.size()));
    pack.push_back(static_cast<uint8_t>(entries.size() >> 8));
    pack.insert(pack.end(), directory.begin(), directory.end());
    for (const Entry& e : entries) pack.insert(pack.end(), e.bytes.begin(), e.bytes.end());
    return pack;
}

struct Fixture {
    std::string scratch;          // the pack file rewritten for every input
    std::vector<Entry> entries;   // entries[0] is the list
    Sprite* largeFont = nullptr;  // without pictures
    Sprite* smallFont = nullptr;
};

Fixture* g_fixture = nullptr;

void removeScratch() {
    if (g_fixture) unlink(g_fixture->scratch.c_str());
}

Bytes loadWhole(const char* name) {
    const int32_t size = entrySize(name);
    uint8_t* bytes = size >= 0 ? loadEntry(name) : nullptr;
    Bytes out;
    if (bytes) out.assign(bytes, bytes + size);
    delete[] bytes;
    return out;
}

Sprite* fontFrom(const Bytes& file) {
    if (file.empty()) return nullptr;
    uint8_t* copy = new uint8_t[file.size()];
    std::memcpy(copy, file.data(), file.size());
    return parseSprite(copy, file.size());
}

Fixture* fixture() {
    if (g_fixture) return g_fixture;
    g_fixture = new Fixture();
    Fixture& f = *g_fixture;
    const char* folder = getenv("ZV_FUZZ_DATA");
#ifdef ZV_FUZZ_DATA_DIR
    if (!folder) folder = ZV_FUZZ_DATA_DIR;
#endif
    Bytes components, large, small;
    if (folder && openPack((std::string(folder) + "/" + kPackFileName).c_str())) {
        components = loadWhole(kMoreGamesComponents);
        large = loadWhole("/flarge.spr");
        small = loadWhole("/fsmall.spr");
        closePack();
    }
    f.largeFont = fontFrom(large);
    f.smallFont = fontFrom(small);
    f.entries.push_back({"kvmoregames.txt", {}});
    if (!components.empty()) f.entries.push_back({"mgcomponents.spr", components});
    const Bytes png = smallPng();
    f.entries.push_back({"mgcomponents.png", png});
    char name[64];
    for (int game = 0; game < 4; ++game) {
        std::snprintf(name, sizeof name, "mg_game%d_icon.png", game);
        f.entries.push_back({name, png});
        for (int shot = 0; shot < 2; ++shot) {
            std::snprintf(name, sizeof name, "mg_game%d_screen%d.png", game, shot);
            f.entries.push_back({name, png});
        }
    }
    f.entries.push_back({"bad.png", Bytes(png.begin(), png.begin() + 40)});  // cut short

    char pattern[] = "/tmp/zv-more-games-fuzz-XXXXXX";
    const int fd = mkstemp(pattern);
    require(fd >= 0);
    close(fd);
    f.scratch = pattern;
    atexit(removeScratch);
    return g_fixture;
}

void checkData() {
    const MoreGamesData* d = moreGamesData();
    require(d->count >= 0 && d->count <= kMaxMoreGames);
    require(d->title && d->backText);
    require(std::strlen(d->title) < kTextFieldBytes && std::strlen(d->backText) < kTextFieldBytes);
    for (int i = 0; i < d->count; ++i) {
        const MoreGame& g = d->games[i];
        require(g.name && g.description && g.link);
        require(std::strlen(g.name) < kTextFieldBytes);
        require(std::strlen(g.description) < kTextFieldBytes);
        require(std::strlen(g.link) < kTextFieldBytes);
    }
}

void checkScreen() {
    const MoreGamesScreen* s = moreGamesScreen();
    const int32_t count = moreGamesData()->count;
    require(s->current >= 0 && (count == 0 ? s->current == 0 : s->current < count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = *fixture();
    f.entries[0].bytes.assign(data, data + size);
    const Bytes pack = buildPack(f.entries);
    FILE* file = std::fopen(f.scratch.c_str(), "wb");
    require(file != nullptr);
    std::fwrite(pack.data(), 1, pack.size(), file);
    std::fclose(file);
    require(openPack(f.scratch.c_str()));

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
    // The get button, then the back button.
    moreGamesPointerPress(440, 290);
    moreGamesPointerRelease(440, 290);
    moreGamesUpdate(16);
    moreGamesDraw(&g);
    moreGamesPointerPress(20, 10);
    moreGamesPointerRelease(20, 10);
    moreGamesUpdate(16);
    checkScreen();

    unloadMoreGames();
    closePack();
    return 0;
}
