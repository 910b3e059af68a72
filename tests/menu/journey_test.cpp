// The game's menu screens and their actions, driven through the whole game with real taps at the
// buttons' places, on the virtual clock and with the game's own data: a player's way through
// every screen (pictures of each go to $ZV_SCREENS_DIR when it is set), then the pages' details.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/platform_main.h"
#include "game/game_mode.h"
#include "game/game_session.h"
#include "game/run.h"
#include "game/save_info.h"
#include "menu/menu_context.h"
#include "menu/menu_sys.h"
#include "menu/more_games.h"
#include "menu/text_tables.h"
#include "online/online_client.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace {

class PageLog : public OnlineClient {
public:
    void trackerLogScreen(const char* name) override { pages.push_back(name); }
    std::vector<std::string> pages;
};

// The game of this process, started once on the build's data; each test sees the main menu.
class MenuGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::linkedGameDataFolder(ZV_BINARY_DIR);
            ASSERT_TRUE(harness::start(options));
        }
        setRecordBasePath(g_platform.basePath);
        ASSERT_NE(g_gameFlow, nullptr);
    }
    void TearDown() override {
        installOnlineClient(nullptr);
        harness::tilt(0.0f);
    }

    template <typename Pred>
    static bool stepUntil(Pred done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) harness::step();
        return done();
    }
    static bool flowIs(int32_t state, int limit = 10) {
        return stepUntil([state] { return g_gameFlow->state == state; }, limit);
    }
    static MenuContext* menu() { return g_menuSys->menu; }
    static bool waitIdle() {
        return stepUntil([] { return menu()->transition == kTransitionIdle; }, 60);
    }
    static int32_t shown() {
        MenuContainer* s = menu()->screen;
        return s ? static_cast<int32_t>(s->id) : -1;
    }
    static void toMainMenu() {
        ASSERT_TRUE(stepUntil([] { return g_gameFlow->state >= kFlowMainMenu; }, 400));
        if (g_gameFlow->state != kFlowMainMenu || g_menuSys->current != kScreenMainMenu)
            gameFlowSetState(g_gameFlow, kFlowMainMenu);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(shown(), kScreenMainMenu);
    }
    static void showNow(int32_t n) {
        showScreen(g_menuSys, n, true);
        harness::step();
    }
    // Taps the middle of a control of the screen shown and lets the menus act on it.
    static void tapControl(int32_t screen, uint32_t id) {
        MenuControl* c = findMenuControl(g_menuSys, screen, id);
        ASSERT_NE(c, nullptr) << "screen " << screen << " id " << id;
        int32_t x = c->x + c->width / 2, y = c->y + c->height / 2;
        c->parentToScreen(&x, &y);
        harness::tap(x, y);
        harness::run(3);
    }
    static void tapButton(const FlowButton& b) {
        harness::tap(b.x + b.width / 2, b.y + b.height / 2);
    }
    static void drag(int x0, int y0, int x1, int y1) {
        harness::press(x0, y0);
        harness::run(2);
        harness::drag(x1, y1);
        harness::run(2);
        harness::release(x1, y1);
        harness::run(2);
    }
    static void startRun(int x, int32_t mode) {
        harness::tap(x, 100);
        harness::run(3);
        ASSERT_EQ(g_gameFlow->state, kFlowInRun);
        ASSERT_EQ(g_gameFlow->run.mode, mode);
    }
    // Steers off the straight line until a tree ends the run, and waits for the mode's game-over
    // page (and the end of its white fade); the run's distance.
    static float runIntoATree(float tilt, int32_t page) {
        const ::Run& run = g_gameFlow->run;
        EXPECT_TRUE(stepUntil([&run] { return run.state == kRunStateRunning; }, 200));
        harness::tilt(tilt);
        EXPECT_TRUE(stepUntil([&run] { return run.state == kRunStateCrashed; }, 30000));
        harness::tilt(0.0f);
        EXPECT_TRUE(flowIs(kFlowGameOver, 200));
        EXPECT_TRUE(waitIdle());
        EXPECT_EQ(shown(), page);
        harness::run(70);
        return run.runner.distance;
    }
    static void pause() {
        harness::tap(kPauseButtonX, kPauseButtonY);
        ASSERT_TRUE(flowIs(kFlowPaused));
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(shown(), kScreenPause);
    }

    PageLog log;
};

class Journey : public MenuGame {
protected:
    void picture(const char* name) {
        static const char* dir = std::getenv("ZV_SCREENS_DIR");
        static const std::string folder = dir ? std::string(dir) + "/" : zvtest::makeTempFolder();
        harness::step();
        EXPECT_TRUE(harness::capturePng(folder + name));
    }
};

