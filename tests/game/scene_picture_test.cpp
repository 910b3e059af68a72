// Pictures of the world and the HUD, made from the real game data on the real Mesa OpenGL ES 1.1,
// headless, through the harness on its virtual clock:
//  - checks that catch the classic mistakes (a picture upside down, turned or mirrored, the
//    distance in the wrong corner), made by drawing a frame with and without one piece and
//    looking at where the picture changed;
//  - golden pictures of five moments of play, compared with a small per-pixel tolerance and a
//    bounded count of differing pixels.
//
// The goldens live in tests/golden/ (see the README there). They are regenerated only on
// purpose, after a deliberate change of the drawing or of the game data:
//   ZV_UPDATE_GOLDENS=1 ctest --test-dir <build folder> -R ScenePictures
// then look at the new pictures before committing them. A failing comparison leaves the picture
// it got in <build folder>/golden-failures/. Without packres.bin in the build folder the tests
// skip. Each test starts the game, so each must run in a process of its own (ctest does that).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/platform_main.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/random.h"
#include "gfx2d/graphics.h"
#include "gfx2d/png_reader.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

constexpr int kWidth = 480, kHeight = 320;
// A pixel differs when one channel is more than this far off...
constexpr int kChannelTolerance = 12;
// ...and a picture matches while at most this many pixels differ (0.5 %).
constexpr int kMaxDifferingPixels = kWidth * kHeight / 200;

using Picture = std::vector<uint8_t>;  // RGBA rows, top first

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string buildFolder() { return std::string(ZV_BINARY_DIR) + "/"; }

std::string goldenFolder() {
    std::string here = __FILE__;  // .../tests/game/scene_picture_test.cpp
    here.resize(here.rfind('/'));
    here.resize(here.rfind('/'));
    return here + "/golden/";
}

// Differences between two pictures: the count of pixels with a channel more than tolerance
// apart, and the box around them.
struct Difference {
    int count = 0;
    int left = kWidth, top = kHeight, right = -1, bottom = -1;  // inclusive
    bool empty() const { return count == 0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

Difference compare(const Picture& a, const Picture& b, int tolerance, int x0 = 0, int y0 = 0,
                   int x1 = kWidth, int y1 = kHeight) {
    Difference d;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            bool differs = false;
            for (int c = 0; c < 3; ++c) differs |= std::abs(a[i + c] - b[i + c]) > tolerance;
            if (!differs) continue;
            ++d.count;
            d.left = std::min(d.left, x);
            d.right = std::max(d.right, x);
            d.top = std::min(d.top, y);
            d.bottom = std::max(d.bottom, y);
        }
    }
    return d;
}

