// The desktop platform layer on the real Mesa OpenGL ES 1.1, headless: the context, the upright
// read-back of the portrait picture, the swap, the device simulator's tilt, mouse and focus
// mapping, and the data folder.
#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/application.h"
#include "app/gl_state.h"
#include "app/graphics_caps.h"
#include "app/input.h"
#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "platform/platform.h"
#include "platform/platform_internal.h"
#include "support/harness_fixture.h"

namespace {

class Platform : public zvtest::HarnessTest {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        harness::step();
        std::memset(&g_input, 0, sizeof g_input);
        resetTouchSlots();
    }
    static SDL_Event event(Uint8 type, int x, int y) {
        SDL_Event e{};
        e.button = {type, 0, SDL_BUTTON_LEFT, 0, static_cast<Uint16>(x), static_cast<Uint16>(y)};
        if (type == SDL_MOUSEMOTION) e.motion = {type, 0, 0, e.button.x, e.button.y, 0, 0};
        return e;
    }
};

TEST_F(Platform, TheContextIsOpenGLES11AndTheCapsComeFromIt) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::strstr(version, "OpenGL ES-CM 1.1"), nullptr) << version;
    ASSERT_NE(g_graphicsCaps, nullptr);
    EXPECT_FLOAT_EQ(g_graphicsCaps->glVersion, 1.1f);
    EXPECT_TRUE(g_graphicsCaps->bufferObjects);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2] * 1000 + viewport[3], 320480);
}

// The game draws landscape rectangles into the portrait framebuffer; device (portrait) point
// (rx, ry) shows at landscape (ry, 319 - rx). Both read back upright, alpha 255.
TEST_F(Platform, ThePictureReadsBackUpright) {
    g_screenGraphics->setClip(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFF000000u);
    g_screenGraphics->fillRect(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFFFF0000u);
    g_screenGraphics->fillRect(10, 20, 30, 40);
    g_screenGraphics->setColor(0xFF0000FFu);
    g_screenGraphics->fillRect(400, 250, 80, 70);
    applyInitialGlState(320, 480);  // start-up's portrait projection: origin top left, y down
    glLoadIdentity();
    const GLfloat quad[] = {0, 20, 10, 20, 0, 0, 10, 0};  // device 0..10 x 0..20
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 1, 0, 1);
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    applyInitialGlState(320, 480);
    glColor4f(1, 1, 1, 1);
    const std::vector<uint8_t> rgba = harness::capture();
    ASSERT_EQ(rgba.size(), 480u * 320u * 4u);
    const std::tuple<int, int, uint32_t> probes[] = {
        {10, 20, 0xFF0000}, {39, 59, 0xFF0000}, {40, 59, 0},   {39, 60, 0},     {9, 20, 0},
        {479, 319, 0xFF},   {400, 250, 0xFF},   {399, 250, 0}, {0, 319, 0xFF00}, {19, 310, 0xFF00},
        {20, 310, 0},       {0, 309, 0}};
    for (const auto& [x, y, colour] : probes) {
        const uint8_t* p = &rgba[(y * 480 + x) * 4];
        EXPECT_EQ(static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]), colour) << x << "," << y;
        EXPECT_EQ(p[3], 255);
    }
}

// A roll of the simulated device gives gravity (sin a, cos a, 0) with a = -90 - roll degrees, as
// joystick axes (axis 1 negated); through the game loop the filter settles on it.
TEST_F(Platform, TheSimulatedTiltReachesTheAccelerometer) {
    const std::tuple<float, int16_t, int16_t> rolls[] = {
        {0, -32767, 0}, {20, -30791, 11207}, {-20, -30791, -11207}, {35, -26841, 18794}};
    for (const auto& [degrees, x, y] : rolls) {
        int16_t axes[3];
        platform::tiltAxes(degrees, axes);
        EXPECT_EQ(std::make_tuple(axes[0], axes[1], axes[2]), std::make_tuple(x, y, 0)) << degrees;
    }
    harness::tilt(20.0f);
    harness::run(60);
    EXPECT_NEAR(g_app.accelerometer[0], -0.9397f, 0.001f);
    EXPECT_NEAR(g_app.accelerometer[1], -0.3420f, 0.001f);
    EXPECT_NEAR(g_app.accelerometer[2], 0.0f, 0.001f);
    harness::tilt(90.0f);  // limited to the device's range
    EXPECT_FLOAT_EQ(platform::tiltAngle(), 35.0f);
    harness::tilt(0.0f);
    harness::run(2);
}

// The dummy window is 480 x 320 at scale 1: window pixels are logical points. A held left button
// is finger 0; without it the mouse does not hover.
TEST_F(Platform, AMouseClickLandsOnTheClickedLogicalPoint) {
    for (const SDL_Event& e : {event(SDL_MOUSEBUTTONDOWN, 123, 77), event(SDL_MOUSEMOTION, 130, 80),
                               event(SDL_MOUSEBUTTONUP, 140, 77), event(SDL_MOUSEMOTION, 1, 1)})
        platform::translateDesktopEvent(e);
    ASSERT_EQ(platform::pendingDeviceEvents(), 3);
    g_app.screenId = 0;  // no edge release in this check
    for (Uint8 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP}) {
        SDL_Event e;
        ASSERT_TRUE(platform::pollEvent(&e));
        ASSERT_EQ(e.type, type);
        ++g_app.frameCounter;  // a move in the press's own frame would be dropped
        dispatchEvent(e);
        if (type == SDL_MOUSEBUTTONDOWN) {
            EXPECT_EQ(g_input.slots[0].x * 1000 + g_input.slots[0].y, 123077);
        }
    }
    g_app.screenId = kScreenGameSession;
    EXPECT_EQ(g_input.pointers[0].history[1].x * 1000 + g_input.pointers[0].history[1].y, 130080);
    EXPECT_EQ(g_input.pointers[0].down, 0);
}

// Losing the input focus becomes one device pause (gain 0, state 6), however often it is lost;
// mouse focus alone means nothing to the phone.
TEST_F(Platform, FocusLossBecomesOnePause) {
    SDL_Event e{};
    e.active = {SDL_ACTIVEEVENT, 0, SDL_APPINPUTFOCUS};
    platform::translateDesktopEvent(e);
    platform::translateDesktopEvent(e);
    e.active = {SDL_ACTIVEEVENT, 1, SDL_APPMOUSEFOCUS};
    platform::translateDesktopEvent(e);
    ASSERT_EQ(platform::pendingDeviceEvents(), 1);
    ASSERT_TRUE(platform::pollEvent(&e));
    EXPECT_EQ(e.active.gain * 10 + e.active.state, 6);
}

TEST_F(Platform, TheDataFolderEndsWithASlashAndHoldsThePack) {
    char path[256], tiny[4];
    ASSERT_EQ(PDL_GetCallingPath(path, sizeof path), 0);
    EXPECT_EQ(path[std::strlen(path) - 1], '/');
    EXPECT_NE(PDL_GetCallingPath(tiny, sizeof tiny), 0);
    EXPECT_STREQ(PDL_GetHardware(), "desktop");
    PDL_ScreenMetrics m{};
    EXPECT_EQ(PDL_GetScreenMetrics(&m), 0);
    EXPECT_EQ(m.horizontalPixels * 1000 + m.verticalPixels, 320480);
    EXPECT_STREQ(g_platform.basePath, path);
    EXPECT_EQ(std::string(g_platform.packPath), std::string(path) + "packres.bin");
}

}  // namespace
