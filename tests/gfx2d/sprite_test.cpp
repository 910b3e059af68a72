// Sprites and fonts: the .spr reader and its checks, aliases, mirrored frames, font measuring and
// wrapping, and frames, text and columns drawn on the real Mesa OpenGL ES 1.1.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx2d/sprite.h"
#include "support/screen_2d_fixture.h"
#include "tools/writers/png_writer.h"
#include "tools/writers/sprite_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using zvtest::Box;

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr uint32_t kYellow = 0xFFFF00, kCyan = 0x00FFFF;

Bytes section(const char* tag, const Bytes& data) {
    Bytes out = {static_cast<uint8_t>(tag[0]), static_cast<uint8_t>(tag[1]),
                 static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}
Bytes spriteFile(const std::vector<Bytes>& sections) {
    Bytes out = {'S', 'P', 'R', 0};
    for (const Bytes& s : sections) out.insert(out.end(), s.begin(), s.end());
    return out;
}
Sprite* parse(const Bytes& bytes) {
    uint8_t* copy = new uint8_t[bytes.size() + 1];
    std::copy(bytes.begin(), bytes.end(), copy);
    return parseSprite(copy, bytes.size());
}
Bytes build(const SpriteDef& def) {
    Bytes out;
    std::string error;
    EXPECT_TRUE(buildSprite(def, &out, &error)) << error;
    return out;
}
// A frame of modules {source x, y, width, height, picture, offset x, y}.
SpriteFrameDef frame(std::vector<SpriteModuleDef> modules, bool mirrored = false, int fx = 0,
                     int fy = 0) {
    return {std::move(modules), mirrored, fx, fy};
}

// A font over the test picture: 'A' a red block 5 wide, 'B' green 7 wide (in two modules, the
// right one first), 0xE9 blue 6 wide, each 8 tall and standing on the baseline; space advance 4;
// ascent 10, line height 12.
SpriteDef testFont(int spacing) {
    SpriteDef def;
    def.isFont = true;
    def.frames = {frame({{0, 0, 5, 8, 0, 0, -8}}),
                  frame({{19, 0, 4, 8, 0, 3, -8}, {16, 0, 3, 8, 0, 0, -8}}),
                  frame({{32, 0, 6, 8, 0, 0, -8}})};
    def.font = {4, spacing, 12, 10, {{'A', 0}, {'B', 1}, {0xE9, 2}, {'Z', 0xFFFF}}};
    return def;
}

std::vector<uint16_t> chars(const std::u16string& s) { return {s.begin(), s.end()}; }

TEST(SpriteFile, SectionsAreReadAsTheySayAndFilesWhoseSectionsLieAreRefused) {
    Sprite* s = parse(spriteFile({section("HD", {1, 0, 0, 0, 1}), section("FR", {0x83}),
                                  section("Sb", {1, 2, 3, 4, 5, 6}),
                                  section("Db", {10, 4, 20, 6, 30, 9})}));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(frameModuleCount(s, 0), 3);
    EXPECT_TRUE(frameMirrored(s, 0));
    SpriteModule m;
    ASSERT_TRUE(spriteModule(s, 2, &m));
    EXPECT_EQ((std::vector<int>{m.sourceX, m.width, m.height, m.picture}),
              (std::vector<int>{5, 15, 4, 1}));  // picture (30 & 1) * 2 + (9 & 1)
    EXPECT_EQ(frameWidth(s, 0), 15);
    EXPECT_EQ(frameWidth(s, 1), 0);
    destroySprite(s);

    // Frame 1 draws frame 0's modules and owns none: frame 2's module is the third.
    s = parse(spriteFile({section("HD", {3, 0, 1, 0, 1}), section("FR", {2, 2, 1}),
                          section("FM", {1, 0, 0, 0}), section("Sb", {0, 0, 0, 1, 0, 2}),
                          section("Db", Bytes(6, 2))}));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->moduleCount, 3);
    EXPECT_EQ(s->firstModule[1], s->firstModule[0]);
    EXPECT_EQ(frameModuleCount(s, 1), 2);
    ASSERT_TRUE(spriteModule(s, s->firstModule[2], &m));
    EXPECT_EQ(m.sourceY, 2);
    destroySprite(s);

    // Files whose sections lie, or that reach 64 KiB, are refused.
    const Bytes hd = section("HD", {1, 0, 0, 0, 1}), fr = section("FR", {2});
    const Bytes sb = section("Sb", {0, 0, 1, 1}), db = section("Db", {2, 2, 2, 2});
    Bytes runsPast = spriteFile({hd, fr, sb, db});
    runsPast[runsPast.size() - 6] = 40;  // the last section claims 40 bytes
    // Padded with two sections to a total size.
    auto padded = [](size_t total) {
        Bytes file = spriteFile({section("HD", {0, 0, 0, 0, 1}), section("YY", Bytes(40000, 0))});
        const Bytes pad = section("XX", Bytes(total - file.size() - 4, 0));
        file.insert(file.end(), pad.begin(), pad.end());
        return file;
    };
    const std::pair<Bytes, bool> cases[] = {
        {spriteFile({hd, fr, sb, db}), true},
        {padded(65535), true},
        {padded(65536), false},
        {runsPast, false},
        {spriteFile({fr, sb, db}), false},                                  // no header
        {spriteFile({section("HD", {1, 0, 0, 0}), fr, sb, db}), false},     // short header
        {spriteFile({hd, section("FR", {0x9F}), sb, db}), false},           // 31 modules, 2 there
        {spriteFile({hd, fr, sb, section("Db", {2, 2})}), false},           // sizes for one module
        {spriteFile({hd, fr, sb, db, section("Ob", {1})}), false},          // offsets cut short
        {spriteFile({section("HD", {2, 0, 1, 0, 1}), section("FR", {1, 1}),
                     section("FM", {1, 0, 9, 0}), sb, db}), false},         // alias of frame 9
        {spriteFile({hd, fr, sb, db, section("fH", {4, 0, 3, 0, 0, 12, 10})}), false},  // no fU
        {spriteFile({hd, fr, sb, db, section("fH", {4, 0, 0, 0, 0, 12, 10}),
                     section("fA", Bytes(20, 0))}), false},                 // fA cut short
        {Bytes{'S', 'P', 'R'}, false},
        {spriteFile({hd, fr, sb, db, section("fH", {4, 0, 0, 0, 0, 12, 10})}), true},  // no fA
        {spriteFile({section("HD", {2, 0, 0, 0, 1}), fr, sb, db}), false},  // FR of 1 frame of 2
        {spriteFile({section("HD", {1, 0, 1, 0, 1}), fr, sb, db}), false},  // 1 alias, no FM
        {spriteFile({hd, fr, sb, db, section("Fb", {1})}), false},          // reference cut short
        {spriteFile({hd, fr, sb, db, Bytes{'X'}}), false},                  // a header cut short
        {spriteFile({section("HD", {2, 0, 1, 0, 1}), section("FR", {1, 1}),
                     section("FM", {2, 0, 0, 0}), sb, db}), false},         // alias frame 2 of 2
        {spriteFile({section("HD", {2, 0, 1, 0, 1}), section("FR", {1, 5}),
                     section("FM", {1, 0, 0, 0}), sb, db}), false},         // 5 modules, 1 there
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        s = parse(cases[i].first);
        EXPECT_EQ(s != nullptr, cases[i].second) << "case " << i;
        destroySprite(s);
    }
}

