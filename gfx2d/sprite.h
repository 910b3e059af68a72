// Sprites and bitmap fonts: a ".spr" file cuts rectangles (modules) out of a PNG picture and
// groups them into numbered frames; a font adds tables mapping characters to frames. Frames are
// drawn straight from the file bytes through the Graphics context; a plain picture can stand in
// for a sprite of one frame.
//
// ".spr" file, little-endian: bytes 0-3 not read, then sections {2-character tag, u16 length n,
// n bytes}. The file stays below 64 KiB. Tags (a 'b' section is looked up first, then its 's'
// twin, whose values are 16-bit and whose entries are 4 bytes instead of 2):
//   "HD"        u16 frame count, u16 alias count, u8 image count
//   "FR"        1 byte per frame: bits 0-4 module count, bit 7 mirrored
//   "FM"        4 bytes per alias, ascending: u16 frame, u16 source frame whose modules it uses
//   "Fb"/"Fs"   per frame: reference point (fx, fy)
//   "Sb"/"Ss"   per module: source position (sx, sy) in its picture
//   "Db"/"Ds"   per module: d0, d1; size (d0 >> 1, d1 >> 1), picture (d0 & 1) * 2 + (d1 & 1)
//   "Ob"/"Os"   per module: signed offset (ox, oy) from the frame origin
//   "fH"        font header: i8 space advance, i8 letter spacing, u16 "fU" count, -, u8 line
//               height, u8 ascent
//   "fA"        u16 frame per character 32..127, at (code - 32) * 2
//   "fU"        4 bytes per entry: u16 character code, u16 frame
#pragma once

#include <cstddef>
#include <cstdint>

class Graphics;
struct Image;

// Files of this size or more are refused: section positions are 16-bit.
constexpr size_t kSpriteMaxFileBytes = 65536;
constexpr int kSpriteFileHeaderBytes = 4;  // not interpreted
constexpr int kSpriteSectionHeaderBytes = 4;

// Section slots, in the order of their tags.
enum SpriteSection : int {
    kSectionHeader = 0,      // "HD"
    kSectionFrames = 1,      // "FR"
    kSectionAliases = 2,     // "FM"
    kSectionReference = 3,   // "Fb" / "Fs"
    kSectionSource = 4,      // "Sb" / "Ss"
    kSectionSize = 5,        // "Db" / "Ds"
    kSectionOffset = 6,      // "Ob" / "Os"
    kSectionFontHeader = 7,  // "fH"
    kSectionAscii = 8,       // "fA"
    kSectionUnicode = 9,     // "fU"
    kSpriteSectionCount = 10,
};

constexpr uint8_t kFrameModuleCountMask = 0x1F;
constexpr uint8_t kFrameMirrored = 0x80;
constexpr int kHeaderBytes = 5;        // "HD"
constexpr int kFontHeaderBytes = 7;    // "fH"
constexpr int kAsciiFirst = 32;        // "fA" starts at this code...
constexpr int kAsciiLast = 127;        // ...and ends at this one
constexpr int kNoGlyph = -1;
// Characters a drawn string is decoded into; longer texts are cut.
constexpr int kStringBufferChars = 1024;

struct Sprite {
    uint32_t context;          // resource context it was loaded in (the game has one, 0)
    Image*** pictures;         // owned: pictures[palette][index], paletteCount x imageCount
    uint8_t* data;             // owned: the whole .spr file; null for a picture-only sprite
    int32_t dataSize;          // bytes of data
    int32_t* firstModule;      // owned: per frame, the number of its first module
    int32_t sectionPos[kSpriteSectionCount];     // data offset of each section; -1 absent
    int32_t sectionLength[kSpriteSectionCount];  // data bytes of each section
    uint8_t entrySize[kSpriteSectionCount];      // bytes of one entry: 2 ('b') or 4 ('s')
    int32_t* widthCache;       // owned: per frame width, fonts only
    int32_t imageCount;        // pictures per palette ("HD"; 1 for a picture-only sprite)
    int32_t frameCount;        // "HD"; 1 for a picture-only sprite
    int32_t paletteCount;      // 1
    int32_t moduleCount;       // modules the frames own together
};

