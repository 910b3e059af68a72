// Sprites and fonts: loading and checking a .spr file, frame sizes, painting frames through the
// Graphics context, and the font operations (glyphs, measuring, drawing and wrapping strings).
#include "gfx2d/sprite.h"

#include <cstring>

#include "gfx2d/graphics.h"
#include "gfx2d/texture.h"
#include "storage/byte_reader.h"
#include "storage/pack.h"

namespace {

// Tags of the section slots; the b/s slots list their 'b' tag (the 's' twin is tried next).
const char kSectionTags[kSpriteSectionCount][3] = {"HD", "FR", "FM", "Fb", "Sb", "Db", "Ob",
                                                   "fH", "fA", "fU"};
bool hasShortTwin(int slot) { return slot >= kSectionReference && slot <= kSectionOffset; }

constexpr int kAliasEntryBytes = 4;
constexpr int kUnicodeEntryBytes = 4;
constexpr int kAsciiTableBytes = (kAsciiLast - kAsciiFirst + 1) * 2;

// Characters drawString and drawWrapped decode into; each call overwrites them.
uint16_t g_stringBuffer[kStringBufferChars];

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

const uint8_t* section(const Sprite* s, int slot) {
    return s->sectionPos[slot] < 0 ? nullptr : s->data + s->sectionPos[slot];
}

// Component c (0 or 1) of entry i of a b/s section; signed for the offset section.
int32_t sectionValue(const Sprite* s, int slot, int i, int c) {
    const uint8_t* base = section(s, slot);
    if (s->entrySize[slot] == 2) {
        const uint8_t v = base[i * 2 + c];
        return slot == kSectionOffset ? static_cast<int8_t>(v) : v;
    }
    const uint16_t v = readU16(base + i * 4 + c * 2);
    return slot == kSectionOffset ? static_cast<int16_t>(v) : v;
}

// Finds the ten sections; false when a section header or its data runs past the end.
bool findSections(Sprite* s) {
    for (int slot = 0; slot < kSpriteSectionCount; ++slot) s->sectionPos[slot] = -1;
    int32_t found[2][kSpriteSectionCount];  // [0] 'b' or only tag, [1] 's' twin
    int32_t length[2][kSpriteSectionCount] = {};
    for (int i = 0; i < kSpriteSectionCount; ++i) found[0][i] = found[1][i] = -1;

    ByteReader r(s->data, static_cast<size_t>(s->dataSize));
    r.skip(kSpriteFileHeaderBytes);
    while (r.ok() && !r.atEnd()) {
        const uint8_t t0 = r.u8(), t1 = r.u8();
        const uint16_t n = r.u16();
        const size_t pos = r.position();
        if (!r.skip(n)) return false;
        for (int slot = 0; slot < kSpriteSectionCount; ++slot) {
            if (t0 != kSectionTags[slot][0]) continue;
            int twin = -1;
            if (t1 == kSectionTags[slot][1]) twin = 0;
            else if (hasShortTwin(slot) && t1 == 's') twin = 1;
            if (twin >= 0 && found[twin][slot] < 0) {
                found[twin][slot] = static_cast<int32_t>(pos);
                length[twin][slot] = n;
            }
        }
    }
    if (r.failed()) return false;
    for (int slot = 0; slot < kSpriteSectionCount; ++slot) {
        const int twin = found[0][slot] >= 0 ? 0 : (found[1][slot] >= 0 ? 1 : -1);
        if (twin < 0) continue;
        s->sectionPos[slot] = found[twin][slot];
        s->sectionLength[slot] = length[twin][slot];
        s->entrySize[slot] = static_cast<uint8_t>(twin == 0 ? 2 : 4);
    }
    s->entrySize[kSectionFrames] = 1;
    s->entrySize[kSectionAliases] = kAliasEntryBytes;
    s->entrySize[kSectionAscii] = 2;
    s->entrySize[kSectionUnicode] = kUnicodeEntryBytes;
    return true;
}

// True when the section holds count entries (an absent section holds none).
bool holds(const Sprite* s, int slot, int64_t count) {
    if (count <= 0) return true;
    return s->sectionPos[slot] >= 0 && count * s->entrySize[slot] <= s->sectionLength[slot];
}

// Builds firstModule and checks that every frame's modules lie inside the module sections.
bool buildModuleTable(Sprite* s, int aliasCount) {
    const uint8_t* fr = section(s, kSectionFrames);
    const uint8_t* fm = section(s, kSectionAliases);
    s->firstModule = new int32_t[s->frameCount > 0 ? s->frameCount : 1];
    int32_t counter = 0;
    int cursor = 0;
    for (int f = 0; f < s->frameCount; ++f) {
        if (cursor < aliasCount && readU16(fm + cursor * kAliasEntryBytes) == f) {
            ++cursor;
            continue;
        }
        s->firstModule[f] = counter;
        counter += fr[f] & kFrameModuleCountMask;
    }
    for (int a = 0; a < aliasCount; ++a) {
        const uint16_t frame = readU16(fm + a * kAliasEntryBytes);
        const uint16_t source = readU16(fm + a * kAliasEntryBytes + 2);
        if (frame >= s->frameCount || source >= s->frameCount) return false;
        s->firstModule[frame] = s->firstModule[source];
    }
    s->moduleCount = counter;
    for (int f = 0; f < s->frameCount; ++f) {
        if (s->firstModule[f] + (fr[f] & kFrameModuleCountMask) > counter) return false;
    }
    return holds(s, kSectionSource, counter) && holds(s, kSectionSize, counter) &&
           (s->sectionPos[kSectionOffset] < 0 || holds(s, kSectionOffset, counter));
}

bool checkFontTables(const Sprite* s) {
    if (s->sectionPos[kSectionFontHeader] < 0) return true;
    if (s->sectionLength[kSectionFontHeader] < kFontHeaderBytes) return false;
    const uint16_t unicodeCount = readU16(section(s, kSectionFontHeader) + 2);
    if (!holds(s, kSectionUnicode, unicodeCount)) return false;
    return s->sectionPos[kSectionAscii] < 0 || s->sectionLength[kSectionAscii] >= kAsciiTableBytes;
}

void allocatePictures(Sprite* s) {
    s->pictures = new Image**[s->paletteCount];
    for (int p = 0; p < s->paletteCount; ++p) {
        s->pictures[p] = new Image*[s->imageCount > 0 ? s->imageCount : 1];
    }
}

const Image* picture(const Sprite* s, int palette, int index) {
    if (!s->pictures || palette < 0 || palette >= s->paletteCount || index < 0 ||
        index >= s->imageCount) {
        return nullptr;
    }
    return s->pictures[palette][index];
}

bool frameInRange(const Sprite* s, int frame) { return frame >= 0 && frame < s->frameCount; }

// Top-left of module m of a frame drawn at (x, y): a mirrored frame places its modules from the
// right and leaves the reference point's fy out.
void placeModule(const Sprite* s, int frame, const SpriteModule& m, int x, int y, int* left,
                 int* top) {
    int fx = 0, fy = 0;
    if (s->sectionPos[kSectionReference] >= 0) {
        fx = sectionValue(s, kSectionReference, frame, 0);
        fy = sectionValue(s, kSectionReference, frame, 1);
    }
    if (frameMirrored(s, frame)) {
        *left = x - m.width - m.offsetX + fx;
        *top = y + m.offsetY;
    } else {
        *left = x + m.offsetX - fx;
        *top = y + m.offsetY - fy;
    }
}

int frameExtent(const Sprite* s, int frame, bool horizontal) {
    const int count = frameModuleCount(s, frame);
    int lo = 0, hi = 0;
    for (int i = 0; i < count; ++i) {
        SpriteModule m{};
        spriteModule(s, s->firstModule[frame] + i, &m);
        const int start = horizontal ? m.offsetX : m.offsetY;
        const int end = start + (horizontal ? m.width : m.height);
        if (i == 0 || start < lo) lo = start;
        if (i == 0 || end > hi) hi = end;
    }
    return hi - lo;
}

// Advance of one character as drawChars moves it.
int charAdvance(const Sprite* font, uint16_t c, int spacing, int space) {
    const int glyph = glyphFrame(font, c);
    return glyph >= 0 ? font->widthCache[glyph] + spacing : space;
}

const uint8_t* fontHeader(const Sprite* font) {
    return font && font->data ? section(font, kSectionFontHeader) : nullptr;
}

}  // namespace

