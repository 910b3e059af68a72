// The desktop platform layer on the real Mesa OpenGL ES 1.1, headless: the context, the upright
// read-back of the portrait picture, the swap, the device simulator's tilt and mouse mapping.
#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/application.h"
#include "app/graphics_caps.h"
#include "app/input.h"
#include "app/platform_main.h"
#include "gfx2d/graphics.h"
#include "platform/platform.h"
#include "platform/platform_internal.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::makeTempFolder();
            ASSERT_TRUE(harness::start(options));
        }
        harness::step();
        std::memset(&g_input, 0, sizeof g_input);
        resetTouchSlots();
    }

    static const uint8_t* at(const std::vector<uint8_t>& rgba, int x, int y) {
        return &rgba[(y * 480 + x) * 4];
    }
    static bool isColour(const std::vector<uint8_t>& rgba, int x, int y, uint8_t r, uint8_t g,
                         uint8_t b) {
        const uint8_t* p = at(rgba, x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    }
};

TEST_F(PlatformTest, ContextIsOpenGLES11AndCapsComeFromIt) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::strstr(version, "OpenGL ES-CM 1.1"), nullptr) << version;
    ASSERT_NE(g_graphicsCaps, nullptr);
    EXPECT_FLOAT_EQ(g_graphicsCaps->glVersion, 1.1f);
    EXPECT_TRUE(g_graphicsCaps->bufferObjects);
    EXPECT_EQ(g_graphicsCaps->textureMemory, 0x01400000);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(PlatformTest, LandscapeRectanglesReadBackUpright) {
    g_screenGraphics->setClip(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFF000000u);
    g_screenGraphics->fillRect(0, 0, 480, 320);
    g_screenGraphics->setColor(0xFFFF0000u);
    g_screenGraphics->fillRect(10, 20, 30, 40);
    g_screenGraphics->setColor(0xFF0000FFu);
    g_screenGraphics->fillRect(400, 250, 80, 70);
    std::vector<uint8_t> rgba = harness::capture();
    ASSERT_EQ(rgba.size(), 480u * 320u * 4u);
    EXPECT_TRUE(isColour(rgba, 10, 20, 255, 0, 0));
    EXPECT_TRUE(isColour(rgba, 39, 59, 255, 0, 0));
    EXPECT_TRUE(isColour(rgba, 40, 59, 0, 0, 0));
    EXPECT_TRUE(isColour(rgba, 39, 60, 0, 0, 0));
    EXPECT_TRUE(isColour(rgba, 9, 20, 0, 0, 0));
    EXPECT_TRUE(isColour(rgba, 479, 319, 0, 0, 255));
    EXPECT_TRUE(isColour(rgba, 400, 250, 0, 0, 255));
    EXPECT_TRUE(isColour(rgba, 399, 250, 0, 0, 0));
    EXPECT_EQ(at(rgba, 0, 0)[3], 255);
}

TEST_F(PlatformTest, DevicePortraitCornerIsLandscapeBottomLeft) {
    // Draw in device coordinates with start-up's portrait projection (origin top left, y down):
    // device (rx, ry) shows at landscape (ry, W - 1 - rx).
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 320, 480);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const GLfloat quad[] = {0, 20, 10, 20, 0, 0, 10, 0};
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 1, 0, 1);
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    std::vector<uint8_t> rgba = harness::capture();
    EXPECT_TRUE(isColour(rgba, 0, 319, 0, 255, 0));
    EXPECT_TRUE(isColour(rgba, 19, 310, 0, 255, 0));
    EXPECT_TRUE(isColour(rgba, 20, 310, 0, 0, 0));
    EXPECT_TRUE(isColour(rgba, 0, 309, 0, 0, 0));
}

struct GlSnapshot {
    GLfloat modelview[16], projection[16], texture[16];
    GLint boundTexture, blendSrc, blendDst, envMode, matrixMode, viewport[4];
    GLboolean colourMask[4];
    GLboolean texture2d, blend, depthTest, cull, vertexArray, texcoordArray, colourArray;

    static GlSnapshot take() {
        GlSnapshot s{};
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
        glGetFloatv(GL_TEXTURE_MATRIX, s.texture);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
        glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
        glGetIntegerv(GL_BLEND_DST, &s.blendDst);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.envMode);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_VIEWPORT, s.viewport);
        glGetBooleanv(GL_COLOR_WRITEMASK, s.colourMask);
        s.texture2d = glIsEnabled(GL_TEXTURE_2D);
        s.blend = glIsEnabled(GL_BLEND);
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        s.cull = glIsEnabled(GL_CULL_FACE);
        s.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
        s.texcoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        s.colourArray = glIsEnabled(GL_COLOR_ARRAY);
        return s;
    }
};

TEST_F(PlatformTest, SwapLeavesTheGameStateUntouched) {
    // Something unusual in every piece of state the game's caches rely on.
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0.5f, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30, 0, 0, 1);
    glBlendFunc(GL_ONE, GL_ONE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_DEPTH_TEST);
    glEnableClientState(GL_COLOR_ARRAY);
    glViewport(3, 4, 100, 200);
    GlSnapshot before = GlSnapshot::take();
    platform::swapBuffers();
    GlSnapshot after = GlSnapshot::take();
    EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Back to what the game expects.
    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_DEPTH_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &tex);
}

// The steering angle the game computes from the filtered accelerometer while the device is held
// upright (gravity in the x-y plane), with the run's range of -180..180 degrees.
float steeringAngle(float x, float y, float z) {
    const float reference = std::atan2(-1.0f, 0.0f);
    float a2 = std::atan2(x, y);
    float u = std::fmod((a2 - reference) * 0.31831926f + 1 + 2, 2.0f) - 1;
    float a = u * -180.0f;
    float a0 = std::atan2(y, z);
    float v = std::fmod((a0 - std::atan2(0.0f, -1.0f)) * 0.31831926f + 1 + 2, 2.0f) - 1;
    float b = v * 180.0f;
    float w = (x * x + y * y - 0.4f) / 0.1f;
    w = w < 0 ? 0 : (w > 1 ? 1 : w);
    return a * w + b * (1 - w);
}

