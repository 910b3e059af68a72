// Sprites and fonts: the .spr reader and its checks, frame sizes, aliases, mirrored frames,
// font measuring and wrapping, and frames, text and columns drawn on the real Mesa GLES 1.1.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "gfx2d/texture.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"
#include "tools/writers/png_writer.h"
#include "tools/writers/sprite_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

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
SpriteModuleDef module(int sx, int sy, int w, int h, int ox = 0, int oy = 0, int picture = 0) {
    SpriteModuleDef m;
    m.sourceX = sx; m.sourceY = sy; m.width = w; m.height = h;
    m.offsetX = ox; m.offsetY = oy; m.picture = picture;
    return m;
}
SpriteFrameDef frame(std::vector<SpriteModuleDef> modules, bool mirrored = false) {
    SpriteFrameDef f;
    f.modules = std::move(modules);
    f.mirrored = mirrored;
    return f;
}

// A font over the test picture: 'A' a red block 5 wide, 'B' green 7 wide, 0xE9 blue 6 wide, each
// 8 tall and standing on the baseline; space advance 4; ascent 10, line height 12.
SpriteDef testFont(int spacing) {
    SpriteDef def;
    def.isFont = true;
    def.frames = {frame({module(0, 0, 5, 8, 0, -8)}), frame({module(16, 0, 7, 8, 0, -8)}),
                  frame({module(32, 0, 6, 8, 0, -8)})};
    def.font.spaceAdvance = 4;
    def.font.letterSpacing = spacing;
    def.font.lineHeight = 12;
    def.font.ascent = 10;
    def.font.glyphs = {{'A', 0}, {'B', 1}, {0xE9, 2}, {'Z', 0xFFFF}};
    return def;
}

std::vector<uint16_t> chars(const std::u16string& s) {
    return std::vector<uint16_t>(s.begin(), s.end());
}

// Every query a caller can make, over every frame, glyph and module: nothing may read outside.
void exercise(const Sprite* s) {
    for (int f = -1; f <= s->frameCount; ++f) {
        frameWidth(s, f);
        frameHeight(s, f);
        int l, t, r, b;
        frameBounds(s, f, &l, &t, &r, &b);
    }
    SpriteModule m;
    for (int i = 0; i < s->moduleCount; ++i) ASSERT_TRUE(spriteModule(s, i, &m));
    uint16_t all[300];
    for (int c = 0; c < 300; ++c) {
        all[c] = static_cast<uint16_t>(c);
        glyphFrame(s, c);
    }
    stringWidth(s, all, 0, 300);
}

// ---- Reading and checking the file
// ---------------------------------------------------------------

TEST(SpriteFile, FrameByte0x83HasThreeModulesAndIsMirrored) {
    Sprite* s = parse(spriteFile({section("HD", {1, 0, 0, 0, 1}), section("FR", {0x83}),
                                  section("Sb", {1, 2, 3, 4, 5, 6}),
                                  section("Db", {10, 4, 20, 6, 30, 9})}));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(frameModuleCount(s, 0), 3);
    EXPECT_TRUE(frameMirrored(s, 0));
    SpriteModule m;
    ASSERT_TRUE(spriteModule(s, 2, &m));
    EXPECT_EQ(m.sourceX, 5);
    EXPECT_EQ(m.width, 15);
    EXPECT_EQ(m.height, 4);
    EXPECT_EQ(m.picture, 1);  // (30 & 1) * 2 + (9 & 1)
    EXPECT_EQ(frameWidth(s, 0), 15);
    EXPECT_EQ(frameWidth(s, 1), 0);
    destroySprite(s);
}