class ScenePictures : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fileExists(buildFolder() + "packres.bin"))
            GTEST_SKIP() << "no packres.bin in " << buildFolder()
                         << ": the picture tests need the game data the build makes";
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::linkedGameDataFolder(buildFolder());
            ASSERT_TRUE(harness::start(options));
        } else if (!fileExists(std::string(g_platform.basePath) + "packres.bin")) {
            GTEST_SKIP() << "the game of this process was started without its data; run the "
                            "picture tests in processes of their own (as ctest does)";
        }
        setRecordBasePath(g_platform.basePath);
        ASSERT_NE(g_gameFlow, nullptr);
        for (int i = 0; i < 600 && g_gameFlow->state < kFlowMainMenu; ++i) harness::step();
        ASSERT_GE(g_gameFlow->state, kFlowMainMenu) << "the game did not finish loading";
    }

    // A run of the mode from a known start: level device, the random generator at seed, no
    // markers of earlier runs.
    static ::Run& startRun(int32_t mode, uint32_t seed = 0) {
        harness::tilt(0.0f);
        harness::step();
        g_randomState = seed;
        g_gameFlow->run.records = RunRecords{};
        gameFlowStartRun(g_gameFlow, mode);
        return g_gameFlow->run;
    }

    static bool stepUntil(bool (*done)(), int limit) {
        for (int i = 0; i < limit && !done(); ++i) harness::step();
        return done();
    }

    // Compares the current picture with the golden of that name, or writes it as the new golden
    // with ZV_UPDATE_GOLDENS=1.
    static void expectMatchesGolden(const std::string& name) {
        const std::string path = goldenFolder() + name + ".png";
        const char* update = std::getenv("ZV_UPDATE_GOLDENS");
        if (update && std::string(update) == "1") {
            ASSERT_TRUE(harness::capturePng(path)) << "cannot write " << path;
            std::printf("wrote golden %s\n", path.c_str());
            return;
        }
        const Picture got = harness::capture();
        ASSERT_EQ(got.size(), static_cast<size_t>(kWidth * kHeight * 4));
        const std::string bytes = zvtest::readFile(path);
        ASSERT_FALSE(bytes.empty()) << "no golden " << path
                                    << " (make it on purpose with ZV_UPDATE_GOLDENS=1)";
        int32_t w = 0, h = 0;
        uint8_t* pixels = decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()),
                                         bytes.size(), &w, &h);
        ASSERT_NE(pixels, nullptr) << path << " is not a PNG the game reads";
        const Picture golden(pixels, pixels + static_cast<size_t>(w) * h * 4);
        delete[] pixels;
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
        const Difference d = compare(got, golden, kChannelTolerance);
        if (d.count > kMaxDifferingPixels) {
            const std::string failures = buildFolder() + "golden-failures/";
            mkdir(failures.c_str(), 0755);
            harness::capturePng(failures + name + ".png");
            ADD_FAILURE() << d.count << " pixels differ from " << path << " (at most "
                          << kMaxDifferingPixels << " may), within x " << d.left << ".."
                          << d.right << ", y " << d.top << ".." << d.bottom
                          << "; the picture got is in " << failures;
        }
    }
};

// ---- Classic mistakes -------------------------------------------------------------------------

// Draws the run's frame again, with some named meshes taken away, and reads it back.
Picture drawRunWithout(std::initializer_list<int32_t> meshes) {
    ForestScene* scene = g_forestScene;
    ObjectHandle saved[kNamedMeshCount];
    std::copy(scene->meshes, scene->meshes + kNamedMeshCount, saved);
    for (int32_t m : meshes) scene->meshes[m] = 0;
    runDraw(&g_gameFlow->run, scene, g_screenGraphics);
    std::copy(saved, saved + kNamedMeshCount, scene->meshes);
    return harness::capture();
}

TEST_F(ScenePictures, AtTheStartOfARunTheSkyIsAboveAndTheGroundBelow) {
    startRun(kModeDistance);
    harness::run(3);
    // The canopy hangs over the top of the picture: leave it out to see what is behind.
    const Picture whole = drawRunWithout({kMeshLeaves});
    const Picture noSky = drawRunWithout({kMeshLeaves, kMeshSky});
    const Picture noGround = drawRunWithout({kMeshLeaves, kMeshGrass, kMeshShading});
    const int band = 40 * kWidth;  // pixels of a band 40 rows high
    const Difference skyTop = compare(whole, noSky, 2, 0, 0, kWidth, 40);
    const Difference skyBottom = compare(whole, noSky, 2, 0, kHeight - 40, kWidth, kHeight);
    const Difference groundTop = compare(whole, noGround, 2, 0, 0, kWidth, 40);
    const Difference groundBottom = compare(whole, noGround, 2, 0, kHeight - 40, kWidth, kHeight);
    EXPECT_GT(skyTop.count, band / 2) << "the sky is not at the top of the picture";
    EXPECT_LT(skyBottom.count, band / 100) << "the sky shows at the bottom of the picture";
    EXPECT_GT(groundBottom.count, band / 2) << "the ground is not at the bottom of the picture";
    EXPECT_LT(groundTop.count, band / 100) << "the ground shows at the top of the picture";
}