// ---- Loading ----------------------------------------------------------------------------------

Sprite* parseSprite(uint8_t* data, size_t size) {
    if (!data) return nullptr;
    if (size < kSpriteFileHeaderBytes || size >= kSpriteMaxFileBytes) {
        delete[] data;
        return nullptr;
    }
    Sprite* s = new Sprite();
    s->data = data;
    s->dataSize = static_cast<int32_t>(size);
    s->paletteCount = 1;
    bool ok = findSections(s) && s->sectionPos[kSectionHeader] >= 0 &&
              s->sectionLength[kSectionHeader] >= kHeaderBytes;
    int aliasCount = 0;
    if (ok) {
        const uint8_t* hd = section(s, kSectionHeader);
        s->frameCount = readU16(hd);
        aliasCount = readU16(hd + 2);
        s->imageCount = hd[4];
        ok = holds(s, kSectionFrames, s->frameCount) && holds(s, kSectionAliases, aliasCount) &&
             (s->sectionPos[kSectionReference] < 0 ||
              holds(s, kSectionReference, s->frameCount)) &&
             buildModuleTable(s, aliasCount) && checkFontTables(s);
    }
    if (!ok) {
        destroySprite(s);
        return nullptr;
    }
    if (isFont(s)) {
        s->widthCache = new int32_t[s->frameCount > 0 ? s->frameCount : 1];
        for (int f = 0; f < s->frameCount; ++f) s->widthCache[f] = frameExtent(s, f, true);
    }
    allocatePictures(s);
    return s;
}

