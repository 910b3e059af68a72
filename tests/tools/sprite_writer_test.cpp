// The sprite writer: what it writes is what the game's reader reads back, in byte or 16-bit
// sections as the values need, and what cannot be written is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gfx2d/sprite.h"
#include "tools/writers/sprite_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Sprite* parseCopy(const Bytes& bytes) {
    uint8_t* data = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    return parseSprite(data, bytes.size());
}

// The two-letter tags of the file's sections, in order.
std::string sections(const Bytes& bytes) {
    std::string tags;
    for (size_t i = 4; i + 4 <= bytes.size(); i += 4 + (bytes[i + 2] | bytes[i + 3] << 8))
        tags += std::string(&bytes[i], &bytes[i] + 2) + " ";
    return tags;
}

// Six frames of one to three modules, mirrored every other, frame 4 an alias of frame 2.
SpriteDef sampleDef() {
    SpriteDef def;
    def.frames.resize(6);
    for (int f = 0; f < 6; ++f) {
        for (int m = 0; m <= f % 3; ++m)
            def.frames[f].modules.push_back({f * 20 + m, m * 9, 3 + f, 2 + m, (f + m) % 4,
                                             m * 4 - 6, -f});
        def.frames[f].mirrored = f % 2 == 1;
        def.frames[f].referenceX = f;
        def.frames[f].referenceY = 2 * f;
    }
    def.frames[4].modules.clear();
    def.frames[4].aliasOf = 2;
    def.imageCount = 4;
    return def;
}

// Builds def and checks that the reader gets back every frame and module; the tags written.
std::string expectReadBack(const SpriteDef& def) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(buildSprite(def, &bytes, &error)) << error;
    Sprite* s = parseCopy(bytes);
    if (!s) {
        ADD_FAILURE() << "the reader refuses the file";
        return "";
    }
    EXPECT_EQ(s->frameCount, static_cast<int>(def.frames.size()));
    EXPECT_EQ(s->imageCount, def.imageCount);
    for (size_t f = 0; f < def.frames.size(); ++f) {
        const SpriteFrameDef& frame = def.frames[f];
        const SpriteFrameDef& owner = frame.aliasOf >= 0 ? def.frames[frame.aliasOf] : frame;
        EXPECT_EQ(frameModuleCount(s, f), static_cast<int>(owner.modules.size())) << f;
        EXPECT_EQ(frameMirrored(s, f), frame.mirrored) << f;
        for (size_t i = 0; i < owner.modules.size(); ++i) {
            SpriteModule m{};
            EXPECT_TRUE(spriteModule(s, s->firstModule[f] + static_cast<int>(i), &m));
            const SpriteModuleDef& d = owner.modules[i];
            EXPECT_EQ(std::vector<int>({m.sourceX, m.sourceY, m.width, m.height, m.picture,
                                        m.offsetX, m.offsetY}),
                      std::vector<int>({d.sourceX, d.sourceY, d.width, d.height, d.picture,
                                        d.offsetX, d.offsetY}))
                << "frame " << f << " module " << i;
        }
        int left, top, right, bottom;
        if (!owner.modules.empty() && frameBounds(s, f, &left, &top, &right, &bottom) &&
            !frame.mirrored) {
            EXPECT_EQ(top, owner.modules[0].offsetY - frame.referenceY) << f;
        }
    }
    destroySprite(s);
    return sections(bytes);
}

TEST(SpriteWriter, SectionsUseBytesUntilAValueNeedsMoreAndReadBackEitherWay) {
    SpriteDef def = sampleDef();
    EXPECT_EQ(expectReadBack(def), "HD FR FM Fb Sb Db Ob ");
    // One value past a byte in each section: offsets from -200, a source x and size of 256, a
    // reference point 300 down.
    def.frames[0].modules.push_back({256, 0, 256, 3, 0, -200, 0});
    def.frames[0].referenceY = 300;
    EXPECT_EQ(expectReadBack(def), "HD FR FM Fs Ss Ds Os ");
    // All-zero reference points and offsets are left out.
    SpriteDef zeros;
    zeros.frames.resize(1);
    zeros.frames[0].modules.resize(1);
    EXPECT_EQ(expectReadBack(zeros), "HD FR Sb Db ");
}

TEST(SpriteWriter, RefusesWhatTheFormatCannotHold) {
    const std::pair<std::function<void(SpriteDef&)>, const char*> bad[] = {
        {[](SpriteDef& d) { d.frames[0].modules.resize(32); }, "31"},
        {[](SpriteDef& d) { d.frames[5].aliasOf = 4; }, "alias"},  // 4 is itself an alias
        {[](SpriteDef& d) { d.frames[1].modules[0].offsetY = 40000; }, "16 bits"},
        {[](SpriteDef& d) { d.imageCount = 256; }, "image count"},
        {[](SpriteDef& d) { d.frames[0].modules[0].picture = 4; }, "picture index"},
        {[](SpriteDef& d) {  // a byte asked for, a value past it
             d.offsetWidth = SectionWidth::kByte;
             d.frames[0].modules[0].offsetX = 200;
         },
         "does not fit a byte"},
        {[](SpriteDef& d) {  // ~700 x 31 modules
             d.frames.resize(2);
             d.frames[1].modules.resize(31);
             d.frames.insert(d.frames.end(), 700, d.frames[1]);
         },
         "64 KiB"},
    };
    for (const auto& [spoil, why] : bad) {
        SpriteDef def = sampleDef();
        spoil(def);
        Bytes bytes;
        std::string error;
        EXPECT_FALSE(buildSprite(def, &bytes, &error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}

}  // namespace