TEST(SpriteFile, AnAliasDrawsItsSourceModulesAndOwnsNone) {
    SpriteDef def;
    const int counts[7] = {1, 2, 3, 1, 1, 0, 2};
    int next = 0;
    for (int f = 0; f < 7; ++f) {
        SpriteFrameDef fr;
        for (int i = 0; i < counts[f]; ++i, ++next) fr.modules.push_back(module(next, f, 2, 2));
        def.frames.push_back(fr);
    }
    def.frames[5].aliasOf = 2;
    const Bytes bytes = build(def);
    const Bytes fm = section("FM", {5, 0, 2, 0});
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), fm.begin(), fm.end()), bytes.end());

    Sprite* s = parse(bytes);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->moduleCount, 10);
    EXPECT_EQ(s->firstModule[5], s->firstModule[2]);
    EXPECT_EQ(frameModuleCount(s, 5), 3);
    EXPECT_EQ(s->firstModule[6], s->firstModule[4] + 1);
    SpriteModule m;
    spriteModule(s, s->firstModule[6], &m);
    EXPECT_EQ(m.sourceY, 6) << "frame 6's first module is its own";
    destroySprite(s);
}

TEST(SpriteFile, SectionsThatLieAreRejected) {
    const Bytes hd = section("HD", {1, 0, 0, 0, 1}), fr = section("FR", {2});
    const Bytes sb = section("Sb", {0, 0, 1, 1}), db = section("Db", {2, 2, 2, 2});
    ASSERT_NE(parse(spriteFile({hd, fr, sb, db})), nullptr);  // leaks nothing: checked below
    Bytes runsPast = spriteFile({hd, fr, sb, db});
    runsPast[runsPast.size() - 6] = 40;  // the last section claims 40 bytes
    const std::vector<Bytes> bad = {
        runsPast,
        spriteFile({fr, sb, db}),                                      // no header
        spriteFile({section("HD", {1, 0, 0, 0}), fr, sb, db}),         // short header
        spriteFile({hd, section("FR", {0x9F}), sb, db}),               // 31 modules, 2 described
        spriteFile({hd, fr, sb, section("Db", {2, 2})}),               // sizes for one module
        spriteFile({hd, fr, sb, db, section("Ob", {1})}),              // offsets cut short
        spriteFile({section("HD", {2, 0, 1, 0, 1}), section("FR", {1, 1}),
                    section("FM", {1, 0, 9, 0}), sb, db}),             // alias of frame 9
        spriteFile({hd, fr, sb, db, section("fH", {4, 0, 3, 0, 0, 12, 10})}),  // fU missing
        spriteFile({hd, fr, sb, db, section("fH", {4, 0, 0, 0, 0, 12, 10}),
                    section("fA", Bytes(20, 0))}),                     // fA cut short
        Bytes{'S', 'P', 'R'},
    };
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(parse(bad[i]), nullptr) << "case " << i;
}

TEST(SpriteFile, FilesOf64KiBOrMoreAreRejected) {
    const Bytes base = spriteFile({section("HD", {0, 0, 0, 0, 1})});
    for (size_t total : {size_t{65535}, size_t{65536}}) {
        // Pad with one section (plus a tail section) to reach the total exactly.
        const size_t room = total - base.size() - 4 - 4;
        Bytes file = base;
        const Bytes pad = section("XX", Bytes(room - 40000, 0)),
                    pad2 = section("YY", Bytes(40000, 0));
        file.insert(file.end(), pad.begin(), pad.end());
        file.insert(file.end(), pad2.begin(), pad2.end());
        ASSERT_EQ(file.size(), total);
        Sprite* s = parse(file);
        EXPECT_EQ(s != nullptr, total < 65536) << total;
        destroySprite(s);
    }
}