// One module as the file describes it.
struct SpriteModule {
    int32_t sourceX, sourceY;  // top-left in its picture
    int32_t width, height;
    int32_t picture;           // picture index 0..3
    int32_t offsetX, offsetY;  // from the frame origin; 0, 0 without an offset section
};

// ---- Loading ----------------------------------------------------------------------------------

// Loads the named resource: a ".spr" file with its picture slot [0][0] from the same name with
// ".png" (or "_0.png" when the sprite has more than one picture) in place of ".spr", or any
// other name as a picture-only sprite of one frame. Null when the file is missing or malformed
// (or, picture-only, when the picture cannot be loaded); a missing .spr picture leaves its slot
// empty and the modules that use it draw nothing.
Sprite* loadSprite(const char* name);
// A sprite from a .spr file in memory, without pictures. Takes data (a new[] buffer) whatever
// the outcome. Null, with data freed, for a file of 64 KiB or more, sections that run past the
// end, a missing or short "HD", or counts and module ranges the sections cannot hold.
Sprite* parseSprite(uint8_t* data, size_t size);
// A picture-only sprite of one frame showing image, which it takes over. Null for a null image.
Sprite* createPictureSprite(Image* image);
// Puts an image in a picture slot, destroying what was there; the sprite owns it afterwards.
// False (and the image destroyed) when the slot does not exist.
bool setSpritePicture(Sprite* sprite, int palette, int index, Image* image);
// Frees every picture, the data and the tables. Null is ignored.
void destroySprite(Sprite* sprite);

// ---- Frames -----------------------------------------------------------------------------------

bool isPictureOnly(const Sprite* sprite);
// Number of modules of a frame and whether it is mirrored; 0 / false out of range.
int frameModuleCount(const Sprite* sprite, int frame);
bool frameMirrored(const Sprite* sprite, int frame);
// Module m as read from the file; false when m is out of range.
bool spriteModule(const Sprite* sprite, int module, SpriteModule* out);
// Extent of the frame's modules (a picture-only sprite: its picture); 0 out of range.
int frameWidth(const Sprite* sprite, int frame);
int frameHeight(const Sprite* sprite, int frame);
// The rectangle [left, right) x [top, bottom) the frame's modules cover when painted at (0, 0)
// with anchor top-left (mirroring and the reference point applied). False when the frame is out
// of range or covers nothing.
bool frameBounds(const Sprite* sprite, int frame, int* left, int* top, int* right, int* bottom);

// Draws a frame with its anchor point (kAnchorRight / kAnchorHCenter, kAnchorBottom /
// kAnchorVCenter of the frame's size) at (x, y). Every module is drawn with the transform as
// given: a mirrored frame moves its modules, it does not mirror their pixels. Frames and
// palettes out of range draw nothing.
void paintFrame(const Sprite* sprite, Graphics* g, int x, int y, int frame, int palette,
                int anchor, int transform);
// paintFrame scaled about the anchor point, turned by angle degrees about the pivot of each
// module and faded by alpha. Mirrored frames draw their modules with a horizontal flip; the
// transform is used only by picture-only sprites.
void paintFrameEx(const Sprite* sprite, Graphics* g, int x, int y, int frame, int palette,
                  int anchor, int transform, float scale, float angle, int pivot, float alpha);
// A vertical three-piece bar height pixels tall: topFrame at (x, y), middleFrame repeated in the
// space left (clipped to it), bottomFrame under them. Leaves the clip at the whole screen.
void drawColumn(const Sprite* sprite, Graphics* g, int x, int y, int height, int topFrame,
                int middleFrame, int bottomFrame);

