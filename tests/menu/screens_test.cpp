// The game's menu screens and their actions, driven through the whole game with real taps at the
// buttons' places, on the virtual clock and with the game's own data.
#include <gtest/gtest.h>

#include <unistd.h>

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

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::started()) {
            harness::Options options;
            options.dataFolder = zvtest::linkedGameDataFolder(ZV_BINARY_DIR);
            ASSERT_TRUE(harness::start(options));
        }
        setRecordBasePath(g_platform.basePath);
        ASSERT_NE(g_gameFlow, nullptr);
        ASSERT_TRUE(stepUntil([] { return g_gameFlow->state >= kFlowMainMenu; }, 400));
        toMainMenu();
    }
    void TearDown() override { installOnlineClient(nullptr); }

    template <typename Pred>
    static bool stepUntil(Pred done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) harness::step();
        return done();
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
};

TEST_F(Screens, BackDoesNothingOnTheLoadingScreenAndFadesHomeFromAPage) {
    showNow(kScreenLoading);
    MenuButton probe(menu(), nullptr, kIdBack);
    g_menuSys->onAction(&probe, kEventClicked, 0);
    harness::run(30);
    EXPECT_EQ(shown(), kScreenLoading);
    EXPECT_EQ(menu()->transition, kTransitionIdle);

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
}

TEST_F(Screens, TouchesDuringAFadeAreIgnored) {
    showScreen(g_menuSys, kScreenHowToPlay, false);
    harness::step();
    ASSERT_EQ(menu()->transition, kTransitionOut);
    harness::tap(100, 100);  // the distance start area of the screen still shown
    harness::run(2);
    EXPECT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shown(), kScreenHowToPlay);
    EXPECT_EQ(g_gameFlow->state, kFlowMainMenu);
}

TEST_F(Screens, MainScreenButtonsOpenTheirPages) {
    PageLog log;
    installOnlineClient(&log);
    const struct {
        uint32_t id;
        int32_t page;
    } pages[] = {{kIdHowToPlay, kScreenHowToPlay},
                 {kIdAbout, kScreenAbout},
                 {kIdSound, kScreenSound},
                 {kIdAchievements, kScreenAchievements}};
    for (const auto& p : pages) {
        tapControl(kScreenMainMenu, p.id);
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(shown(), p.page) << "button " << p.id;
        tapControl(p.page, kIdBack);
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(shown(), kScreenMainMenu);
    }
    EXPECT_EQ(log.pages, std::vector<std::string>{"Achievements"});

    tapControl(kScreenMainMenu, kIdMoreGames);
    EXPECT_EQ(g_gameFlow->state, kFlowMoreGames);
    EXPECT_EQ(log.pages.back(), "MoreGames");
    EXPECT_TRUE(moreGamesScreen()->active);
    const FlowButton& back = moreGamesScreen()->buttons[0];
    harness::tap(back.x + back.width / 2, back.y + back.height / 2);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->state == kFlowMainMenu; }, 10));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shown(), kScreenMainMenu);
}

TEST_F(Screens, StartAreasStartTheirModes) {
    harness::tap(100, 100);
    harness::run(3);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    EXPECT_EQ(g_gameFlow->run.mode, kModeDistance);
    EXPECT_EQ(shown(), -1);
    toMainMenu();
    harness::tap(380, 100);
    harness::run(3);
    ASSERT_EQ(g_gameFlow->state, kFlowInRun);
    EXPECT_EQ(g_gameFlow->run.mode, kModePoints);
}

TEST_F(Screens, PauseQuestionAndTheirButtons) {
    harness::tap(100, 100);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->run.state == kRunStateRunning; }, 200));
    harness::tap(kPauseButtonX, kPauseButtonY);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->state == kFlowPaused; }, 10));
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(shown(), kScreenPause);
    tapControl(kScreenPause, kIdResume);
    EXPECT_EQ(g_gameFlow->state, kFlowInRun);

    harness::tap(kPauseButtonX, kPauseButtonY);
    ASSERT_TRUE(stepUntil([] { return g_gameFlow->state == kFlowPaused; }, 10));
    ASSERT_TRUE(waitIdle());
    tapControl(kScreenPause, kIdQuitRun);
    EXPECT_EQ(shown(), kScreenQuestion);  // at once
    tapControl(kScreenQuestion, kIdQuitNo);
    EXPECT_EQ(shown(), kScreenPause);
    tapControl(kScreenPause, kIdQuitRun);
    tapControl(kScreenQuestion, kIdQuitYes);
    EXPECT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(shown(), kScreenMainMenu);
}