Sprite* createPictureSprite(Image* image) {
    if (!image) return nullptr;
    Sprite* s = new Sprite();
    for (int slot = 0; slot < kSpriteSectionCount; ++slot) s->sectionPos[slot] = -1;
    s->imageCount = s->frameCount = s->paletteCount = 1;
    allocatePictures(s);
    s->pictures[0][0] = image;
    return s;
}

Sprite* loadSprite(const char* name) {
    if (!name) return nullptr;
    const size_t length = std::strlen(name);
    if (length < 4 || std::strcmp(name + length - 4, ".spr") != 0) {
        return createPictureSprite(createImage(name));
    }
    const int32_t size = entrySize(name);
    if (size < 0) return nullptr;
    Sprite* s = parseSprite(loadEntry(name), static_cast<size_t>(size));
    if (!s || s->imageCount < 1) return s;

    const char* suffix = s->imageCount > 1 ? "_0.png" : ".png";
    char* pictureName = new char[length - 4 + std::strlen(suffix) + 1];
    std::memcpy(pictureName, name, length - 4);
    std::strcpy(pictureName + length - 4, suffix);
    s->pictures[0][0] = createImage(pictureName);
    delete[] pictureName;
    return s;
}

bool setSpritePicture(Sprite* sprite, int palette, int index, Image* image) {
    if (!sprite || !sprite->pictures || palette < 0 || palette >= sprite->paletteCount ||
        index < 0 || index >= sprite->imageCount) {
        destroyImage(image);
        return false;
    }
    destroyImage(sprite->pictures[palette][index]);
    sprite->pictures[palette][index] = image;
    return true;
}

void destroySprite(Sprite* sprite) {
    if (!sprite) return;
    if (sprite->pictures) {
        for (int p = 0; p < sprite->paletteCount; ++p) {
            if (!sprite->pictures[p]) continue;
            for (int i = 0; i < sprite->imageCount; ++i) destroyImage(sprite->pictures[p][i]);
            delete[] sprite->pictures[p];
        }
        delete[] sprite->pictures;
    }
    delete[] sprite->data;
    delete[] sprite->firstModule;
    delete[] sprite->widthCache;
    delete sprite;
}

// ---- Frames -----------------------------------------------------------------------------------

bool isPictureOnly(const Sprite* sprite) { return sprite && !sprite->data; }

int frameModuleCount(const Sprite* sprite, int frame) {
    if (!sprite || !sprite->data || !frameInRange(sprite, frame)) return 0;
    return section(sprite, kSectionFrames)[frame] & kFrameModuleCountMask;
}

bool frameMirrored(const Sprite* sprite, int frame) {
    if (!sprite || !sprite->data || !frameInRange(sprite, frame)) return false;
    return (section(sprite, kSectionFrames)[frame] & kFrameMirrored) != 0;
}

