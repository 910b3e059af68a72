// zvtool sprite: renders frames of a sprite with the game's own 2D drawing on a headless screen
// and lays them out as a numbered contact sheet.
#include <GLES/gl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "gfx2d/graphics.h"
#include "gfx2d/resource_registry.h"
#include "gfx2d/sprite.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "tools/writers/pack_writer.h"
#include "tools/writers/png_writer.h"
#include "tools/zvtool/commands.h"

namespace {

constexpr int kCellMargin = 4;      // pixels around each frame on the sheet
constexpr int kLabelHeight = 8;     // the frame number's row above each frame
constexpr int kMaxSheetWidth = 1600;
constexpr uint32_t kBackground = 0xFF303038;

void usage() {
    std::fprintf(
        stderr,
        "usage: zvtool sprite render FILE.spr OUT.png [--frames all|N...] [--pack PACK]\n"
        "  Draws the frames (all by default) with the game's sprite code and writes them\n"
        "  as a contact sheet, each under its number. The picture is FILE.png (or\n"
        "  FILE_0.png) beside FILE.spr; with --pack, FILE.spr and its picture are entries\n"
        "  of PACK. Frames are cut to the 480 x 320 screen.\n");
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Digits 3 x 5, one row of three bits per byte, top row first.
const uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

}  // namespace

void drawSheetNumber(std::vector<uint8_t>* rgba, int width, int height, int x, int y, int number) {
    const std::string text = std::to_string(number);
    for (char ch : text) {
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (!(kDigits[ch - '0'][row] & (4 >> col))) continue;
                const int px = x + col, py = y + row;
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                uint8_t* p = &(*rgba)[(static_cast<size_t>(py) * width + px) * 4];
                p[0] = 255; p[1] = 220; p[2] = 64; p[3] = 255;
            }
        }
        x += 4;
    }
}