TEST(SpriteFile, TruncatedOrCorruptedFilesNeverReadOutside) {
    SpriteDef def = testFont(-1);
    def.frames.push_back(frame({module(0, 0, 3, 3, -2, 1), module(5, 5, 2, 2)}, true));
    def.frames.push_back(SpriteFrameDef());
    def.frames.back().aliasOf = 3;
    def.frames[3].referenceX = 1;
    const Bytes good = build(def);
    Sprite* whole = parse(good);
    ASSERT_NE(whole, nullptr);
    destroySprite(whole);
    int accepted = 0;
    for (size_t n = 0; n < good.size(); ++n) {
        Sprite* s = parse(Bytes(good.begin(), good.begin() + n));
        if (s) {
            ++accepted;
            exercise(s);
        }
        destroySprite(s);
    }
    EXPECT_LT(accepted, 8) << "only cuts at section ends can hold a whole sprite";
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t v :
             {uint8_t{0x00}, uint8_t{0xFF}, uint8_t(good[i] ^ 0x80), uint8_t(good[i] + 1)}) {
            Bytes bytes = good;
            bytes[i] = v;
            Sprite* s = parse(bytes);
            if (s) exercise(s);
            destroySprite(s);
        }
    }
}

// ---- Fonts without drawing ----------------------------------------------------------------------

TEST(SpriteFont, GlyphsComeFromTheAsciiAndUnicodeTables) {
    SpriteDef def = testFont(0);
    def.font.glyphs.push_back({' ', 1});
    Sprite* font = parse(build(def));
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(isFont(font));
    EXPECT_EQ(glyphFrame(font, 'A'), 0);
    EXPECT_EQ(glyphFrame(font, 'B'), 1);
    EXPECT_EQ(glyphFrame(font, ' '), 1) << "32 is looked up in fU";
    EXPECT_EQ(glyphFrame(font, 0xE9), 2);
    EXPECT_EQ(glyphFrame(font, 10), kNoGlyph);
    EXPECT_EQ(glyphFrame(font, 'C'), kNoGlyph);
    EXPECT_EQ(glyphFrame(font, 'Z'), kNoGlyph) << "a frame outside the sprite is no glyph";
    EXPECT_EQ(glyphFrame(font, 0x20AC), kNoGlyph);
    EXPECT_EQ(lineHeight(font), 12);
    destroySprite(font);
}

TEST(SpriteFont, NegativeSpacingAddsTwoMinusSpacingToTheWidth) {
    Sprite* font = parse(build(testFont(-1)));
    ASSERT_NE(font, nullptr);
    const std::vector<uint16_t> text = chars(u"AB C\n");
    // (5 - 1) + (7 - 1) + space 4 + no glyph 4 + line feed 4, plus 2 - (-1)
    EXPECT_EQ(stringWidth(font, text.data(), 0, 5), 4 + 6 + 4 + 4 + 4 + 3);
    EXPECT_EQ(stringWidth(font, text.data(), 1, 1), 6 + 3);
    destroySprite(font);
    Sprite* plain = parse(build(testFont(2)));
    EXPECT_EQ(stringWidth(plain, text.data(), 0, 2), 7 + 9);
    destroySprite(plain);
}

TEST(SpriteFont, Utf8DecodesByTheLeadingOnes) {
    uint16_t out[16];
    ASSERT_EQ(decodeUtf8("a\xC3\xA9\xE2\x82\xAC", out, 16), 3);
    EXPECT_EQ(out[1], 0xE9);
    EXPECT_EQ(out[2], 0x20AC);
    ASSERT_EQ(decodeUtf8("\xE2\x82", out, 16), 1) << "a sequence cut by the end of the text";
    EXPECT_EQ(out[0], 0x82);
    EXPECT_EQ(decodeUtf8("abcdef", out, 4), 4);
    const uint8_t seven[] = {0xFE, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86};
    size_t used = 0;
    // Six continuation bytes of 6 bits, kept to the low 16 bits.
    EXPECT_EQ(decodeUtf8Char(seven, 7, &used), 0x04 << 12 | 0x05 << 6 | 0x06);
    EXPECT_EQ(used, 7u);
}