bool spriteModule(const Sprite* sprite, int module, SpriteModule* out) {
    if (!sprite || !sprite->data || module < 0 || module >= sprite->moduleCount) return false;
    out->sourceX = sectionValue(sprite, kSectionSource, module, 0);
    out->sourceY = sectionValue(sprite, kSectionSource, module, 1);
    const int32_t d0 = sectionValue(sprite, kSectionSize, module, 0);
    const int32_t d1 = sectionValue(sprite, kSectionSize, module, 1);
    out->width = d0 >> 1;
    out->height = d1 >> 1;
    out->picture = (d0 & 1) * 2 + (d1 & 1);
    if (sprite->sectionPos[kSectionOffset] >= 0) {
        out->offsetX = sectionValue(sprite, kSectionOffset, module, 0);
        out->offsetY = sectionValue(sprite, kSectionOffset, module, 1);
    } else {
        out->offsetX = out->offsetY = 0;
    }
    return true;
}

int frameWidth(const Sprite* sprite, int frame) {
    if (!sprite || !frameInRange(sprite, frame)) return 0;
    if (!sprite->data) {
        const Image* image = picture(sprite, 0, 0);
        return image ? image->width : 0;
    }
    if (sprite->widthCache) return sprite->widthCache[frame];
    return frameExtent(sprite, frame, true);
}

int frameHeight(const Sprite* sprite, int frame) {
    if (!sprite || !frameInRange(sprite, frame)) return 0;
    if (!sprite->data) {
        const Image* image = picture(sprite, 0, 0);
        return image ? image->height : 0;
    }
    return frameExtent(sprite, frame, false);
}

bool frameBounds(const Sprite* sprite, int frame, int* left, int* top, int* right, int* bottom) {
    if (!sprite || !frameInRange(sprite, frame)) return false;
    if (!sprite->data) {
        *left = *top = 0;
        *right = frameWidth(sprite, frame);
        *bottom = frameHeight(sprite, frame);
        return *right > 0 && *bottom > 0;
    }
    bool any = false;
    const int count = frameModuleCount(sprite, frame);
    for (int i = 0; i < count; ++i) {
        SpriteModule m{};
        spriteModule(sprite, sprite->firstModule[frame] + i, &m);
        if (m.width <= 0 || m.height <= 0) continue;
        int l, t;
        placeModule(sprite, frame, m, 0, 0, &l, &t);
        if (!any || l < *left) *left = l;
        if (!any || t < *top) *top = t;
        if (!any || l + m.width > *right) *right = l + m.width;
        if (!any || t + m.height > *bottom) *bottom = t + m.height;
        any = true;
    }
    return any;
}

void paintFrame(const Sprite* sprite, Graphics* g, int x, int y, int frame, int palette,
                int anchor, int transform) {
    if (!sprite || !g) return;
    if (!sprite->data) {
        const Image* image = picture(sprite, 0, 0);
        if (image) g->drawRegion(image, 0, 0, image->width, image->height, transform, x, y, anchor);
        return;
    }
    if (!frameInRange(sprite, frame) || palette < 0 || palette >= sprite->paletteCount) return;
    if (anchor & kAnchorRight) x -= frameWidth(sprite, frame);
    else if (anchor & kAnchorHCenter) x -= frameWidth(sprite, frame) >> 1;
    if (anchor & kAnchorBottom) y -= frameHeight(sprite, frame);
    else if (anchor & kAnchorVCenter) y -= frameHeight(sprite, frame) >> 1;

    const int count = frameModuleCount(sprite, frame);
    for (int i = 0; i < count; ++i) {
        SpriteModule m{};
        spriteModule(sprite, sprite->firstModule[frame] + i, &m);
        const Image* image = picture(sprite, palette, m.picture);
        if (!image || m.width <= 0 || m.height <= 0) continue;
        int left, top;
        placeModule(sprite, frame, m, x, y, &left, &top);
        g->drawRegion(image, m.sourceX, m.sourceY, m.width, m.height, transform, left, top,
                      kAnchorTopLeft);
    }
}