namespace {

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool openHeadlessScreen() {
    static bool open = false;
    if (open) return true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (platform::init(SDL_INIT_VIDEO) != 0 || !platform::setVideoMode(0, 0, 0, 0)) return false;
    applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
    g_graphicsCaps = new GraphicsCaps();
    buildGraphicsCaps(g_graphicsCaps, reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                      reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    createResourceRegistry();
    Graphics::setViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
    g_screenGraphics = new Graphics(g_graphicsCaps, nullptr, kLogicalScreenWidth,
                                    kLogicalScreenHeight);
    open = true;
    return true;
}

Sprite* loadToolSprite(const char* path, const char* packPath) {
    if (packPath) {
        if (!openPack(packPath)) {
            std::fprintf(stderr, "zvtool: cannot open the pack %s\n", packPath);
            return nullptr;
        }
        Sprite* sprite = loadSprite(path);
        closePack();
        return sprite;
    }
    // A pack of its own for the file and its picture, so the game's loader reads them.
    const std::string file = path;
    const std::string name = baseName(file);
    if (name.size() < 5 || name.compare(name.size() - 4, 4, ".spr") != 0) {
        std::fprintf(stderr, "zvtool: %s is not a .spr file\n", path);
        return nullptr;
    }
    std::vector<PackInput> entries(1);
    entries[0].name = name;
    if (!readWholeFile(file, &entries[0].bytes)) {
        std::fprintf(stderr, "zvtool: cannot read %s\n", path);
        return nullptr;
    }
    const std::string stem = file.substr(0, file.size() - 4);
    const std::string nameStem = name.substr(0, name.size() - 4);
    for (const char* suffix : {".png", "_0.png"}) {
        PackInput picture;
        picture.name = nameStem + suffix;
        if (readWholeFile(stem + suffix, &picture.bytes)) entries.push_back(std::move(picture));
    }
    if (entries.size() == 1) std::fprintf(stderr, "zvtool: no picture beside %s\n", path);

    char packFile[] = "/tmp/zvtool-sprite-XXXXXX";
    const int fd = mkstemp(packFile);
    if (fd < 0) return nullptr;
    close(fd);
    std::string error;
    Sprite* sprite = nullptr;
    if (writePackFile(packFile, entries, &error) && openPack(packFile)) {
        sprite = loadSprite(("/" + name).c_str());
    } else {
        std::fprintf(stderr, "zvtool: %s\n", error.c_str());
    }
    closePack();
    unlink(packFile);
    return sprite;
}

bool renderFrameSheet(const Sprite* sprite, const std::vector<int>& frames,
                      std::vector<uint8_t>* rgba, int* width, int* height) {
    // Each frame in a cell of its own size (cut to the screen), cells left to right in rows.
    struct Cell {
        int x, y, w, h;  // the frame's area inside the sheet
    };
    std::vector<Cell> cells(frames.size());
    int x = 0, y = 0, rowHeight = 0, sheetWidth = 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        int l = 0, t = 0, r = 0, b = 0;
        if (!frameBounds(sprite, frames[i], &l, &t, &r, &b)) l = t = r = b = 0;
        const int w = std::min(r - l, kLogicalScreenWidth), h = std::min(b - t, kLogicalScreenHeight);
        const int cellWidth = std::max(24, w) + 2 * kCellMargin;
        const int cellHeight = h + kLabelHeight + 2 * kCellMargin;
        if (x > 0 && x + cellWidth > kMaxSheetWidth) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        cells[i] = {x + kCellMargin, y + kLabelHeight + kCellMargin, w, h};
        x += cellWidth;
        sheetWidth = std::max(sheetWidth, x);
        rowHeight = std::max(rowHeight, cellHeight);
    }
    const int sheetHeight = std::max(1, y + rowHeight);
    std::vector<uint8_t>& sheet = *rgba;
    sheet.assign(static_cast<size_t>(sheetWidth) * sheetHeight * 4, 0);
    for (size_t i = 0; i < sheet.size(); i += 4) {
        sheet[i] = 0x30; sheet[i + 1] = 0x30; sheet[i + 2] = 0x38; sheet[i + 3] = 255;
    }
    *width = sheetWidth;
    *height = sheetHeight;

    std::vector<uint8_t> screen(static_cast<size_t>(kLogicalScreenWidth) * kLogicalScreenHeight *
                                4);
    Graphics* g = g_screenGraphics;
    for (size_t i = 0; i < frames.size(); ++i) {
        const int f = frames[i];
        const Cell& cell = cells[i];
        drawSheetNumber(&sheet, sheetWidth, sheetHeight, cell.x, cell.y - kLabelHeight + 2 - kCellMargin, f);
        int l, t, r, b;
        if (!frameBounds(sprite, f, &l, &t, &r, &b)) continue;
        g->setClip(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
        g->setColor(kBackground);
        g->fillRect(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
        paintFrame(sprite, g, -l, -t, f, 0, kAnchorTopLeft, kTransformNone);
        if (!platform::readLandscape(screen.data())) return false;
        for (int row = 0; row < cell.h; ++row) {
            const uint8_t* from = &screen[static_cast<size_t>(row) * kLogicalScreenWidth * 4];
            uint8_t* to = &sheet[(static_cast<size_t>(cell.y + row) * sheetWidth + cell.x) * 4];
            std::memcpy(to, from, static_cast<size_t>(cell.w) * 4);
        }
    }
    return true;
}

int spriteCommand(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[0], "render") != 0) {
        usage();
        return 2;
    }
    const char* sprPath = argv[1];
    const char* outPath = argv[2];
    const char* packPath = nullptr;
    std::vector<int> frames;
    bool all = true;
    for (int i = 3; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pack") && i + 1 < argc) {
            packPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--frames")) {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                ++i;
                if (!std::strcmp(argv[i], "all")) {
                    all = true;
                    continue;
                }
                char* end = nullptr;
                const long n = std::strtol(argv[i], &end, 10);
                if (*end || n < 0) {
                    std::fprintf(stderr, "zvtool sprite: bad frame number '%s'\n", argv[i]);
                    return 2;
                }
                frames.push_back(static_cast<int>(n));
                all = false;
            }
        } else {
            usage();
            return 2;
        }
    }
    if (!openHeadlessScreen()) {
        std::fprintf(stderr, "zvtool sprite: no headless OpenGL ES screen\n");
        return 1;
    }
    Sprite* sprite = loadToolSprite(sprPath, packPath);
    if (!sprite) {
        std::fprintf(stderr, "zvtool sprite: %s cannot be loaded as a sprite\n", sprPath);
        return 1;
    }
    if (all) {
        frames.clear();
        for (int f = 0; f < sprite->frameCount; ++f) frames.push_back(f);
    }

    std::vector<uint8_t> sheet;
    int sheetWidth = 0, sheetHeight = 0;
    if (!renderFrameSheet(sprite, frames, &sheet, &sheetWidth, &sheetHeight)) {
        destroySprite(sprite);
        std::fprintf(stderr, "zvtool sprite: the screen cannot be read back\n");
        return 1;
    }
    const int frameCount = sprite->frameCount;
    destroySprite(sprite);
    std::string error;
    if (!writePngRgbaFile(outPath, sheet.data(), sheetWidth, sheetHeight, &error)) {
        std::fprintf(stderr, "zvtool sprite: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %d of %d frames, %d x %d\n", outPath, static_cast<int>(frames.size()),
                frameCount, sheetWidth, sheetHeight);
    return 0;
}
