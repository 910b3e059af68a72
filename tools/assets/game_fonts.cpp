// The menu fonts: DejaVu rendered by the font builder, its white glyphs tinted a little warmer for
// the larger sizes so titles carry the gold of the rest of the art.
#include "tools/assets/game_fonts.h"

#include "tools/writers/font_builder.h"
#include "tools/writers/png_writer.h"

namespace {

constexpr const char* kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Beyond Latin-1: the en and em dashes, curly quotes, the bullet, the ellipsis and the euro sign.
constexpr uint16_t kExtraCodes[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201C,
                                    0x201D, 0x2022, 0x2026, 0x20AC};

}  // namespace

const std::vector<GameFontDef>& gameFontDefs() {
    static const std::vector<GameFontDef> fonts = {
        {"/fsmall.spr", kSans, 12, 0xF4F6F8},
        {"/fmed.spr", kSansBold, 15, 0xF6F0DE},
        {"/flarge.spr", kSansBold, 22, 0xFFE9B8},
    };
    return fonts;
}

std::vector<uint16_t> gameFontCodes() {
    std::vector<uint16_t> codes = defaultFontCodes();
    codes.insert(codes.end(), std::begin(kExtraCodes), std::end(kExtraCodes));
    return codes;
}

bool addGameFonts(std::vector<PackInput>* entries, std::string* error) {
    for (const GameFontDef& def : gameFontDefs()) {
        FontBuildOptions options;
        options.fontPath = def.fontPath;
        options.pixelSize = def.pixelSize;
        options.codes = gameFontCodes();
        FontBuild font;
        if (!buildFont(options, &font, error)) return false;
        for (size_t i = 0; i < font.rgba.size(); i += 4) {
            font.rgba[i] = static_cast<uint8_t>(def.tint >> 16);
            font.rgba[i + 1] = static_cast<uint8_t>(def.tint >> 8);
            font.rgba[i + 2] = static_cast<uint8_t>(def.tint);
        }
        PngWriteOptions png;
        png.compressionLevel = 9;
        std::vector<uint8_t> picture;
        if (!encodePng(font.rgba.data(), font.atlasWidth, font.atlasHeight, png, &picture)) {
            *error = std::string("the atlas of ") + def.name + " cannot be encoded";
            return false;
        }
        const std::string name = def.name;
        entries->push_back({name, std::move(font.spr), PackStorage::kAuto});
        entries->push_back(
            {name.substr(0, name.size() - 4) + ".png", std::move(picture), PackStorage::kAuto});
    }
    return true;
}