void paintFrameEx(const Sprite* sprite, Graphics* g, int x, int y, int frame, int palette,
                  int anchor, int transform, float scale, float angle, int pivot, float alpha) {
    if (!sprite || !g) return;
    if (!sprite->data) {
        const Image* image = picture(sprite, 0, 0);
        if (image) {
            g->drawRegionEx(image, 0, 0, image->width, image->height, transform, x, y, anchor,
                            scale, angle, pivot, alpha);
        }
        return;
    }
    if (!frameInRange(sprite, frame) || palette < 0 || palette >= sprite->paletteCount) return;
    Graphics::resolveAnchor(&x, &y, static_cast<int>(frameWidth(sprite, frame) * scale),
                            static_cast<int>(frameHeight(sprite, frame) * scale), anchor);
    const int moduleTransform = frameMirrored(sprite, frame) ? kTransformFlipHorizontal
                                                             : kTransformNone;
    const int count = frameModuleCount(sprite, frame);
    for (int i = 0; i < count; ++i) {
        SpriteModule m{};
        spriteModule(sprite, sprite->firstModule[frame] + i, &m);
        const Image* image = picture(sprite, palette, m.picture);
        if (!image || m.width <= 0 || m.height <= 0) continue;
        int left, top;
        placeModule(sprite, frame, m, x, y, &left, &top);
        left = x + static_cast<int>(static_cast<float>(left - x) * scale);
        top = y + static_cast<int>(static_cast<float>(top - y) * scale);
        g->drawRegionEx(image, m.sourceX, m.sourceY, m.width, m.height, moduleTransform, left,
                        top, kAnchorTopLeft, scale, angle, pivot, alpha);
    }
}

