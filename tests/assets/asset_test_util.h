// Shared by the asset tests: the whole build made once per test process, a pack of entries opened
// for the game's readers, and a headless screen to draw frames on with the game's own code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "engine3d/renderer.h"
#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "platform/platform.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/assets/game_assets.h"
#include "tools/assets/sprite_sheet.h"

namespace assettest {

// Everything the asset command makes, built once per process (a few seconds).
inline const GameAssets& fullBuild() {
    static GameAssets* built = [] {
        auto* assets = new GameAssets();
        std::string error;
        EXPECT_TRUE(buildGameAssets(defaultAssetSourceFolder(), assets, &error)) << error;
        return assets;
    }();
    return *built;
}

// Writes the entries as a pack in a new temporary folder and opens it for the game's readers.
inline bool openEntries(const std::vector<PackInput>& entries) {
    const std::string path = zvtest::makeTempFolder() + "packres.bin";
    std::string error;
    if (!writePackFile(path.c_str(), entries, &error)) {
        ADD_FAILURE() << error;
        return false;
    }
    return openPack(path.c_str());
}

// The .spr and .png entries of a built sheet under one stem ("/hud").
inline std::vector<PackInput> spriteEntries(const std::string& stem, const art::BuiltSprite& s) {
    return {{stem + ".spr", s.spr, PackStorage::kAuto}, {stem + ".png", s.png, PackStorage::kAuto}};
}

// The game's 2D context on the headless GL screen, and what was drawn, read back.
class Screen {
public:
    bool open() {
        if (!zvtest::ensureGlContext()) return false;
        applyInitialGlState(platform::kScreenWidth, platform::kScreenHeight);
        Graphics::setViewport(0, 0, platform::kScreenWidth, platform::kScreenHeight);
        caps_.glVersion = 1.1f;
        caps_.textureMemory = 0x01400000;
        g_graphicsCaps = &caps_;
        g_boundTexture2D = -1;
        graphics_ = new Graphics(&caps_, nullptr, 0, 0);
        return true;
    }
    ~Screen() { delete graphics_; }
    Graphics* g() { return graphics_; }
    void clear(uint32_t argb) {
        graphics_->setClip(0, 0, 480, 320);
        graphics_->setColor(argb);
        graphics_->fillRect(0, 0, 480, 320);
    }
    bool capture() {
        pixels_.resize(480 * 320 * 4);
        return platform::readLandscape(pixels_.data());
    }
    // Pixels of the rectangle that differ from the cleared colour (rgb) by more than a little.
    int changedPixels(int x, int y, int w, int h, uint32_t rgb) const {
        int changed = 0;
        for (int py = std::max(0, y); py < std::min(320, y + h); ++py) {
            for (int px = std::max(0, x); px < std::min(480, x + w); ++px) {
                const uint8_t* p = &pixels_[(static_cast<size_t>(py) * 480 + px) * 4];
                const int d = std::abs(p[0] - static_cast<int>((rgb >> 16) & 0xFF)) +
                              std::abs(p[1] - static_cast<int>((rgb >> 8) & 0xFF)) +
                              std::abs(p[2] - static_cast<int>(rgb & 0xFF));
                if (d > 24) ++changed;
            }
        }
        return changed;
    }

private:
    GraphicsCaps caps_{};
    Graphics* graphics_ = nullptr;
    std::vector<uint8_t> pixels_;
};

}  // namespace assettest
