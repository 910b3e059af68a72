// A player's way through the menus with the game's own data: runs in both modes ended by trees,
// the game-over pages, pause and the question, the pages of the main menu and the
// cross-promotion list. Pictures of every screen go to $ZV_SCREENS_DIR when it is set.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/platform_main.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/run.h"
#include "menu/menu_context.h"
#include "menu/menu_sys.h"
#include "menu/more_games.h"
#include "menu/text_tables.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::linkedGameDataFolder(ZV_BINARY_DIR);
            ASSERT_TRUE(harness::start(options));
        }
        setRecordBasePath(g_platform.basePath);
        ASSERT_NE(g_gameFlow, nullptr);
        const char* dir = std::getenv("ZV_SCREENS_DIR");
        pictures_ = dir ? std::string(dir) + "/" : zvtest::makeTempFolder();
    }
    void TearDown() override { harness::tilt(0.0f); }

    template <typename Pred>
    static bool stepUntil(Pred done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) harness::step();
        return done();
    }
    static bool flowIs(int32_t state, int limit) {
        return stepUntil([state] { return g_gameFlow->state == state; }, limit);
    }
    static bool menusIdle() {
        return stepUntil([] { return g_menuSys->menu->transition == kTransitionIdle; }, 60);
    }
    static int32_t shown() {
        MenuContainer* s = g_menuSys->menu->screen;
        return s ? static_cast<int32_t>(s->id) : -1;
    }
    static void tapControl(int32_t screen, uint32_t id) {
        MenuControl* c = findMenuControl(g_menuSys, screen, id);
        ASSERT_NE(c, nullptr);
        int32_t x = c->x + c->width / 2, y = c->y + c->height / 2;
        c->parentToScreen(&x, &y);
        harness::tap(x, y);
        harness::run(3);
    }
    void picture(const char* name) {
        harness::step();
        EXPECT_TRUE(harness::capturePng(pictures_ + name));
    }
    // Steers off the straight line until a tree ends the run; the distance run.
    static float runIntoATree(float tilt) {
        const ::Run& run = g_gameFlow->run;
        EXPECT_TRUE(stepUntil([&run] { return run.state == kRunStateRunning; }, 200));
        harness::tilt(tilt);
        EXPECT_TRUE(stepUntil([&run] { return run.state == kRunStateCrashed; }, 30000));
        harness::tilt(0.0f);
        return run.runner.distance;
    }
    // Until the game-over page of the mode is shown and the white fade is over.
    static void reachGameOver(int32_t page) {
        ASSERT_TRUE(flowIs(kFlowGameOver, 200));
        ASSERT_TRUE(menusIdle());
        ASSERT_EQ(shown(), page);
        harness::run(70);
    }
    std::string pictures_;
};