TEST_F(Journey, FromBootThroughBothModesAndEveryPage) {
    ASSERT_TRUE(flowIs(kFlowLoading) || g_gameFlow->state >= kFlowLoading);
    if (g_gameFlow->state == kFlowLoading) picture("loading.png");
    toMainMenu();
    picture("main.png");

    // Distance runs from the left half into the trees, the second through the retry button.
    startRun(100, kModeDistance);
    float distance = runIntoATree(20.0f, kScreenGameOverDistance);
    EXPECT_EQ(menuVariable(0), static_cast<int32_t>(distance));
    EXPECT_EQ(menuVariable(2), g_gameFlow->bestScores.modes[kModeDistance].best);
    picture("game_over_distance.png");
    tapControl(kScreenGameOverDistance, kIdRetry);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    distance = runIntoATree(-20.0f, kScreenGameOverDistance);
    EXPECT_EQ(menuVariable(0), static_cast<int32_t>(distance));
    tapControl(kScreenGameOverDistance, kIdGameOverMenu);
    ASSERT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(waitIdle());

    // A points run from the right half, paused twice and left through the question.
    startRun(380, kModePoints);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->run.state == kRunStateRunning; }, 200));
    harness::run(60);
    pause();
    picture("pause.png");
    tapControl(kScreenPause, kIdResume);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    harness::run(30);
    pause();
    tapControl(kScreenPause, kIdQuitRun);
    ASSERT_EQ(shown(), kScreenQuestion);  // at once
    picture("question.png");
    tapControl(kScreenQuestion, kIdQuitNo);
    EXPECT_EQ(shown(), kScreenPause);
    tapControl(kScreenPause, kIdQuitRun);
    tapControl(kScreenQuestion, kIdQuitYes);
    ASSERT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(waitIdle());

    // A points run to its end.
    startRun(380, kModePoints);
    runIntoATree(25.0f, kScreenGameOverPoints);
    EXPECT_EQ(menuVariable(1), g_gameFlow->runStats.points);
    EXPECT_EQ(menuVariable(4), g_gameFlow->runStats.bonusPoints);
    picture("game_over_points.png");
    tapControl(kScreenGameOverPoints, kIdGameOverMenu);
    ASSERT_TRUE(waitIdle());

    // The pages of the main menu; only the achievements page is reported to the tracker.
    installOnlineClient(&log);
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
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(shown(), p.page);
        picture(p.file);
        tapControl(p.page, kIdBack);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(shown(), kScreenMainMenu);
    }
    EXPECT_EQ(log.pages, std::vector<std::string>{"Achievements"});

    // The cross-promotion list: a drag moves to another game and the list snaps to it.
    tapControl(kScreenMainMenu, kIdMoreGames);
    ASSERT_EQ(g_gameFlow->state, kFlowMoreGames);
    EXPECT_EQ(log.pages.back(), "MoreGames");
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
    ASSERT_TRUE(mg->buttons[1].shown);
    const int32_t asked = mg->linkRequests;
    tapButton(mg->buttons[1]);  // get
    harness::run(3);
    EXPECT_EQ(mg->linkRequests, asked + 1);
    EXPECT_EQ(g_gameFlow->state, kFlowMoreGames);
    tapButton(mg->buttons[0]);  // back
    ASSERT_TRUE(flowIs(kFlowMainMenu));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shown(), kScreenMainMenu);
}

class Screens : public MenuGame {
protected:
    void SetUp() override {
        MenuGame::SetUp();
        toMainMenu();
    }
};

TEST_F(Screens, TheLoadingScreenIgnoresBackAndATapAsksForTheSkip) {
    showNow(kScreenLoading);
    MenuButton probe(menu(), nullptr, kIdBack);
    g_menuSys->onAction(&probe, kEventClicked, 0);
    harness::run(30);
    EXPECT_EQ(shown(), kScreenLoading);
    EXPECT_EQ(menu()->transition, kTransitionIdle);
    g_gameFlow->skip = false;
    harness::tap(240, 160);
    harness::run(3);
    EXPECT_TRUE(g_gameFlow->skip);
}

TEST_F(Screens, BackFadesHomeInTwoHalvesThatIgnoreTouches) {
    showNow(kScreenAbout);
    tapControl(kScreenAbout, kIdBack);
    EXPECT_EQ(g_menuSys->current, kScreenMainMenu);
    EXPECT_EQ(menu()->transition, kTransitionOut);
    EXPECT_EQ(shown(), kScreenAbout);  // still fading out
    const int32_t start = menu()->fadeStartMs;
    ASSERT_TRUE(stepUntil([] { return menu()->transition == kTransitionIn; }, 30));
    EXPECT_GE(menu()->clockMs - start, 150);
    EXPECT_LT(menu()->clockMs - start, 150 + 17);
    EXPECT_EQ(shown(), kScreenMainMenu);
    const int32_t in = menu()->fadeStartMs;
    ASSERT_TRUE(waitIdle());
    EXPECT_GE(menu()->clockMs - in, 150);

    showScreen(g_menuSys, kScreenHowToPlay, false);
    harness::step();
    ASSERT_EQ(menu()->transition, kTransitionOut);
    harness::tap(100, 100);  // the distance start area of the screen still shown
    harness::run(2);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shown(), kScreenHowToPlay);
    EXPECT_EQ(g_gameFlow->state, kFlowMainMenu);
}