TEST(SpriteFont, LinesBreakAtTheLastSpaceThatFits) {
    Sprite* font = parse(build(testFont(0)));  // A: 5, B: 7, space: 4
    const std::vector<uint16_t> text = chars(u"AA BB AB\nBBBBBB");
    int next = 0;
    EXPECT_EQ(wrapLine(font, text.data(), 0, 15, 30, &next), 5);  // "AA BB" is 28 wide
    EXPECT_EQ(next, 6);
    EXPECT_EQ(wrapLine(font, text.data(), 6, 15, 100, &next), 8) << "a line feed ends the line";
    EXPECT_EQ(next, 9);
    EXPECT_EQ(wrapLine(font, text.data(), 9, 15, 20, &next), 11) << "no space: cut where full";
    EXPECT_EQ(wrapLine(font, text.data(), 9, 15, 1, &next), 10) << "one character at least";

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

// ---- Drawing ------------------------------------------------------------------------------------

// The test picture, 64 x 32: 8 x 8 blocks red (0, 0), green (16, 0), blue (32, 0), and a block at
// (0, 16) yellow on its left half and cyan on its right; transparent elsewhere.
Bytes testPicturePng() {
    std::vector<uint8_t> rgba(64 * 32 * 4, 0);
    auto put = [&](int x0, int y0, int w, int h, uint32_t c) {
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                uint8_t* p = &rgba[(y * 64 + x) * 4];
                p[0] = c >> 16; p[1] = c >> 8; p[2] = c; p[3] = 255;
            }
        }
    };
    put(0, 0, 8, 8, kRed);
    put(16, 0, 8, 8, kGreen);
    put(32, 0, 8, 8, kBlue);
    put(0, 16, 4, 8, kYellow);
    put(4, 16, 4, 8, kCyan);
    Bytes png;
    EXPECT_TRUE(encodePngRgba(rgba.data(), 64, 32, &png));
    return png;
}

class SpriteDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zvtest::ensureGlContext());
        applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
        Graphics::setViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
        caps_.glVersion = 1.1f;
        caps_.textureMemory = 0x01400000;
        previousCaps_ = g_graphicsCaps;
        g_graphicsCaps = &caps_;
        g_boundTexture2D = -1;
        g_ = new Graphics(&caps_, nullptr, 0, 0);
        g_->setColor(0xFF000000u);
        g_->fillRect(0, 0, 480, 320);
    }
    void TearDown() override {
        delete g_;
        closePack();
        g_graphicsCaps = previousCaps_;
    }
    // Opens a pack of the given entries.
    void pack(const std::vector<PackInput>& entries) {
        const std::string path = zvtest::makeTempFolder() + "packres.bin";
        std::string error;
        ASSERT_TRUE(writePackFile(path.c_str(), entries, &error)) << error;
        ASSERT_TRUE(openPack(path.c_str()));
    }
    Sprite* loadWithPicture(const SpriteDef& def, const char* pictureName = "/t.png") {
        pack({{"/t.spr", build(def)}, {pictureName, testPicturePng()}});
        return loadSprite("/t.spr");
    }
    void capture() {
        screen_.resize(480 * 320 * 4);
        ASSERT_TRUE(platform::readLandscape(screen_.data()));
    }
    // The test colour nearest to the pixel: the loader filters linearly and transform 0 pulls
    // its far edges in by half a texel, so drawn blocks are close to, not exactly, their colour.
    uint32_t pixel(int x, int y) const {
        const uint8_t* p = &screen_[(static_cast<size_t>(y) * 480 + x) * 4];
        uint32_t best = kBlack;
        int bestDistance = 1 << 30;
        for (uint32_t c : {kBlack, kRed, kGreen, kBlue, kYellow, kCyan}) {
            const int dr = p[0] - static_cast<int>(c >> 16),
                      dg = p[1] - static_cast<int>((c >> 8) & 0xFF);
            const int db = p[2] - static_cast<int>(c & 0xFF);
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        return best;
    }

    GraphicsCaps caps_{};
    GraphicsCaps* previousCaps_ = nullptr;
    Graphics* g_ = nullptr;
    std::vector<uint8_t> screen_;
};