TEST_F(Screens, GameOverPageShowsTheRunAndItsButtonsAct) {
    PageLog log;
    installOnlineClient(&log);
    RunStats& stats = g_gameFlow->runStats;
    g_gameFlow->run.mode = kModePoints;
    stats.distance = 321.7f;
    stats.points = 5400;
    stats.bonusPoints = 1200;
    stats.crashKind = 2;
    g_gameFlow->bestScores.modes[kModePoints] = {5400, 5000, true, 5400};
    showScreen(g_menuSys, kScreenGameOverPoints, false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(menuVariable(0), 321);
    EXPECT_EQ(menuVariable(1), 5400);
    EXPECT_EQ(menuVariable(3), 5400);
    EXPECT_EQ(menuVariable(4), 1200);
    EXPECT_TRUE(findMenuControl(g_menuSys, kScreenGameOverPoints, 100)->visible);  // rosette
    EXPECT_EQ(findMenuControl(g_menuSys, kScreenGameOverPoints, 103)->textParam, 0);  // new best
    EXPECT_EQ(findMenuControl(g_menuSys, kScreenGameOverPoints, 106)->textParam, 1);  // marker

    g_gameFlow->bestScores.modes[kModePoints].newBest = false;
    showScreen(g_menuSys, kScreenGameOverPoints, true);
    EXPECT_FALSE(findMenuControl(g_menuSys, kScreenGameOverPoints, 100)->visible);
    EXPECT_EQ(findMenuControl(g_menuSys, kScreenGameOverPoints, 103)->textParam, 1);

    // The scores button works while the player is connected to the online service.
    MenuControl* scores = findMenuControl(g_menuSys, kScreenGameOverPoints, kIdScores);
    EXPECT_EQ(scores->blocked != 0, !g_gameFlow->online.connected);
    g_gameFlow->online.connect();
    showNow(kScreenGameOverPoints);
    EXPECT_EQ(scores->blocked, 0u);
    tapControl(kScreenGameOverPoints, kIdScores);
    ASSERT_FALSE(log.pages.empty());
    EXPECT_EQ(log.pages.back(), "OpenFeintScores");
    tapControl(kScreenGameOverPoints, kIdGameOverMenu);
    EXPECT_EQ(g_gameFlow->state, kFlowMainMenu);
    ASSERT_TRUE(waitIdle());
    showNow(kScreenGameOverDistance);
    tapControl(kScreenGameOverDistance, kIdRetry);
    EXPECT_EQ(g_gameFlow->state, kFlowInRun);
}

TEST_F(Screens, VolumeSliderReleaseSetsTheVolumeAndSavesItForTheNextStart) {
    tapControl(kScreenMainMenu, kIdSound);
    ASSERT_TRUE(waitIdle());
    auto* slider = dynamic_cast<MenuSlider*>(findMenuControl(g_menuSys, kScreenSound, kIdVolume));
    ASSERT_NE(slider, nullptr);
    EXPECT_FLOAT_EQ(slider->value, g_gameFlow->soundSettings.volume);  // loaded on showing
    ASSERT_GT(slider->trackLength, 10);
    int32_t x = slider->x + slider->trackStart + slider->trackLength / 4;
    int32_t y = slider->y + slider->height / 2;
    slider->parentToScreen(&x, &y);
    harness::press(x + 40, y);
    harness::run(2);
    harness::drag(x, y);
    harness::run(2);
    harness::release(x, y);
    harness::run(2);
    const float expected = 0.25f;
    EXPECT_NEAR(g_gameFlow->soundSettings.volume, expected, 0.02f);

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
}

TEST_F(Screens, OnlineSettingsOfTheSoundPage) {
    PageLog log;
    installOnlineClient(&log);
    showNow(kScreenSound);
    auto* online =
        dynamic_cast<MenuCheckbox*>(findMenuControl(g_menuSys, kScreenSound, kIdOnlineOption));
    auto* usage =
        dynamic_cast<MenuCheckbox*>(findMenuControl(g_menuSys, kScreenSound, kIdUsageOptIn));
    ASSERT_TRUE(online && usage);
    EXPECT_EQ(online->checked(), g_gameFlow->online.enabled());
    EXPECT_EQ(usage->checked(), usageTrackerOptIn());
    const bool optIn = usageTrackerOptIn();
    tapControl(kScreenSound, kIdUsageOptIn);
    EXPECT_EQ(usageTrackerOptIn(), !optIn);
    tapControl(kScreenSound, kIdUsageOptIn);
    EXPECT_EQ(usageTrackerOptIn(), optIn);
    if (!g_gameFlow->online.enabled()) {
        tapControl(kScreenSound, kIdOnlineOption);
        EXPECT_TRUE(g_gameFlow->online.enabled());
        EXPECT_TRUE(g_gameFlow->saveInfo.online);
    }
    tapControl(kScreenSound, kIdOnline);
    ASSERT_FALSE(log.pages.empty());
    EXPECT_EQ(log.pages.back(), "OpenFeint");
    EXPECT_TRUE(g_gameFlow->online.connected);
}

TEST_F(Screens, AchievementsPageShowsTheUnlockedStatesInItsOrder) {
    bool saved[24];
    for (int i = 0; i < 24; ++i) saved[i] = g_gameFlow->runStats.unlocked[i];
    for (int i = 0; i < 24; ++i) g_gameFlow->runStats.unlocked[i] = false;
    g_gameFlow->runStats.unlocked[8] = true;   // first on the page
    g_gameFlow->runStats.unlocked[19] = true;  // last on the page
    tapControl(kScreenMainMenu, kIdAchievements);
    ASSERT_TRUE(waitIdle());
    for (int i = 0; i < 24; ++i) {
        auto* item = dynamic_cast<AchievMain*>(findMenuControl(g_menuSys, kScreenAchievements,
                                                               110 + static_cast<uint32_t>(i)));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->achievement, kMenuAchievementOrder[i]);
        EXPECT_EQ(item->star->unlocked, i == 0 || i == 23) << i;
    }
    // Dragging up scrolls the list and brings the up arrow.
    harness::press(200, 250);
    harness::run(2);
    harness::drag(200, 50);
    harness::run(2);
    harness::release(200, 50);
    harness::run(2);
    auto* box = dynamic_cast<ScrollBox*>(findMenuControl(g_menuSys, kScreenAchievements, 140));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->offsetY, -200);
    EXPECT_TRUE(box->indicators[kIndicatorUp]->visible);
    for (int i = 0; i < 24; ++i) g_gameFlow->runStats.unlocked[i] = saved[i];
}

TEST_F(Screens, SkipButtonOfTheLoadingScreenAsksForTheSkip) {
    showNow(kScreenLoading);
    g_gameFlow->skip = false;
    harness::tap(240, 160);
    harness::run(3);
    EXPECT_TRUE(g_gameFlow->skip);
}

}  // namespace
