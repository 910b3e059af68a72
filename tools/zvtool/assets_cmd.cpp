// zvtool assets: builds the game's data ("packres.bin" and the WAV files) from code and the
// sources in assets/, or draws contact sheets of every sprite and texture in it for a look.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "gfx2d/pvr_file.h"
#include "gfx2d/sprite.h"
#include "storage/pack.h"
#include "tools/assets/game_assets.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/png_writer.h"
#include "tools/zvtool/commands.h"

namespace {

constexpr int kTextureCell = 256;  // textures are shown at most this large on their sheet
constexpr int kCellMargin = 4;
constexpr int kLabelHeight = 8;
constexpr int kTexturesPerRow = 4;

void usage() {
    std::fprintf(stderr,
                 "usage: zvtool assets [--source DIR] OUT_DIR\n"
                 "       zvtool assets --preview [--source DIR] [--max-width N] OUT_DIR\n"
                 "  Builds packres.bin and the sounds (bush1.wav, bush2.wav, hittree.wav,\n"
                 "  pickup.wav, ambient_short2.wav) into OUT_DIR from the sources in DIR (the\n"
                 "  assets/ folder of the source tree by default). The same sources always give\n"
                 "  the same bytes.\n"
                 "  --preview writes contact sheets instead: one PNG per sprite (its frames drawn\n"
                 "  by the game's sprite code, numbered) and textures.png with every texture and\n"
                 "  picture, listed in textures.txt; --max-width scales wider sheets down.\n");
}

bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string stemOf(const std::string& entry) {
    const size_t dot = entry.rfind('.');
    return dot == std::string::npos ? entry : entry.substr(0, dot);
}

// Shrinks a picture by a whole factor (the average of each block) until it fits maxWidth.
void shrinkToWidth(std::vector<uint8_t>* rgba, int* width, int* height, int maxWidth) {
    if (maxWidth <= 0 || *width <= maxWidth) return;
    const int factor = (*width + maxWidth - 1) / maxWidth;
    const int w = std::max(1, *width / factor), h = std::max(1, *height / factor);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += (*rgba)[((static_cast<size_t>(y * factor + dy) * *width) +
                                        x * factor + dx) *
                                           4 +
                                       c];
                out[(static_cast<size_t>(y) * w + x) * 4 + c] =
                    static_cast<uint8_t>((sum + factor * factor / 2) / (factor * factor));
            }
        }
    }
    rgba->swap(out);
    *width = w;
    *height = h;
}

bool writeSheet(const std::string& path, std::vector<uint8_t> rgba, int w, int h, int maxWidth) {
    shrinkToWidth(&rgba, &w, &h, maxWidth);
    std::string error;
    if (!writePngRgbaFile(path.c_str(), rgba.data(), w, h, &error)) {
        std::fprintf(stderr, "zvtool assets: %s\n", error.c_str());
        return false;
    }
    std::printf("%s: %d x %d\n", path.c_str(), w, h);
    return true;
}

// The picture of a texture or a loose picture entry, decoded as the game decodes it.
bool decodePicture(const std::string& name, std::vector<uint8_t>* rgba, int* w, int* h) {
    uint8_t* bytes = loadEntry(name.c_str());
    const int32_t size = entrySize(name.c_str());
    if (!bytes || size < 0) return false;
    int32_t width = 0, height = 0;
    uint8_t* pixels = nullptr;
    if (endsWith(name, ".png")) {
        pixels = decodePngImage(bytes, static_cast<size_t>(size), &width, &height);
    } else {
        PvrHeader header;
        if (parsePvrHeader(bytes, static_cast<size_t>(size), &header))
            pixels = decodePvrLevel(header, 0, &width, &height);
    }
    delete[] bytes;
    if (!pixels) return false;
    rgba->assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    delete[] pixels;
    *w = width;
    *h = height;
    return true;
}