TEST_F(SpriteDrawing, APictureStandsInForASpriteOfOneFrame) {
    pack({{"/pic.png", testPicturePng()}});
    Sprite* s = loadSprite("/pic.png");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(isPictureOnly(s));
    EXPECT_EQ(s->frameCount, 1);
    EXPECT_EQ(frameWidth(s, 0), 64);
    EXPECT_EQ(frameHeight(s, 0), 32);
    paintFrame(s, g_, 100, 50, 0, 0, 0, kTransformNone);
    capture();
    EXPECT_EQ(pixel(100, 50), kRed);
    EXPECT_EQ(pixel(116, 50), kGreen);
    destroySprite(s);
    EXPECT_EQ(loadSprite("/missing.png"), nullptr);
    EXPECT_EQ(loadSprite("/missing.spr"), nullptr);
}

TEST_F(SpriteDrawing, MirroredFramesMoveTheirModulesNotTheirPixels) {
    SpriteDef def;
    def.frames = {frame({module(0, 16, 8, 8), module(0, 0, 8, 8, 10, 0)}),
                  frame({module(0, 16, 8, 8), module(0, 0, 8, 8, 10, 0)}, true)};
    def.frames[0].referenceX = def.frames[1].referenceX = 2;
    def.frames[0].referenceY = def.frames[1].referenceY = 3;
    Sprite* s = loadWithPicture(def);
    ASSERT_NE(s, nullptr);
    paintFrame(s, g_, 100, 100, 0, 0, 0, kTransformNone);
    paintFrame(s, g_, 300, 100, 1, 0, 0, kTransformNone);
    capture();
    // Plain: the two-tone block from x - fx, y - fy, the red block 10 further right.
    EXPECT_EQ(pixel(98, 97), kYellow);
    EXPECT_EQ(pixel(102, 97), kCyan);
    EXPECT_EQ(pixel(108, 97), kRed);
    EXPECT_EQ(pixel(97, 97), kBlack);
    // Mirrored: blocks placed leftwards from x + fx, fy not applied; yellow still on the left.
    EXPECT_EQ(pixel(294, 100), kYellow);
    EXPECT_EQ(pixel(298, 100), kCyan);
    EXPECT_EQ(pixel(284, 100), kRed);
    EXPECT_EQ(pixel(298, 99), kBlack);
    destroySprite(s);
}

TEST_F(SpriteDrawing, PaintFrameExScalesPlacementsAndFlipsMirroredFrames) {
    SpriteDef def;
    def.frames = {frame({module(0, 16, 8, 8), module(0, 0, 8, 8, 10, 0)}),
                  frame({module(0, 16, 8, 8)}, true)};
    Sprite* s = loadWithPicture(def);
    ASSERT_NE(s, nullptr);
    paintFrameEx(s, g_, 100, 100, 0, 0, 0, kTransformNone, 2.0f, 0, 0, 1.0f);
    paintFrameEx(s, g_, 300, 100, 1, 0, 0, kTransformNone, 1.0f, 0, 0, 1.0f);
    capture();
    // Scaled regions blend with the transparent border at their outermost pixels: look inside.
    EXPECT_EQ(pixel(101, 101), kYellow);
    EXPECT_EQ(pixel(109, 114), kCyan);
    EXPECT_EQ(pixel(116, 101), kBlack);
    EXPECT_EQ(pixel(121, 101), kRed);  // offset 10 scaled to 20
    EXPECT_EQ(pixel(134, 114), kRed);
    EXPECT_EQ(pixel(137, 101), kBlack);
    EXPECT_EQ(pixel(292, 100), kCyan);  // mirrored and flipped: cyan now on the left
    EXPECT_EQ(pixel(299, 100), kYellow);
    destroySprite(s);
}