TEST(SpriteFont, GlyphsComeFromTheTablesAndWidthsAddTheSpacing) {
    SpriteDef withSpace = testFont(2);
    withSpace.font.glyphs.push_back({' ', 1});
    Sprite* fonts[3] = {parse(build(withSpace)), parse(build(testFont(2))),
                        parse(build(testFont(-1)))};
    ASSERT_TRUE(fonts[0] && fonts[1] && fonts[2] && isFont(fonts[0]));
    const std::pair<int, int> glyphs[] = {
        {'A', 0}, {'B', 1}, {' ', 1} /* 32 is looked up in fU */, {0xE9, 2}, {10, kNoGlyph},
        {'C', kNoGlyph}, {'Z', kNoGlyph} /* a frame outside the sprite */, {127, kNoGlyph},
        {0x20AC, kNoGlyph}};
    for (const auto& [code, glyph] : glyphs) EXPECT_EQ(glyphFrame(fonts[0], code), glyph) << code;
    EXPECT_EQ(lineHeight(fonts[0]), 12);
    // Glyph width plus spacing; 4 for the space, a character without glyph and a line feed; a
    // negative spacing adds 2 minus it once more.
    const std::vector<uint16_t> text = chars(u"AB C\n");
    EXPECT_EQ(stringWidth(fonts[1], text.data(), 0, 5), 7 + 9 + 4 + 4 + 4);
    EXPECT_EQ(stringWidth(fonts[2], text.data(), 0, 5), 4 + 6 + 4 + 4 + 4 + 3);
    EXPECT_EQ(stringWidth(fonts[2], text.data(), 1, 1), 6 + 3);
    for (Sprite* font : fonts) destroySprite(font);
}

