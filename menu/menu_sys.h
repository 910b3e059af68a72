// MenuSys, the menu root: the ten menu screens the game shows, the three fonts, and the
// cross-promotion screen. The game session tells it which screen to show and feeds it updates and
// draws; the screens reach the session's flow through the link the game registers.
#pragma once

#include <cstdint>

#include "menu/menu_control.h"

class Graphics;
struct MenuContext;
struct Sprite;

constexpr int32_t kMenuScreens = 10;
constexpr int32_t kNoMenuScreen = -1;  // no screen shown (a run in progress)

// The screens.
constexpr int32_t kScreenMainMenu = 0;
constexpr int32_t kScreenHowToPlay = 1;
constexpr int32_t kScreenAbout = 2;
constexpr int32_t kScreenAchievements = 3;
constexpr int32_t kScreenSound = 4;
constexpr int32_t kScreenLoading = 5;
constexpr int32_t kScreenPause = 6;
constexpr int32_t kScreenQuestion = 7;
constexpr int32_t kScreenGameOverDistance = 8;
constexpr int32_t kScreenGameOverPoints = 9;

// Control ids the actions are dispatched on.
enum MenuControlId : uint32_t {
    kIdBack = 0,
    kIdVolume = 1,
    kIdSkip = 2,
    kIdStartDistance = 4,
    kIdStartPoints = 5,
    kIdAbout = 6,
    kIdHowToPlay = 7,
    kIdLeaderboard = 8,
    kIdOnline = 9,
    kIdAchievements = 10,
    kIdSound = 11,
    kIdMoreGames = 12,
    kIdResume = 13,
    kIdQuitRun = 14,
    kIdRetry = 15,
    kIdScores = 16,
    kIdGameOverMenu = 17,
    kIdOnlineOption = 18,
    kIdQuitYes = 19,
    kIdQuitNo = 20,
    kIdUsageOptIn = 21,  // the usage reports' opt-in checkbox of the sound page
};

constexpr int32_t kMenuAchievementOrder[24] = {8,  9,  16, 17, 0, 1, 2, 3,  11, 12, 13, 14,
                                               10, 4,  5,  6,  7, 20, 21, 22, 23, 15, 18, 19};
constexpr const char* kMenuSpriteFile = "/menu_main.spr";
constexpr const char* kLogoFile = "/logo_game.png";
constexpr const char* kFontFiles[3] = {"/flarge.spr", "/fmed.spr", "/fsmall.spr"};
constexpr int32_t kFontNumbers[3] = {3, 2, 1};  // large, medium, small

// The last run as the game-over pages show it.
struct MenuRunResult {
    int32_t mode;        // 0 distance, 1 points
    float distance;      // m
    int32_t points;      // the run's score (distance mode: metres)
    int32_t best;        // best score of the mode, this run included
    bool newBest;        // this run raised the best
    int32_t bonusPoints; // points the x2 and x3 multipliers added
    int32_t coins;
    int32_t nearMisses;
    int32_t shrubs;
    int32_t crashKind;   // 1 tree, 2 marker of an earlier run
};

// What the menus ask of the game. Missing entries do nothing (or give 0 / false).
struct MenuGameLink {
    void (*startRun)(int32_t mode);
    void (*resume)();
    void (*retry)();
    void (*setFlowState)(int32_t state);
    void (*requestSkip)();
    void (*saveNow)();
    float (*volume)();
    void (*setVolume)(float volume);
    bool (*onlineOption)();
    // Stores the option (connecting when it is switched on) and saves.
    void (*setOnlineOption)(bool on);
    int32_t (*gameMode)();
    bool (*achievementUnlocked)(int32_t index);
    int32_t (*nextUnlock)();  // -1 when none waits
    bool (*runResult)(MenuRunResult* out);
};

void setMenuGameLink(const MenuGameLink& link);
const MenuGameLink& menuGameLink();

class MenuSys : public MenuActionEventHandler {
public:
    // Returns true for every event: the menus' events end here.
    bool onAction(MenuControl* source, int32_t type, int32_t param) override;

    MenuContext* menu = nullptr;                 // screens, fonts, sprite cache, graphics
    MenuContainer* screens[kMenuScreens] = {};   // made by build step 1 (5 earlier)
    int32_t current = kNoMenuScreen;             // screen shown last
    Sprite* fonts[3] = {};                       // large, medium, small
    AchievTicker* ticker = nullptr;              // on the overlay, over every screen
    bool built = false;                          // build step 2 done
};

// The menu root, registered by the game session's initialisation.
extern MenuSys* g_menuSys;

// Loading steps: 0 loads the three fonts, 1 builds the ten screens, 2 marks the menus ready;
// later calls do nothing.
void buildMenus(MenuSys* menus, int32_t step);
// Makes screen n ready to be shown before the others are built (the loading screen).
void prepareScreen(MenuSys* menus, int32_t n);
// current = n; the screen shows at once with immediate, otherwise after a fade through black.
// kNoMenuScreen shows none.
void showScreen(MenuSys* menus, int32_t n, bool immediate);
void menuUpdate(MenuSys* menus, int32_t milliseconds);
void menuDraw(MenuSys* menus, Graphics* g);
// A font loaded by the menus, by file name; null when it is not loaded.
Sprite* menuFont(MenuSys* menus, const char* name);
// A control of screen n with that id (the first found, depth first), or null.
MenuControl* findMenuControl(MenuSys* menus, int32_t screen, uint32_t id);

// ---- Cross-promotion screen -----------------------------------------------------------------
// Reads the promoted games; false when the list is missing.
bool loadMoreGames();
void moreGamesSetFonts(Sprite* large, Sprite* small);
void moreGamesStart();
// True once the player has left the screen.
bool moreGamesFinished();
void moreGamesDraw(Graphics* g);
