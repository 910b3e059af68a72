// The windowed presentation under a real X server: the portrait picture appears upright and
// integer-scaled in the window, and presenting leaves the game's GL state as it was.
#include <gtest/gtest.h>
// After the test framework: X11 defines names (None, Bool) the framework also uses.
#include <GLES/gl.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

class WindowedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::setDataFolder(zvtest::makeTempFolder().c_str());
        unsetenv("SDL_VIDEODRIVER");
        ASSERT_EQ(startUp(), 0);
    }
};

// Colour of a window pixel, as 0xRRGGBB.
uint32_t windowPixel(int x, int y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0) return 0xFFFFFFFFu;
    XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, x, y, 1, 1, AllPlanes,
                              ZPixmap);
    if (!image) return 0xFFFFFFFFu;
    uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

TEST_F(WindowedTest, PictureIsShownUprightAtAnIntegerScale) {
    SDL_Surface* window = SDL_GetVideoSurface();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->w % 480, 0);
    int scale = window->w / 480;
    ASSERT_EQ(window->h, 320 * scale);
    // Xvfb's 1280 x 800 screen: the largest scale within 90 % of it is 2.
    EXPECT_EQ(scale, 2);

    g_screenGraphics->setClip(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFF000000u);
    g_screenGraphics->fillRect(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFFFF0000u);
    g_screenGraphics->fillRect(0, 0, 40, 20);      // top left
    g_screenGraphics->setColor(0xFF00FF00u);
    g_screenGraphics->fillRect(440, 300, 40, 20);  // bottom right
    platform::swapBuffers();
    glFinish();
    SDL_Delay(100);

    EXPECT_EQ(windowPixel(1, 1), 0xFF0000u);
    EXPECT_EQ(windowPixel(39 * scale, 19 * scale), 0xFF0000u);
    EXPECT_EQ(windowPixel(41 * scale, 1), 0x000000u);
    EXPECT_EQ(windowPixel(479 * scale, 319 * scale), 0x00FF00u);
    EXPECT_EQ(windowPixel(439 * scale, 319 * scale), 0x000000u);
    EXPECT_EQ(windowPixel(240 * scale, 160 * scale), 0x000000u);
}

TEST_F(WindowedTest, PresentingKeepsTheGameState) {
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glViewport(5, 6, 70, 80);
    GLfloat mv[16], pr[16], mv2[16], pr2[16];
    GLint bound, bound2, vp[4], vp2[4], src, src2;
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_VIEWPORT, vp);
    glGetIntegerv(GL_BLEND_SRC, &src);
    platform::swapBuffers();
    glGetFloatv(GL_MODELVIEW_MATRIX, mv2);
    glGetFloatv(GL_PROJECTION_MATRIX, pr2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound2);
    glGetIntegerv(GL_VIEWPORT, vp2);
    glGetIntegerv(GL_BLEND_SRC, &src2);
    EXPECT_EQ(0, std::memcmp(mv, mv2, sizeof mv));
    EXPECT_EQ(0, std::memcmp(pr, pr2, sizeof pr));
    EXPECT_EQ(bound, bound2);
    EXPECT_EQ(0, std::memcmp(vp, vp2, sizeof vp));
    EXPECT_EQ(src, src2);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

}  // namespace