TEST(SpriteFont, Utf8DecodesByTheLeadingOnes) {
    uint16_t out[16];
    ASSERT_EQ(decodeUtf8("a\xC3\xA9\xE2\x82\xAC", out, 16), 3);
    EXPECT_EQ(out[1] * 0x10000 + out[2], 0xE9 * 0x10000 + 0x20AC);
    ASSERT_EQ(decodeUtf8("\xE2\x82", out, 16), 1) << "a sequence cut by the end of the text";
    EXPECT_EQ(out[0], 0x82);
    EXPECT_EQ(decodeUtf8("abcdef", out, 4), 4);
    const uint8_t seven[] = {0xFE, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86};
    size_t used = 0;
    // Six continuation bytes of 6 bits, kept to the low 16 bits.
    EXPECT_EQ(decodeUtf8Char(seven, 7, &used), 0x04 << 12 | 0x05 << 6 | 0x06);
    EXPECT_EQ(used, 7u);
}

TEST(SpriteFont, LinesBreakAtTheLastSpaceThatFitsAndFlowBesideAButton) {
    Sprite* font = parse(build(testFont(0)));  // A: 5, B: 7, space: 4
    const std::vector<uint16_t> text = chars(u"AA BB AB\nBBBBBB");
    struct Case { int start, maxWidth, end, next; };
    for (const Case& c : {Case{0, 30, 5, 6},      // "AA BB" is 28 wide
                          Case{6, 100, 8, 9},     // a line feed ends the line
                          Case{9, 20, 11, 11},    // no space: cut where full
                          Case{9, 1, 10, 10}}) {  // one character at least
        int next = 0;
        EXPECT_EQ(wrapLine(font, text.data(), c.start, 15, c.maxWidth, &next), c.end) << c.start;
        EXPECT_EQ(next, c.next) << c.start;
    }
    // Six words two to a line: three lines; a button under the first line narrows every line
    // from the second on to one word, once.
    const std::vector<uint16_t> words = chars(u"AB AB AB AB AB AB");
    EXPECT_EQ(drawWrappedChars(font, nullptr, words.data(), 17, 0, 0, 30, -1, nullptr, 0), 36);
    const FlowButton buttons[2] = {{0, 0, 0, 0, 0, 0, 0, 1}, {100, 14, 14, 20, 0, 0, 0, 1}};
    EXPECT_EQ(drawWrappedChars(font, nullptr, words.data(), 17, 0, 0, 30, 1, buttons, 2), 5 * 12);
    EXPECT_EQ(drawWrappedChars(font, nullptr, words.data(), 17, 0, 0, 30, 2, buttons, 2), 36)
        << "an index past the records is ignored";
    destroySprite(font);
}