TEST_F(PlatformTest, SimulatedTiltComesBackAsTheSteeringAngle) {
    for (int degrees = -30; degrees <= 30; degrees += 5) {
        int16_t axes[3];
        platform::tiltAxes(static_cast<float>(degrees), axes);
        for (int i = 0; i < 3; ++i) {
            SDL_JoyAxisEvent e{};
            e.axis = static_cast<Uint8>(i);
            e.value = axes[i];
            axisEvent(e);
        }
        for (int frame = 0; frame < 100; ++frame) accelerometerStep();
        float angle = steeringAngle(g_input.filteredX, g_input.filteredY, g_input.filteredZ);
        EXPECT_NEAR(angle, degrees, 0.5f) << "simulated " << degrees;
    }
}

TEST_F(PlatformTest, TiltThroughTheGameLoopReachesTheFilter) {
    harness::tilt(20.0f);
    harness::run(60);
    float angle = steeringAngle(g_app.accelerometer[0], g_app.accelerometer[1],
                                g_app.accelerometer[2]);
    EXPECT_NEAR(angle, 20.0f, 0.5f);
    EXPECT_FLOAT_EQ(platform::tiltAngle(), 20.0f);
    harness::tilt(90.0f);  // limited to the device's range
    EXPECT_FLOAT_EQ(platform::tiltAngle(), 35.0f);
    harness::tilt(0.0f);
    harness::run(2);
}

TEST_F(PlatformTest, MouseClickLandsOnTheClickedLogicalPoint) {
    // The dummy window is 480 x 320 at scale 1: window pixels are logical points.
    SDL_Event down{};
    down.button.type = SDL_MOUSEBUTTONDOWN;
    down.button.button = SDL_BUTTON_LEFT;
    down.button.x = 123;
    down.button.y = 77;
    platform::translateDesktopEvent(down);
    SDL_Event hover{};
    hover.motion.type = SDL_MOUSEMOTION;
    hover.motion.x = 130;
    hover.motion.y = 80;
    SDL_Event up = down;
    up.button.type = SDL_MOUSEBUTTONUP;
    up.button.x = 140;
    platform::translateDesktopEvent(hover);
    platform::translateDesktopEvent(up);
    platform::translateDesktopEvent(hover);  // no hover motion without the button
    ASSERT_EQ(platform::pendingDeviceEvents(), 3);
    SDL_Event e;
    ASSERT_TRUE(platform::pollEvent(&e));
    ASSERT_EQ(e.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(e.button.which, 0);
    dispatchEvent(e);
    EXPECT_EQ(g_input.slots[0].x, 123);
    EXPECT_EQ(g_input.slots[0].y, 77);
    ASSERT_TRUE(platform::pollEvent(&e));
    ASSERT_EQ(e.type, SDL_MOUSEMOTION);
    g_app.screenId = 0;  // no edge release in this check
    ++g_app.frameCounter;  // a move in the press's own frame would be dropped
    dispatchEvent(e);
    g_app.screenId = kScreenGameSession;
    EXPECT_EQ(g_input.pointers[0].latest.x, 130);
    EXPECT_EQ(g_input.pointers[0].latest.y, 80);
    ASSERT_TRUE(platform::pollEvent(&e));
    EXPECT_EQ(e.type, SDL_MOUSEBUTTONUP);
    EXPECT_EQ(platform::pendingDeviceEvents(), 0);
}

TEST_F(PlatformTest, FocusLossAndGainBecomeOnePauseAndOneResume) {
    SDL_Event lost{};
    lost.active.type = SDL_ACTIVEEVENT;
    lost.active.gain = 0;
    lost.active.state = SDL_APPINPUTFOCUS;
    platform::translateDesktopEvent(lost);
    platform::translateDesktopEvent(lost);  // a second loss is not forwarded
    ASSERT_EQ(platform::pendingDeviceEvents(), 1);
    SDL_Event e;
    ASSERT_TRUE(platform::pollEvent(&e));
    EXPECT_EQ(e.active.gain, 0);
    EXPECT_EQ(e.active.state, 6);
    // Mouse focus alone means nothing to the phone.
    SDL_Event mouseOnly{};
    mouseOnly.active.type = SDL_ACTIVEEVENT;
    mouseOnly.active.gain = 1;
    mouseOnly.active.state = SDL_APPMOUSEFOCUS;
    platform::translateDesktopEvent(mouseOnly);
    EXPECT_EQ(platform::pendingDeviceEvents(), 0);
}

TEST_F(PlatformTest, DataFolderHasTrailingSlash) {
    char path[256];
    ASSERT_EQ(PDL_GetCallingPath(path, sizeof path), 0);
    EXPECT_EQ(path[std::strlen(path) - 1], '/');
    char tiny[4];
    EXPECT_NE(PDL_GetCallingPath(tiny, sizeof tiny), 0);
    EXPECT_STREQ(PDL_GetHardware(), "desktop");
    PDL_ScreenMetrics m{};
    EXPECT_EQ(PDL_GetScreenMetrics(&m), 0);
    EXPECT_EQ(m.horizontalPixels, 320);
    EXPECT_EQ(m.verticalPixels, 480);
    EXPECT_STREQ(g_platform.basePath, path);
    EXPECT_EQ(std::string(g_platform.packPath), std::string(path) + "packres.bin");
}

}  // namespace