TEST_F(ScenePictures, ATreeStandsUprightOnTheSideItIsOn) {
    startRun(kModeDistance);
    harness::run(3);
    ForestScene* scene = g_forestScene;
    ObjectHandle saved[kNamedMeshCount];
    std::copy(scene->meshes, scene->meshes + kNamedMeshCount, saved);
    scene->meshes[kMeshLeaves] = 0;
    scene->meshes[kMeshTreeShadow] = 0;
    const Vec3 eye = {0.0f, -2.0f, 2.0f};
    const Vec3 forward = {0.0f, 0.99503719f, -0.099503719f};
    auto draw = [&](bool tree) {
        sceneBeginFrame(scene);
        sceneSetView(scene, eye, forward, {0.0f, 0.0f, 1.0f}, kFieldOfView);
        // Far enough to be lit well, to the right of the runner's line (+x is right).
        if (tree) sceneSubmit(scene, kMeshFirstTree, 4.0f, 30.0f, 0.6f, 0.0f);
        sceneDraw(scene);
        return harness::capture();
    };
    const Picture without = draw(false);
    const Picture with = draw(true);
    std::copy(saved, saved + kNamedMeshCount, scene->meshes);
    const Difference tree = compare(with, without, 2);
    ASSERT_FALSE(tree.empty()) << "the tree was not drawn";
    EXPECT_GT(tree.height(), tree.width() * 3 / 2)
        << "the tree is " << tree.width() << " wide and " << tree.height() << " high";
    EXPECT_GT((tree.left + tree.right) / 2, kWidth / 2) << "the tree is on the wrong side";
    // Its foot stands where the ground point projects, and it grows up from there. The eye
    // looks down by atan(1/10); the picture spans tan(37.5 deg) x 320/480 above and below.
    const double down = std::atan2(2.0, 30.0 - eye.y) - std::atan2(1.0, 10.0);
    const double halfHeight = std::tan(37.5 * 3.14159265 / 180.0) * kHeight / kWidth;
    const int footY = static_cast<int>(kHeight / 2 + std::tan(down) / halfHeight * kHeight / 2);
    EXPECT_NEAR(tree.bottom, footY, 4);
    EXPECT_LT(tree.top, footY - 30);
}

TEST_F(ScenePictures, TheDistanceIsWrittenAtTheTopLeftWhileRunning) {
    ::Run& run = startRun(kModeDistance);
    harness::run(3);
    const Picture withText = drawRunWithout({});
    run.state = kRunStateCrashed;  // the texts are drawn only while standing or running
    const Picture withoutText = drawRunWithout({});
    run.state = kRunStateStart;
    const Difference text = compare(withText, withoutText, 2);
    ASSERT_FALSE(text.empty()) << "no distance text was drawn";
    EXPECT_LT(text.left, 40);
    EXPECT_LT(text.right, kWidth / 3);
    EXPECT_LT(text.bottom, 45);
}

TEST_F(ScenePictures, AnActiveMultiplierIsWrittenRightOfThePoints) {
    ::Run& run = startRun(kModePoints);
    harness::run(3);
    Score& score = run.runner.score;
    const Picture plain = drawRunWithout({});
    score.multiplier = 2.0f;
    const Picture doubled = drawRunWithout({});
    score.multiplier = 3.0f;
    const Picture tripled = drawRunWithout({});
    score.multiplier = 1.4f;  // rounds to 1: no text
    const Picture rounded = drawRunWithout({});
    score.multiplier = 1.0f;
    const Difference x2 = compare(doubled, plain, 2);
    ASSERT_FALSE(x2.empty()) << "no x2 text was drawn";
    EXPECT_GE(x2.left, 105);
    EXPECT_LT(x2.right, 200);
    EXPECT_LT(x2.bottom, 45);
    EXPECT_FALSE(compare(tripled, doubled, 2).empty()) << "x3 shows the same text as x2";
    EXPECT_TRUE(compare(rounded, plain, 2).empty());
}