// The test picture, 64 x 32: 8 x 8 blocks red (0, 0), green (16, 0), blue (32, 0), and a block at
// (0, 16) yellow on its left half and cyan on its right; transparent elsewhere.
Bytes testPicturePng() {
    Bytes rgba(64 * 32 * 4, 0);
    for (const auto& [x0, y0, w, c] : {std::array<uint32_t, 4>{0, 0, 8, kRed}, {16, 0, 8, kGreen},
                                       {32, 0, 8, kBlue}, {0, 16, 4, kYellow}, {4, 16, 4, kCyan}})
        for (uint32_t y = y0; y < y0 + 8; ++y)
            for (uint32_t x = x0; x < x0 + w; ++x) {
                uint8_t* p = &rgba[(y * 64 + x) * 4];
                p[0] = c >> 16, p[1] = c >> 8, p[2] = c, p[3] = 255;
            }
    Bytes png;
    EXPECT_TRUE(encodePngRgba(rgba.data(), 64, 32, &png));
    return png;
}

// The loader filters linearly and transform 0 pulls its far edges in by half a texel: drawn
// blocks are close to, not exactly, their colour.
using SpriteDrawing = zvtest::Screen2dTest;

TEST_F(SpriteDrawing, PicturesLoadByTheSpritesNameAndEmptySlotsDrawNothing) {
    SpriteDef two;
    two.imageCount = 2;
    two.frames = {frame({{0, 0, 8, 8}, {16, 0, 8, 8, 1, 10, 0}})};
    zvtest::ScopedPack pack({{"/pic.png", testPicturePng()}, {"/two.spr", build(two)},
                             {"/two_0.png", testPicturePng()}, {"/lost.spr", build(two)}});
    Sprite* picture = loadSprite("/pic.png");  // a picture stands in for a sprite of one frame
    Sprite* s = loadSprite("/two.spr");        // only the first of two pictures is loaded
    Sprite* lost = loadSprite("/lost.spr");    // a missing picture leaves the sprite loaded
    ASSERT_TRUE(picture && s && lost);
    EXPECT_TRUE(isPictureOnly(picture));
    EXPECT_EQ(picture->frameCount, 1);
    EXPECT_EQ(frameWidth(picture, 0) * 100 + frameHeight(picture, 0), 64 * 100 + 32);
    EXPECT_TRUE(s->pictures[0][0] && !s->pictures[0][1] && !lost->pictures[0][0]);
    EXPECT_EQ(glyphFrame(s, 'A'), kNoGlyph) << "not a font";
    paintFrame(picture, g_, 100, 50, 0, 0, 0, kTransformNone);
    paintFrame(s, g_, 100, 100, 0, 0, 0, kTransformNone);
    paintFrame(s, g_, 100, 100, 0, 1, 0, kTransformNone);  // palette 1 does not exist
    paintFrame(lost, g_, 200, 200, 0, 0, 0, kTransformNone);
    expectSnappedColours({{100, 50, kRed}, {116, 50, kGreen}, {100, 100, kRed}, {112, 100, kBlack},
                   {200, 200, kBlack}});
    EXPECT_EQ(loadSprite("/missing.png"), nullptr);
    EXPECT_EQ(loadSprite("/missing.spr"), nullptr);
    for (Sprite* each : {picture, s, lost}) destroySprite(each);
}