// ---- Fonts ------------------------------------------------------------------------------------

bool isFont(const Sprite* sprite);
// The frame of a character code, or kNoGlyph: codes 0 to 31 have none; 33 to 127 come from
// "fA", every other code from "fU". A frame number outside the sprite counts as no glyph.
int glyphFrame(const Sprite* font, int code);
int lineHeight(const Sprite* font);
int fontAscent(const Sprite* font);
int spaceAdvance(const Sprite* font);
int letterSpacing(const Sprite* font);
// Sum of (glyph width + spacing), or the space advance for characters without a glyph; a
// negative spacing adds 2 - spacing to the total.
int stringWidth(const Sprite* font, const uint16_t* chars, int start, int count);
// Draws chars[start .. start + count) with the baseline placed by the anchor (top: y + ascent;
// vertical centre: y + lineHeight / 2; bottom: y). fixedAdvance < 0 advances by each glyph's
// width, otherwise by fixedAdvance.
void drawChars(const Sprite* font, Graphics* g, const uint16_t* chars, int start, int count,
               int x, int y, int palette, int anchor, int fixedAdvance);
// Decodes UTF-8 text and draws it with drawChars; returns the line height.
int drawString(const Sprite* font, Graphics* g, const char* text, int x, int y, int anchor);

// A record of the cross-promotion screen's buttons that wrapped text can flow around.
struct FlowButton {
    int32_t x, y, width, height;  // y: the button's top edge
    int32_t textIndex, normalFrame, pressedFrame, shown;
};
static_assert(sizeof(FlowButton) == 32, "button records are eight 32-bit values");

// Cuts one line from chars[start .. count): characters are taken while they fit in maxWidth (at
// least one); the line then ends at its last space, or where the characters stopped fitting
// when it has none, or at a line feed, or at the end. Returns the end of the line (exclusive)
// and sets *next to where the following line starts (after the space or line feed).
int wrapLine(const Sprite* font, const uint16_t* chars, int start, int count, int maxWidth,
             int* next);
// Draws text wrapped to maxWidth, line under line (anchor top-left), and returns the height
// used. With flowRect an index into buttons, the first line whose bottom (y + lineHeight)
// passes that button's top edge and every line after it are narrowed by the button's width,
// once (not again on each line): the text flows beside the button, which the game places at the
// bottom of the text's area. A negative or out-of-range flowRect changes nothing.
int drawWrapped(const Sprite* font, Graphics* g, const char* text, int x, int y, int maxWidth,
                int flowRect, const FlowButton* buttons, int buttonCount);
int drawWrappedChars(const Sprite* font, Graphics* g, const uint16_t* chars, int count, int x,
                     int y, int maxWidth, int flowRect, const FlowButton* buttons,
                     int buttonCount);

// ---- UTF-8 ------------------------------------------------------------------------------------

// Decodes one character at p (available bytes > 0): a byte below 0x80 is itself; a lead byte
// with k leading one-bits (k up to 7) keeps its low 7 - k bits and takes 6 bits from each of
// the next k - 1 bytes, as many as there are. The result is kept in 16 bits. *used is set to
// the bytes consumed.
inline uint16_t decodeUtf8Char(const uint8_t* p, size_t available, size_t* used) {
    const uint8_t lead = p[0];
    if (lead < 0x80) {
        *used = 1;
        return lead;
    }
    int k = 0;
    while (k < 7 && (lead & (0x80 >> k))) ++k;
    uint32_t value = lead & ((1u << (7 - k)) - 1);
    size_t n = 1;
    for (int i = 1; i < k && n < available; ++i, ++n) value = (value << 6) | (p[n] & 0x3F);
    *used = n;
    return static_cast<uint16_t>(value);
}
// Decodes a NUL-terminated UTF-8 text into at most capacity characters; returns the count.
int decodeUtf8(const char* text, uint16_t* out, int capacity);
