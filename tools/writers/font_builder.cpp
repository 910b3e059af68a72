// Font builder: FreeType renders each character; the glyphs are packed on shelves into one
// atlas, and every glyph becomes a one-module frame whose cell spans its advance.
#include "tools/writers/font_builder.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

#include "tools/writers/png_writer.h"
#include "tools/writers/sprite_writer.h"

namespace {

constexpr int kCellGap = 1;  // transparent pixels between atlas cells, against filter bleeding

struct GlyphCell {
    uint16_t code;
    std::vector<uint8_t> coverage;  // bitmapWidth x bitmapRows
    int bitmapWidth, bitmapRows, bitmapLeft, bitmapTop;
    int cellLeft, cellWidth;        // cell from cellLeft (<= 0) across the advance and the ink
    int atlasX, atlasY;
};

int roundedPixels(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

// FreeType's handles, released whatever happens.
struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

bool renderGlyph(FT_Face face, uint16_t code, GlyphCell* cell) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.rows > 0 && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    cell->code = code;
    cell->bitmapWidth = static_cast<int>(bitmap.width);
    cell->bitmapRows = static_cast<int>(bitmap.rows);
    cell->bitmapLeft = slot->bitmap_left;
    cell->bitmapTop = slot->bitmap_top;
    cell->coverage.assign(static_cast<size_t>(cell->bitmapWidth) * cell->bitmapRows, 0);
    for (int y = 0; y < cell->bitmapRows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        std::copy(row, row + cell->bitmapWidth,
                  cell->coverage.begin() + static_cast<ptrdiff_t>(y) * cell->bitmapWidth);
    }
    const int advance = roundedPixels(slot->advance.x);
    cell->cellLeft = std::min(0, cell->bitmapLeft);
    cell->cellWidth = std::max(advance, cell->bitmapLeft + cell->bitmapWidth) - cell->cellLeft;
    return true;
}

}  // namespace

std::vector<uint16_t> defaultFontCodes() {
    std::vector<uint16_t> codes;
    for (uint16_t c = 32; c <= 126; ++c) codes.push_back(c);
    for (uint16_t c = 160; c <= 255; ++c) codes.push_back(c);
    return codes;
}

bool buildFont(const FontBuildOptions& options, FontBuild* out, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    FreeTypeFace ft;
    if (FT_Init_FreeType(&ft.library) != 0) {
        *error = "FreeType cannot start";
        return false;
    }
    if (FT_New_Face(ft.library, options.fontPath.c_str(), 0, &ft.face) != 0) {
        *error = "cannot open the font " + options.fontPath;
        return false;
    }
    if (options.pixelSize < 1 || FT_Set_Pixel_Sizes(ft.face, 0, options.pixelSize) != 0) {
        *error = "the font cannot be sized to " + std::to_string(options.pixelSize) + " pixels";
        return false;
    }

    std::vector<uint16_t> codes = options.codes.empty() ? defaultFontCodes() : options.codes;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<GlyphCell> cells;
    for (uint16_t code : codes) {
        GlyphCell cell;
        if (code >= 32 && renderGlyph(ft.face, code, &cell)) cells.push_back(std::move(cell));
    }

    // Shelf packing: left to right, a new shelf when the cell does not fit.
    const int atlasWidth = options.atlasWidth;
    int x = 0, y = 0, shelf = 0;
    for (GlyphCell& cell : cells) {
        if (cell.bitmapRows == 0) {  // nothing to show: the cell only advances
            cell.atlasX = cell.atlasY = 0;
            continue;
        }
        if (cell.cellWidth > atlasWidth) {
            *error = "a glyph is wider than the atlas";
            return false;
        }
        if (x + cell.cellWidth > atlasWidth) {
            x = 0;
            y += shelf + kCellGap;
            shelf = 0;
        }
        cell.atlasX = x;
        cell.atlasY = y;
        x += cell.cellWidth + kCellGap;
        shelf = std::max(shelf, cell.bitmapRows);
    }
    out->atlasWidth = atlasWidth;
    out->atlasHeight = std::max(1, y + shelf);
    // White everywhere, so that filtering at a glyph's edge never darkens it; alpha is coverage.
    out->rgba.assign(static_cast<size_t>(out->atlasWidth) * out->atlasHeight * 4, 255);
    for (size_t i = 3; i < out->rgba.size(); i += 4) out->rgba[i] = 0;

    SpriteDef def;
    def.isFont = true;
    out->codes.clear();
    for (const GlyphCell& cell : cells) {
        for (int row = 0; row < cell.bitmapRows; ++row) {
            for (int col = 0; col < cell.bitmapWidth; ++col) {
                const int px = cell.atlasX + cell.bitmapLeft - cell.cellLeft + col;
                const int py = cell.atlasY + row;
                out->rgba[(static_cast<size_t>(py) * out->atlasWidth + px) * 4 + 3] =
                    cell.coverage[static_cast<size_t>(row) * cell.bitmapWidth + col];
            }
        }
        SpriteModuleDef module;
        module.sourceX = cell.atlasX;
        module.sourceY = cell.atlasY;
        module.width = cell.cellWidth;
        module.height = cell.bitmapRows;
        module.offsetX = cell.cellLeft;
        module.offsetY = -cell.bitmapTop;
        SpriteFrameDef frame;
        frame.modules.push_back(module);
        def.font.glyphs.push_back({cell.code, static_cast<uint16_t>(def.frames.size())});
        def.frames.push_back(frame);
        out->codes.push_back(cell.code);
    }

    const FT_Size_Metrics& metrics = ft.face->size->metrics;
    out->lineHeight = roundedPixels(metrics.height);
    out->ascent = roundedPixels(metrics.ascender);
    out->spaceAdvance = 0;
    if (FT_Load_Char(ft.face, ' ', FT_LOAD_DEFAULT) == 0) {
        out->spaceAdvance = roundedPixels(ft.face->glyph->advance.x);
    }
    def.font.spaceAdvance = out->spaceAdvance;
    def.font.letterSpacing = options.letterSpacing;
    def.font.lineHeight = out->lineHeight;
    def.font.ascent = out->ascent;

    if (!buildSprite(def, &out->spr, error)) return false;
    if (!encodePngRgba(out->rgba.data(), out->atlasWidth, out->atlasHeight, &out->png)) {
        *error = "the atlas cannot be encoded as PNG";
        return false;
    }
    return true;
}