TEST_F(ScenePictures, ANearMissOnTheRightFlashesAtTheTopRightCorner) {
    ::Run& run = startRun(kModeDistance);
    harness::run(3);
    Runner& runner = run.runner;
    const Picture plain = drawRunWithout({});
    runner.nearMissActive = true;
    runner.nearMissSide = 1;
    runner.nearMissTimer = 0.25f;  // at full strength
    const Picture right = drawRunWithout({});
    runner.nearMissSide = -1;
    const Picture left = drawRunWithout({});
    runner.nearMissActive = false;
    runner.pickupFlashActive = true;
    runner.pickupFlashKind = kFlashCoin;
    runner.pickupFlashTimer = 0.25f;
    const Picture coin = drawRunWithout({});
    runner.pickupFlashActive = false;
    const Difference r = compare(right, plain, 2);
    const Difference l = compare(left, plain, 2);
    const Difference c = compare(coin, plain, 2);
    ASSERT_FALSE(r.empty());
    ASSERT_FALSE(l.empty());
    ASSERT_FALSE(c.empty());
    // Each icon sits in its corner (its picture may leave a few clear pixels at the edge).
    constexpr int kMargin = 8;
    EXPECT_GE(r.right, kWidth - kMargin);
    EXPECT_LE(r.top, kMargin);
    EXPECT_GT(r.left, kWidth / 2);
    EXPECT_LE(l.left, kMargin);
    EXPECT_LE(l.top, kMargin);
    EXPECT_LT(l.right, kWidth / 2);
    EXPECT_LE(c.left, kMargin);
    EXPECT_GE(c.bottom, kHeight - kMargin);
    EXPECT_GT(c.top, kHeight / 2);
}

// ---- Goldens ----------------------------------------------------------------------------------

bool runCrashed() { return g_gameFlow->run.state == kRunStateCrashed; }
bool gameOver() { return g_gameFlow->state == kFlowGameOver; }
bool paused() { return g_gameFlow->state == kFlowPaused; }
bool zoomHalfway() { return g_screenEffect->time >= 0.3f; }

// A coin and an x2 lie ahead within the drawing range.
bool coinAndX2InView() {
    const Run& run = g_gameFlow->run;
    bool coin = false, x2 = false;
    for (int32_t i = 0; i < run.pickups.count; ++i) {
        const Pickup* p = run.pickups.list[i];
        const float ahead = p->position.y - run.camera.eye.y;
        if (ahead < 5.0f || ahead > 40.0f) continue;
        coin |= p->type == kPickupCoin;
        x2 |= p->type == kPickupX2;
    }
    return coin && x2;
}

TEST_F(ScenePictures, GoldenStartOfADistanceRun) {
    startRun(kModeDistance);
    harness::run(3);
    expectMatchesGolden("distance_run_start");
}

TEST_F(ScenePictures, GoldenPointsRunWithCoinsAndAnX2InView) {
    // From this seed the first rows hold a coin and an x2 close to the runner's line.
    startRun(kModePoints, 6);
    harness::run(45);
    ASSERT_EQ(g_gameFlow->run.state, kRunStateRunning);
    ASSERT_TRUE(coinAndX2InView());
    expectMatchesGolden("points_run_coins_x2");
}

TEST_F(ScenePictures, GoldenCrashZoom) {
    startRun(kModeDistance);
    ASSERT_TRUE(stepUntil(runCrashed, 20000));
    ASSERT_TRUE(stepUntil(zoomHalfway, 60));
    ASSERT_EQ(g_screenEffect->type, kEffectCrashZoom);
    expectMatchesGolden("crash_zoom");
}

TEST_F(ScenePictures, GoldenFirstFrameOfGameOverUnderTheWhiteFade) {
    startRun(kModeDistance);
    ASSERT_TRUE(stepUntil(runCrashed, 20000));
    ASSERT_TRUE(stepUntil(gameOver, 120));
    ASSERT_EQ(g_screenEffect->type, kEffectWhiteFade);
    EXPECT_TRUE(g_screenEffect->active);
    expectMatchesGolden("game_over_first_frame");
}

TEST_F(ScenePictures, GoldenRunPaused) {
    startRun(kModeDistance);
    harness::run(45);
    ASSERT_EQ(g_gameFlow->run.state, kRunStateRunning);
    harness::tap(460, 20);  // the pause button
    ASSERT_TRUE(stepUntil(paused, 10));
    harness::run(40);  // the pause screen has come in
    expectMatchesGolden("run_paused");
}

}  // namespace