// Every texture and loose picture of the pack on one numbered sheet, over a checker board so
// that transparency shows.
bool textureSheet(const std::vector<std::string>& names, const std::string& outFolder,
                  int maxWidth) {
    const int cell = kTextureCell + 2 * kCellMargin;
    const int columns = std::max(1, std::min<int>(kTexturesPerRow, static_cast<int>(names.size())));
    const int rows = (static_cast<int>(names.size()) + columns - 1) / columns;
    const int sheetWidth = columns * cell, sheetHeight = std::max(1, rows) * (cell + kLabelHeight);
    std::vector<uint8_t> sheet(static_cast<size_t>(sheetWidth) * sheetHeight * 4, 255);
    for (int y = 0; y < sheetHeight; ++y)
        for (int x = 0; x < sheetWidth; ++x)
            for (int c = 0; c < 3; ++c)
                sheet[(static_cast<size_t>(y) * sheetWidth + x) * 4 + c] =
                    ((x / 8 + y / 8) % 2) ? 0x3A : 0x2C;
    std::string index;
    for (size_t i = 0; i < names.size(); ++i) {
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        const int cellX = static_cast<int>(i % columns) * cell;
        const int cellY = static_cast<int>(i / columns) * (cell + kLabelHeight);
        drawSheetNumber(&sheet, sheetWidth, sheetHeight, cellX + kCellMargin, cellY + 2,
                        static_cast<int>(i));
        if (!decodePicture(names[i], &rgba, &w, &h)) {
            index += std::to_string(i) + " " + names[i] + " (cannot be decoded)\n";
            continue;
        }
        index += std::to_string(i) + " " + names[i] + " " + std::to_string(w) + " x " +
                 std::to_string(h) + "\n";
        const int factor = std::max(1, (std::max(w, h) + kTextureCell - 1) / kTextureCell);
        for (int y = 0; y < h / factor; ++y) {
            for (int x = 0; x < w / factor; ++x) {
                const uint8_t* s = &rgba[(static_cast<size_t>(y * factor) * w + x * factor) * 4];
                uint8_t* d = &sheet[(static_cast<size_t>(cellY + kLabelHeight + kCellMargin + y) *
                                         sheetWidth +
                                     cellX + kCellMargin + x) *
                                    4];
                for (int c = 0; c < 3; ++c)
                    d[c] = static_cast<uint8_t>((s[c] * s[3] + d[c] * (255 - s[3])) / 255);
            }
        }
    }
    std::string error;
    if (!writeWholeFile(outFolder + "/textures.txt", reinterpret_cast<const uint8_t*>(index.data()),
                        index.size(), &error))
        std::fprintf(stderr, "zvtool assets: %s\n", error.c_str());
    return writeSheet(outFolder + "/textures.png", std::move(sheet), sheetWidth, sheetHeight,
                      maxWidth);
}

int preview(const GameAssets& assets, const std::string& outFolder, int maxWidth) {
    if (!openHeadlessScreen()) {
        std::fprintf(stderr, "zvtool assets: no headless OpenGL ES screen\n");
        return 1;
    }
    char packFile[] = "/tmp/zvtool-assets-XXXXXX";
    const int fd = mkstemp(packFile);
    if (fd < 0) return 1;
    close(fd);
    std::string error;
    if (!writePackFile(packFile, assets.entries, &error) || !openPack(packFile)) {
        std::fprintf(stderr, "zvtool assets: %s\n", error.c_str());
        unlink(packFile);
        return 1;
    }
    std::vector<std::string> names;
    for (int i = 0; i < packEntryCount(); ++i) names.push_back(packEntryName(i, nullptr));
    bool ok = true;
    std::vector<std::string> pictures;
    for (const std::string& name : names) {
        if (endsWith(name, ".spr")) {
            Sprite* sprite = loadSprite(("/" + name).c_str());
            if (!sprite) {
                std::fprintf(stderr, "zvtool assets: %s does not load\n", name.c_str());
                ok = false;
                continue;
            }
            std::vector<int> frames;
            for (int f = 0; f < sprite->frameCount; ++f) frames.push_back(f);
            std::vector<uint8_t> rgba;
            int w = 0, h = 0;
            ok = renderFrameSheet(sprite, frames, &rgba, &w, &h) &&
                 writeSheet(outFolder + "/" + stemOf(name) + ".png", std::move(rgba), w, h,
                            maxWidth) &&
                 ok;
            destroySprite(sprite);
        } else if (endsWith(name, ".pvr") ||
                   (endsWith(name, ".png") &&
                    std::find(names.begin(), names.end(), stemOf(name) + ".spr") == names.end())) {
            pictures.push_back(name);
        }
    }
    ok = textureSheet(pictures, outFolder, maxWidth) && ok;
    closePack();
    unlink(packFile);
    return ok ? 0 : 1;
}

}  // namespace

int assetsCommand(int argc, char** argv) {
    std::string source = defaultAssetSourceFolder(), out;
    bool previewOnly = false;
    int maxWidth = 0;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--preview")) {
            previewOnly = true;
        } else if (!std::strcmp(argv[i], "--source") && i + 1 < argc) {
            source = argv[++i];
        } else if (!std::strcmp(argv[i], "--max-width") && i + 1 < argc) {
            maxWidth = std::atoi(argv[++i]);
        } else if (argv[i][0] != '-' && out.empty()) {
            out = argv[i];
        } else {
            usage();
            return 2;
        }
    }
    if (out.empty()) {
        usage();
        return 2;
    }
    GameAssets assets;
    std::string error;
    if (!buildGameAssets(source, &assets, &error)) {
        std::fprintf(stderr, "zvtool assets: %s\n", error.c_str());
        return 1;
    }
    if (previewOnly) return preview(assets, out, maxWidth);
    if (!writeGameAssets(assets, out, &error)) {
        std::fprintf(stderr, "zvtool assets: %s\n", error.c_str());
        return 1;
    }
    size_t soundBytes = 0;
    for (const BuiltFile& f : assets.sounds) soundBytes += f.bytes.size();
    std::printf("%s/packres.bin: %zu entries; %zu sounds, %zu bytes\n", out.c_str(),
                assets.entries.size(), assets.sounds.size(), soundBytes);
    return 0;
}
