// MenuSys, the menu root: the ten menu screens the game shows, the three fonts, and the
// cross-promotion screen. The game session tells it which screen to show and feeds it updates and
// draws; the screens call back into the session's flow.
#pragma once

#include <cstdint>

class Graphics;
class MenuControl;
struct MenuContext;
struct Sprite;

constexpr int32_t kMenuScreens = 10;
constexpr int32_t kNoMenuScreen = -1;  // no screen shown (a run in progress)

// The screens the game flow shows.
constexpr int32_t kScreenMainMenu = 0;
constexpr int32_t kScreenLoading = 5;
constexpr int32_t kScreenPause = 6;
constexpr int32_t kScreenGameOverDistance = 8;
constexpr int32_t kScreenGameOverPoints = 9;

class MenuSys {
public:
    MenuContext* menu = nullptr;                 // screens, fonts, sprite cache, graphics
    MenuControl* screens[kMenuScreens] = {};     // made by build step 1
    int32_t current = kNoMenuScreen;             // screen shown last
    Sprite* fonts[3] = {};                       // "/fsmall.spr", "/fmed.spr", "/flarge.spr"
};

// The menu root, registered by the game session's initialisation.
extern MenuSys* g_menuSys;

// Loading steps: 0 loads the three fonts, 1 builds the ten screens, 2 marks the menus ready.
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

// ---- Cross-promotion screen -----------------------------------------------------------------
// Reads the promoted games; false when the list is missing.
bool loadMoreGames();
void moreGamesSetFonts(Sprite* large, Sprite* small);
void moreGamesStart();
// True once the player has left the screen.
bool moreGamesFinished();
void moreGamesDraw(Graphics* g);