void drawColumn(const Sprite* sprite, Graphics* g, int x, int y, int height, int topFrame,
                int middleFrame, int bottomFrame) {
    if (!sprite || !g) return;
    const int topHeight = frameHeight(sprite, topFrame);
    const int bottomHeight = frameHeight(sprite, bottomFrame);
    const int middleHeight = frameHeight(sprite, middleFrame);
    paintFrame(sprite, g, x, y, topFrame, 0, kAnchorTopLeft, kTransformNone);
    const int space = height - topHeight - bottomHeight;
    if (space > 0) {
        g->setClip(0, y + topHeight, kLogicalScreenWidth, space);
        // A middle piece of no height would never fill the space.
        for (int filled = 0; middleHeight > 0 && filled < space; filled += middleHeight) {
            paintFrame(sprite, g, x, y + topHeight + filled, middleFrame, 0, kAnchorTopLeft,
                       kTransformNone);
        }
        g->setClip(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
    }
    paintFrame(sprite, g, x, y + topHeight + (space > 0 ? space : 0), bottomFrame, 0,
               kAnchorTopLeft, kTransformNone);
}

// ---- Fonts ------------------------------------------------------------------------------------

bool isFont(const Sprite* sprite) { return fontHeader(sprite) != nullptr; }

int glyphFrame(const Sprite* font, int code) {
    const uint8_t* header = fontHeader(font);
    if (!header || code < kAsciiFirst) return kNoGlyph;
    int frame = kNoGlyph;
    if (code > kAsciiFirst && code <= kAsciiLast && font->sectionPos[kSectionAscii] >= 0) {
        frame = readU16(section(font, kSectionAscii) + (code - kAsciiFirst) * 2);
    } else {
        const uint16_t count = readU16(header + 2);
        const uint8_t* entry = section(font, kSectionUnicode);
        for (int i = 0; i < count; ++i, entry += kUnicodeEntryBytes) {
            if (readU16(entry) == code) {
                frame = readU16(entry + 2);
                break;
            }
        }
    }
    return frame < font->frameCount ? frame : kNoGlyph;
}

int lineHeight(const Sprite* font) {
    const uint8_t* header = fontHeader(font);
    return header ? header[5] : 0;
}

int fontAscent(const Sprite* font) {
    const uint8_t* header = fontHeader(font);
    return header ? header[6] : 0;
}

int spaceAdvance(const Sprite* font) {
    const uint8_t* header = fontHeader(font);
    return header ? static_cast<int8_t>(header[0]) : 0;
}

int letterSpacing(const Sprite* font) {
    const uint8_t* header = fontHeader(font);
    return header ? static_cast<int8_t>(header[1]) : 0;
}

int stringWidth(const Sprite* font, const uint16_t* chars, int start, int count) {
    if (!isFont(font) || !chars) return 0;
    const int spacing = letterSpacing(font), space = spaceAdvance(font);
    int width = 0;
    for (int i = start; i < start + count; ++i) {
        width += charAdvance(font, chars[i], spacing, space);
    }
    if (spacing < 0) width += 2 - spacing;
    return width;
}

void drawChars(const Sprite* font, Graphics* g, const uint16_t* chars, int start, int count,
               int x, int y, int palette, int anchor, int fixedAdvance) {
    if (!isFont(font) || !g || !chars) return;
    if (anchor & (kAnchorRight | kAnchorHCenter)) {
        const int width = fixedAdvance < 0 ? stringWidth(font, chars, start, count)
                                           : count * fixedAdvance;
        x -= (anchor & kAnchorRight) ? width : width >> 1;
    }
    // Glyph frames have their origin on the baseline.
    if (anchor & kAnchorVCenter) y += lineHeight(font) >> 1;
    else if (!(anchor & kAnchorBottom)) y += fontAscent(font);

    const int spacing = letterSpacing(font), space = spaceAdvance(font);
    for (int i = start; i < start + count; ++i) {
        const int glyph = glyphFrame(font, chars[i]);
        if (glyph >= 0) {
            paintFrame(font, g, x, y, glyph, palette, kAnchorTopLeft, kTransformNone);
            x += (fixedAdvance < 0 ? font->widthCache[glyph] : fixedAdvance) + spacing;
        } else {
            x += fixedAdvance < 0 ? space : fixedAdvance;
        }
    }
}

int drawString(const Sprite* font, Graphics* g, const char* text, int x, int y, int anchor) {
    const int count = decodeUtf8(text, g_stringBuffer, kStringBufferChars);
    drawChars(font, g, g_stringBuffer, 0, count, x, y, 0, anchor, -1);
    return lineHeight(font);
}

int wrapLine(const Sprite* font, const uint16_t* chars, int start, int count, int maxWidth,
             int* next) {
    const int spacing = letterSpacing(font), space = spaceAdvance(font);
    int width = 0, lastSpace = -1;
    for (int i = start; i < count; ++i) {
        const uint16_t c = chars[i];
        if (c == '\n') {
            *next = i + 1;
            return i;
        }
        if (c == ' ') lastSpace = i;
        const int advance = charAdvance(font, c, spacing, space);
        if (i > start && width + advance > maxWidth) {
            if (lastSpace >= start) {
                *next = lastSpace + 1;
                return lastSpace;
            }
            *next = i;
            return i;
        }
        width += advance;
    }
    *next = count;
    return count;
}

int drawWrappedChars(const Sprite* font, Graphics* g, const uint16_t* chars, int count, int x,
                     int y, int maxWidth, int flowRect, const FlowButton* buttons,
                     int buttonCount) {
    if (!isFont(font) || !chars) return 0;
    const int height = lineHeight(font);
    const FlowButton* flow =
        buttons && flowRect >= 0 && flowRect < buttonCount ? &buttons[flowRect] : nullptr;
    const int top = y;
    for (int pos = 0; pos < count;) {
        if (flow && y + height > flow->y) {
            maxWidth -= flow->width;
            flow = nullptr;  // narrowed once; the lines below keep the narrower width
        }
        int next;
        const int end = wrapLine(font, chars, pos, count, maxWidth, &next);
        if (g) drawChars(font, g, chars, pos, end - pos, x, y, 0, kAnchorTopLeft, -1);
        y += height;
        pos = next;
    }
    return y - top;
}

int drawWrapped(const Sprite* font, Graphics* g, const char* text, int x, int y, int maxWidth,
                int flowRect, const FlowButton* buttons, int buttonCount) {
    const int count = decodeUtf8(text, g_stringBuffer, kStringBufferChars);
    return drawWrappedChars(font, g, g_stringBuffer, count, x, y, maxWidth, flowRect, buttons,
                            buttonCount);
}

int decodeUtf8(const char* text, uint16_t* out, int capacity) {
    if (!text || !out) return 0;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    int count = 0;
    while (*p && count < capacity) {
        size_t available = 1;
        while (available < 7 && p[available]) ++available;
        size_t used;
        out[count++] = decodeUtf8Char(p, available, &used);
        p += used;
    }
    return count;
}