TEST_F(Screens, GameOverPageShowsTheRunAndItsScoresButtonWorksWhileConnected) {
    installOnlineClient(&log);
    g_gameFlow->run.mode = kModePoints;
    g_gameFlow->runStats.distance = 321.7f;
    g_gameFlow->bestScores.modes[kModePoints] = {5400, 5000, true, 5400};
    g_gameFlow->online.connect();
    showScreen(g_menuSys, kScreenGameOverPoints, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(menuVariable(0), 321);
    EXPECT_EQ(menuVariable(3), 5400);
    tapControl(kScreenGameOverPoints, kIdScores);
    ASSERT_FALSE(log.pages.empty());
    EXPECT_EQ(log.pages.back(), "OpenFeintScores");
}

TEST_F(Screens, SoundPageSavesTheVolumeForTheNextStartAndSetsTheOptions) {
    tapControl(kScreenMainMenu, kIdSound);
    ASSERT_TRUE(waitIdle());
    auto* slider = dynamic_cast<MenuSlider*>(findMenuControl(g_menuSys, kScreenSound, kIdVolume));
    ASSERT_NE(slider, nullptr);
    EXPECT_FLOAT_EQ(slider->value, g_gameFlow->soundSettings.volume);  // loaded on showing
    ASSERT_GT(slider->trackLength, 10);
    int32_t x = slider->x + slider->trackStart + slider->trackLength / 4;
    int32_t y = slider->y + slider->height / 2;
    slider->parentToScreen(&x, &y);
    drag(x + 40, y, x, y);
    EXPECT_NEAR(g_gameFlow->soundSettings.volume, 0.25f, 0.02f);
    int32_t size = 1000;
    uint8_t* bytes = readRecord(kSaveRecordName, &size);
    ASSERT_NE(bytes, nullptr);
    SaveInfo saved;
    ASSERT_TRUE(decodeSaveInfo(bytes, static_cast<size_t>(size), &saved));
    delete[] bytes;
    EXPECT_FLOAT_EQ(saved.volume, g_gameFlow->soundSettings.volume);
    // As at the next start: the saved record is read, and the page shows its volume.
    soundSetVolume(&g_gameFlow->soundSettings, 1.0f);
    ASSERT_TRUE(gameFlowLoadSaved(g_gameFlow));
    showNow(kScreenSound);
    EXPECT_FLOAT_EQ(slider->value, saved.volume);
    soundSetVolume(&g_gameFlow->soundSettings, 0.75f);

    installOnlineClient(&log);
    const bool optIn = usageTrackerOptIn();
    tapControl(kScreenSound, kIdUsageOptIn);
    EXPECT_EQ(usageTrackerOptIn(), !optIn);
    tapControl(kScreenSound, kIdUsageOptIn);
    if (!g_gameFlow->online.enabled()) tapControl(kScreenSound, kIdOnlineOption);
    EXPECT_TRUE(g_gameFlow->online.enabled() && g_gameFlow->saveInfo.online);
    tapControl(kScreenSound, kIdOnline);
    ASSERT_FALSE(log.pages.empty());
    EXPECT_EQ(log.pages.back(), "OpenFeint");
}

TEST_F(Screens, AchievementsPageShowsTheUnlockedStatesInItsOrderAndScrolls) {
    bool* unlocked = g_gameFlow->runStats.unlocked;
    const std::vector<bool> saved(unlocked, unlocked + 24);
    for (int i = 0; i < 24; ++i) unlocked[i] = i == 8 || i == 19;  // first and last on the page
    tapControl(kScreenMainMenu, kIdAchievements);
    ASSERT_TRUE(waitIdle());
    for (int i = 0; i < 24; ++i) {
        auto* item = dynamic_cast<AchievMain*>(findMenuControl(g_menuSys, kScreenAchievements,
                                                               110 + static_cast<uint32_t>(i)));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->achievement, kMenuAchievementOrder[i]);
        EXPECT_EQ(item->star->unlocked, i == 0 || i == 23) << i;
    }
    drag(200, 250, 200, 50);  // up: the list scrolls and the up arrow shows
    auto* box = dynamic_cast<ScrollBox*>(findMenuControl(g_menuSys, kScreenAchievements, 140));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->offsetY, -200);
    EXPECT_TRUE(box->indicators[kIndicatorUp]->visible);
    for (int i = 0; i < 24; ++i) unlocked[i] = saved[i];
}

}  // namespace