TEST_F(Journey, FromBootThroughBothModesAndEveryPage) {
    ASSERT_TRUE(flowIs(kFlowLoading, 10) || g_gameFlow->state >= kFlowLoading);
    if (g_gameFlow->state == kFlowLoading) picture("loading.png");
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->state >= kFlowMainMenu; }, 400));
    if (g_gameFlow->state != kFlowMainMenu) gameFlowSetState(g_gameFlow, kFlowMainMenu);
    ASSERT_TRUE(menusIdle());
    ASSERT_EQ(shown(), kScreenMainMenu);
    picture("main.png");

    // Distance run from the left half, steered into the trees.
    harness::tap(100, 100);
    harness::run(3);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    ASSERT_EQ(g_gameFlow->run.mode, kModeDistance);
    float distance = runIntoATree(20.0f);
    reachGameOver(kScreenGameOverDistance);
    EXPECT_EQ(menuVariable(0), static_cast<int32_t>(distance));
    EXPECT_EQ(menuVariable(2), g_gameFlow->bestScores.modes[kModeDistance].best);
    picture("game_over_distance.png");

    tapControl(kScreenGameOverDistance, kIdRetry);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    distance = runIntoATree(-20.0f);
    reachGameOver(kScreenGameOverDistance);
    EXPECT_EQ(menuVariable(0), static_cast<int32_t>(distance));
    tapControl(kScreenGameOverDistance, kIdGameOverMenu);
    ASSERT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(menusIdle());

    // Points run from the right half, paused twice, left through the question.
    harness::tap(380, 100);
    harness::run(3);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    ASSERT_EQ(g_gameFlow->run.mode, kModePoints);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->run.state == kRunStateRunning; }, 200));
    harness::run(60);
    harness::tap(kPauseButtonX, kPauseButtonY);
    ASSERT_TRUE(flowIs(kFlowPaused, 10));
    ASSERT_TRUE(menusIdle());
    picture("pause.png");
    tapControl(kScreenPause, kIdResume);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    harness::run(30);
    harness::tap(kPauseButtonX, kPauseButtonY);
    ASSERT_TRUE(flowIs(kFlowPaused, 10));
    ASSERT_TRUE(menusIdle());
    tapControl(kScreenPause, kIdQuitRun);
    ASSERT_EQ(shown(), kScreenQuestion);
    picture("question.png");
    tapControl(kScreenQuestion, kIdQuitYes);
    ASSERT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(menusIdle());

    // A points run to its end for the points page.
    harness::tap(380, 100);
    harness::run(3);
    runIntoATree(25.0f);
    reachGameOver(kScreenGameOverPoints);
    EXPECT_EQ(menuVariable(1), g_gameFlow->runStats.points);
    EXPECT_EQ(menuVariable(4), g_gameFlow->runStats.bonusPoints);
    picture("game_over_points.png");
    tapControl(kScreenGameOverPoints, kIdGameOverMenu);
    ASSERT_TRUE(menusIdle());

    // The pages of the main menu.
    const struct {
        uint32_t id;
        int32_t page;
        const char* file;
    } pages[] = {{kIdHowToPlay, kScreenHowToPlay, "how_to_play.png"},
                 {kIdAbout, kScreenAbout, "about.png"},
                 {kIdSound, kScreenSound, "sound.png"},
                 {kIdAchievements, kScreenAchievements, "achievements.png"}};
    for (const auto& p : pages) {
        tapControl(kScreenMainMenu, p.id);
        ASSERT_TRUE(menusIdle());
        ASSERT_EQ(shown(), p.page);
        picture(p.file);
        tapControl(p.page, kIdBack);
        ASSERT_TRUE(menusIdle());
        ASSERT_EQ(shown(), kScreenMainMenu);
    }

    // The cross-promotion list: a drag moves to another game and the list snaps to it.
    tapControl(kScreenMainMenu, kIdMoreGames);
    ASSERT_EQ(g_gameFlow->state, kFlowMoreGames);
    const MoreGamesScreen* mg = moreGamesScreen();
    ASSERT_TRUE(mg->active);
    ASSERT_EQ(mg->failure, kMoreGamesOk);
    ASSERT_GE(moreGamesData()->count, 2);
    harness::run(5);
    picture("more_games.png");
    const int32_t x = mg->areaX + mg->areaWidth / 2;
    const int32_t y = mg->areaY + mg->areaHeight / 2;
    harness::press(x, y + mg->pitch / 2);
    harness::run(2);
    for (int k = 1; k <= 5; ++k) {
        harness::drag(x, y + mg->pitch / 2 - k * mg->pitch / 4);
        harness::run(2);
    }
    harness::release(x, y - mg->pitch * 3 / 4);
    harness::run(120);
    EXPECT_GE(mg->current, 1);  // the fling may carry it further
    EXPECT_LE(std::abs(mg->position - mg->current * (mg->pitch << 16)), 1 << 16);
    picture("more_games_second.png");
    const FlowButton& get = mg->buttons[1];
    ASSERT_TRUE(get.shown);
    const int32_t asked = mg->linkRequests;
    harness::tap(get.x + get.width / 2, get.y + get.height / 2);
    harness::run(3);
    EXPECT_EQ(mg->linkRequests, asked + 1);
    EXPECT_EQ(g_gameFlow->state, kFlowMoreGames);
    const FlowButton& back = mg->buttons[0];
    harness::tap(back.x + back.width / 2, back.y + back.height / 2);
    ASSERT_TRUE(flowIs(kFlowMainMenu, 10));
    ASSERT_TRUE(menusIdle());
    EXPECT_EQ(shown(), kScreenMainMenu);
}

}  // namespace
