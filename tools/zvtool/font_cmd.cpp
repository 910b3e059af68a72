// zvtool font: builds a bitmap font (.spr and its atlas .png) from a TrueType font, and renders
// sample text with the game's own font drawing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "platform/platform.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/font_builder.h"
#include "tools/writers/png_writer.h"
#include "tools/zvtool/commands.h"

namespace {

constexpr int kSampleMargin = 4;

void usage() {
    std::fprintf(
        stderr,
        "usage: zvtool font build OUT.spr [--size PIXELS] [--spacing N] [--font FILE.ttf]\n"
        "       zvtool font sample FILE.spr \"text\" OUT.png [--pack PACK]\n"
        "  build renders the font (default %s, 16 pixels) into OUT.spr and its atlas\n"
        "  OUT.png: ASCII 32..126 and Latin-1 160..255.\n"
        "  sample draws the UTF-8 text with the game's font code (the picture beside\n"
        "  FILE.spr, or both in PACK) and writes it as a PNG.\n",
        kDefaultFontPath);
}

int buildCommand(int argc, char** argv) {
    if (argc < 1) {
        usage();
        return 2;
    }
    const std::string out = argv[0];
    FontBuildOptions options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--size") && hasValue) {
            options.pixelSize = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--spacing") && hasValue) {
            options.letterSpacing = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--font") && hasValue) {
            options.fontPath = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (out.size() < 5 || out.compare(out.size() - 4, 4, ".spr") != 0) {
        std::fprintf(stderr, "zvtool font: the output must be a .spr file\n");
        return 2;
    }
    FontBuild font;
    std::string error;
    if (!buildFont(options, &font, &error)) {
        std::fprintf(stderr, "zvtool font: %s\n", error.c_str());
        return 1;
    }
    const std::string png = out.substr(0, out.size() - 4) + ".png";
    if (!writeWholeFile(out, font.spr) || !writeWholeFile(png, font.png)) {
        std::fprintf(stderr, "zvtool font: cannot write %s or %s\n", out.c_str(), png.c_str());
        return 1;
    }
    std::printf("%s: %d glyphs, line height %d, ascent %d; %s: %d x %d\n", out.c_str(),
                static_cast<int>(font.codes.size()), font.lineHeight, font.ascent, png.c_str(),
                font.atlasWidth, font.atlasHeight);
    return 0;
}

int sampleCommand(int argc, char** argv) {
    if (argc < 3) {
        usage();
        return 2;
    }
    const char* packPath = nullptr;
    for (int i = 3; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pack") && i + 1 < argc) {
            packPath = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (!openHeadlessScreen()) {
        std::fprintf(stderr, "zvtool font: no headless OpenGL ES screen\n");
        return 1;
    }
    Sprite* font = loadToolSprite(argv[0], packPath);
    if (!font || !isFont(font)) {
        std::fprintf(stderr, "zvtool font: %s is not a font\n", argv[0]);
        destroySprite(font);
        return 1;
    }
    std::vector<uint16_t> chars(kStringBufferChars);
    const int count = decodeUtf8(argv[1], chars.data(), kStringBufferChars);
    const int width = std::min(kLogicalScreenWidth,
                               stringWidth(font, chars.data(), 0, count) + 2 * kSampleMargin);
    const int height = std::min(kLogicalScreenHeight, lineHeight(font) + 2 * kSampleMargin);

    Graphics* g = g_screenGraphics;
    g->setClip(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    g->setColor(0xFF202028u);
    g->fillRect(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    drawString(font, g, argv[1], kSampleMargin, kSampleMargin, kAnchorTopLeft);
    destroySprite(font);

    std::vector<uint8_t> screen(static_cast<size_t>(kLogicalScreenWidth) * kLogicalScreenHeight *
                                4);
    if (!platform::readLandscape(screen.data())) return 1;
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        std::memcpy(&picture[static_cast<size_t>(y) * width * 4],
                    &screen[static_cast<size_t>(y) * kLogicalScreenWidth * 4],
                    static_cast<size_t>(width) * 4);
    }
    std::string error;
    if (!writePngRgbaFile(argv[2], picture.data(), width, height, &error)) {
        std::fprintf(stderr, "zvtool font: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %d characters, %d x %d\n", argv[2], count, width, height);
    return 0;
}

}  // namespace

int fontCommand(int argc, char** argv) {
    if (argc >= 1 && !std::strcmp(argv[0], "build")) return buildCommand(argc - 1, argv + 1);
    if (argc >= 1 && !std::strcmp(argv[0], "sample")) return sampleCommand(argc - 1, argv + 1);
    usage();
    return 2;
}
