// The windowed presentation under a real X server: the portrait picture appears upright and
// integer-scaled in the window, and presenting leaves the game's GL state as it was.
#include <gtest/gtest.h>
// After the test framework: X11 defines names (None, Bool) the framework also uses.
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "platform/platform.h"
#include "support/gl_state.h"
#include "support/test_support.h"

namespace {

// Colour of a window pixel, as 0xRRGGBB.
uint32_t windowPixel(int x, int y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0) return 0xFFFFFFFFu;
    XSync(info.info.x11.display, False);
    XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, x, y, 1, 1, AllPlanes,
                              ZPixmap);
    if (!image) return 0xFFFFFFFFu;
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

// Xvfb's 1280 x 800 screen: the largest scale within 90 % of it is 2. Presenting keeps the GL
// state the game's caches rely on.
TEST(Windowed, ThePictureIsShownUprightAtAnIntegerScaleAndTheGameStateKept) {
    platform::setDataFolder(zvtest::makeTempFolder().c_str());
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_EQ(startUp(), 0);
    SDL_Surface* window = SDL_GetVideoSurface();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->w * 1000 + window->h, 960640);
    g_screenGraphics->setClip(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFF000000u);
    g_screenGraphics->fillRect(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFFFF0000u);
    g_screenGraphics->fillRect(0, 0, 40, 20);  // top left
    g_screenGraphics->setColor(0xFF00FF00u);
    g_screenGraphics->fillRect(440, 300, 40, 20);  // bottom right
    zvtest::disturbGlState();
    const zvtest::GlState before = zvtest::GlState::take();
    platform::swapBuffers();
    EXPECT_TRUE(zvtest::GlState::take() == before);
    const std::tuple<int, int, uint32_t> probes[] = {
        {1, 1, 0xFF0000}, {78, 38, 0xFF0000}, {82, 1, 0},   {958, 638, 0xFF00},
        {878, 638, 0},    {480, 320, 0}};
    for (const auto& [x, y, colour] : probes) EXPECT_EQ(windowPixel(x, y), colour) << x << "," << y;
}

}  // namespace
