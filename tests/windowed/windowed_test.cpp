// The windowed presentation under a real X server: the portrait picture appears upright and
// integer-scaled in the window, and presenting leaves the game's GL state as it was.
#include <gtest/gtest.h>
// After the test framework: X11 defines names (None, Bool) the framework also uses.
#include <GLES/gl.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "platform/platform.h"
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

// The state the game's caches rely on: matrices, bound texture, blending, viewport, switches.
std::vector<float> glState() {
    std::vector<float> s(56);
    glGetFloatv(GL_MODELVIEW_MATRIX, &s[0]);
    glGetFloatv(GL_PROJECTION_MATRIX, &s[16]);
    glGetFloatv(GL_TEXTURE_MATRIX, &s[32]);
    glGetFloatv(GL_VIEWPORT, &s[48]);
    glGetFloatv(GL_TEXTURE_BINDING_2D, &s[52]);
    glGetFloatv(GL_BLEND_SRC, &s[53]);
    glGetFloatv(GL_BLEND_DST, &s[54]);
    s[55] = glIsEnabled(GL_TEXTURE_2D) + 2 * glIsEnabled(GL_DEPTH_TEST) +
            4 * glIsEnabled(GL_BLEND) + 8 * glIsEnabled(GL_COLOR_ARRAY);
    return s;
}

// Xvfb's 1280 x 800 screen: the largest scale within 90 % of it is 2.
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
    GLuint texture = 0;  // something unusual in each part of the state
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glMatrixMode(GL_TEXTURE);
    glTranslatef(0.5f, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(30, 0, 0, 1);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnableClientState(GL_COLOR_ARRAY);
    glViewport(3, 4, 100, 200);
    const std::vector<float> before = glState();
    platform::swapBuffers();
    EXPECT_EQ(glState(), before);
    const std::tuple<int, int, uint32_t> probes[] = {
        {1, 1, 0xFF0000}, {78, 38, 0xFF0000}, {82, 1, 0}, {958, 638, 0xFF00}, {878, 638, 0},
        {480, 320, 0}};
    for (const auto& [x, y, colour] : probes) EXPECT_EQ(windowPixel(x, y), colour) << x << "," << y;
}

}  // namespace