TEST_F(SpriteDrawing, FramesTextAndColumnsLandWhereTheirRulesSay) {
    SpriteDef def = testFont(1);  // frames 0 to 2: the glyphs
    const std::vector<SpriteModuleDef> twoBlocks = {{0, 16, 8, 8}, {0, 0, 8, 8, 0, 10, 0}};
    // Frames 3 to 9; 7 to 9 make a column.
    def.frames.insert(def.frames.end(),
                      {frame(twoBlocks, false, 2, 3), frame(twoBlocks, true, 2, 3),
                       frame(twoBlocks), frame({{0, 16, 8, 8}}, true), frame({{0, 0, 8, 8}}),
                       frame({{16, 0, 8, 3}}), frame({{32, 0, 8, 8}})});
    zvtest::ScopedPack pack({{"/t.spr", build(def)}, {"/t.png", testPicturePng()}});
    Sprite* s = loadSprite("/t.spr");
    ASSERT_NE(s, nullptr);
    const std::vector<uint16_t> text = chars(u"A\nB");
    drawChars(s, g_, text.data(), 0, 3, 100, 100, 0, 0, -1);
    EXPECT_EQ(drawString(s, g_, "B\xC3\xA9", 300, 200, kAnchorRight | kAnchorBottom), 12);
    paintFrame(s, g_, 100, 250, 3, 0, 0, kTransformNone);
    paintFrame(s, g_, 300, 250, 4, 0, 0, kTransformNone);
    paintFrameEx(s, g_, 400, 20, 5, 0, 0, kTransformNone, 2.0f, 0, 0, 1.0f);
    paintFrameEx(s, g_, 200, 20, 6, 0, 0, kTransformNone, 1.0f, 0, 0, 1.0f);
    drawColumn(s, g_, 50, 20, 40, 7, 8, 9);    // 8 top, 24 of middle, 8 bottom
    drawColumn(s, g_, 80, 20, 10, 7, 8, 9);    // no room: bottom follows top
    drawColumn(s, g_, 110, 20, 40, 7, 99, 9);  // a middle of no height
    EXPECT_EQ(g_->clipWidth(), 480);
    // The extents the modules cover, as drawn below: [left, right) x [top, bottom).
    const Box extents[] = {{-2, -3, 16, 5}, {-16, 0, 2, 8}};
    for (int f : {3, 4}) {
        Box b;
        ASSERT_TRUE(frameBounds(s, f, &b[0], &b[1], &b[2], &b[3]));
        EXPECT_EQ(b, extents[f - 3]) << "frame " << f;
    }
    int l, t, r, b;
    EXPECT_FALSE(frameBounds(s, -1, &l, &t, &r, &b) || frameBounds(s, 10, &l, &t, &r, &b));
    expectSnappedColours({
        // Text: top at y + ascent - 8; 'B' after A (5) + spacing (1) + the space advance (4).
        // Right and bottom: "Bé" is 8 + 7 wide and ends at x = 300, its baseline at y = 200.
        {100, 102, kRed}, {100, 101, kBlack}, {104, 109, kRed}, {109, 105, kBlack},
        {110, 105, kGreen}, {285, 192, kGreen}, {284, 192, kBlack}, {293, 199, kBlue},
        {293, 200, kBlack},
        // Plain: the two-tone block from x - fx, y - fy, the red block 10 further right.
        // Mirrored: modules placed leftwards from x + fx, fy not applied, their pixels unturned.
        {98, 247, kYellow}, {102, 247, kCyan}, {108, 247, kRed}, {97, 247, kBlack},
        {294, 250, kYellow}, {298, 250, kCyan}, {284, 250, kRed}, {298, 249, kBlack},
        // Scaled by 2, the offset of 10 too (the outermost pixels blend with the border).
        {401, 21, kYellow}, {409, 34, kCyan}, {416, 21, kBlack}, {421, 21, kRed},
        {434, 34, kRed}, {437, 21, kBlack},
        // paintFrameEx flips a mirrored frame's modules: cyan on the left.
        {192, 20, kCyan}, {199, 20, kYellow},
        // Columns.
        {50, 27, kRed}, {50, 28, kGreen}, {50, 51, kGreen}, {50, 52, kBlue}, {50, 59, kBlue},
        {80, 28, kBlue}, {110, 52, kBlue}, {110, 28, kBlack}});
    destroySprite(s);
}

}  // namespace