TEST_F(SpriteDrawing, OnlyTheFirstPictureIsLoadedAndEmptySlotsDrawNothing) {
    SpriteDef def;
    def.imageCount = 2;
    def.frames = {frame({module(0, 0, 8, 8), module(16, 0, 8, 8, 10, 0, 1)})};
    Sprite* s = loadWithPicture(def, "/t_0.png");
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->pictures[0][0], nullptr);
    EXPECT_EQ(s->pictures[0][1], nullptr);
    paintFrame(s, g_, 100, 100, 0, 0, 0, kTransformNone);
    paintFrame(s, g_, 100, 100, 0, 1, 0, kTransformNone);  // palette 1 does not exist
    capture();
    EXPECT_EQ(pixel(100, 100), kRed);
    EXPECT_EQ(pixel(112, 100), kBlack);
    destroySprite(s);

    closePack();
    s = loadWithPicture(def, "/elsewhere.png");
    ASSERT_NE(s, nullptr) << "a missing picture leaves the sprite loaded";
    EXPECT_EQ(s->pictures[0][0], nullptr);
    paintFrame(s, g_, 200, 200, 0, 0, 0, kTransformNone);
    destroySprite(s);
}

TEST_F(SpriteDrawing, TextStandsOnTheBaselineAndLineFeedAdvancesLikeASpace) {
    SpriteDef def = testFont(1);
    Sprite* font = loadWithPicture(def);
    ASSERT_NE(font, nullptr);
    const std::vector<uint16_t> text = chars(u"A\nB");
    drawChars(font, g_, text.data(), 0, 3, 100, 100, 0, 0, -1);
    EXPECT_EQ(drawString(font, g_, "B\xC3\xA9", 300, 200, kAnchorRight | kAnchorBottom), 12);
    capture();
    // Top at y + ascent - 8; 'B' after A (5) + spacing (1) + the space advance (4).
    EXPECT_EQ(pixel(100, 102), kRed);
    EXPECT_EQ(pixel(100, 101), kBlack);
    EXPECT_EQ(pixel(104, 109), kRed);
    EXPECT_EQ(pixel(109, 105), kBlack);
    EXPECT_EQ(pixel(110, 105), kGreen);
    // Right and bottom: "Bé" is 8 + 7 wide and ends at x = 300, its baseline at y = 200.
    EXPECT_EQ(pixel(285, 192), kGreen);
    EXPECT_EQ(pixel(284, 192), kBlack);
    EXPECT_EQ(pixel(293, 199), kBlue);
    EXPECT_EQ(pixel(293, 200), kBlack);
    destroySprite(font);
}

TEST_F(SpriteDrawing, AColumnRepeatsItsMiddleInsideTheSpaceLeft) {
    SpriteDef def;
    def.frames = {frame({module(0, 0, 8, 8)}), frame({module(16, 0, 8, 3)}),
                  frame({module(32, 0, 8, 8)})};
    Sprite* s = loadWithPicture(def);
    ASSERT_NE(s, nullptr);
    drawColumn(s, g_, 50, 20, 40, 0, 1, 2);     // 8 top, 24 of middle, 8 bottom
    drawColumn(s, g_, 80, 20, 10, 0, 1, 2);     // no room: bottom follows top
    drawColumn(s, g_, 110, 20, 40, 0, 99, 2);   // a middle of no height
    EXPECT_EQ(g_->clipWidth(), 480);
    capture();
    EXPECT_EQ(pixel(50, 27), kRed);
    EXPECT_EQ(pixel(50, 28), kGreen);
    EXPECT_EQ(pixel(50, 51), kGreen);
    EXPECT_EQ(pixel(50, 52), kBlue);
    EXPECT_EQ(pixel(50, 59), kBlue);
    EXPECT_EQ(pixel(80, 28), kBlue);
    EXPECT_EQ(pixel(110, 52), kBlue) << "the bottom still comes after the space";
    EXPECT_EQ(pixel(110, 28), kBlack);
    destroySprite(s);
}

}  // namespace
