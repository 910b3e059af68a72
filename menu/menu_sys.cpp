// The menu root. The widget tree and the screens come with the menus; until then the root only
// remembers which screen the game asked for.
#include "menu/menu_sys.h"

MenuSys* g_menuSys = nullptr;

void buildMenus(MenuSys*, int32_t) {}       // the screens' build steps load fonts and widgets
void prepareScreen(MenuSys*, int32_t) {}    // the screens build the loading screen early here

void showScreen(MenuSys* menus, int32_t n, bool) {
    // The fade through black between screens comes with the screens.
    menus->current = n;
}

void menuUpdate(MenuSys*, int32_t) {}       // the menu context ticks its screens and fade
void menuDraw(MenuSys*, Graphics*) {}       // the menu context paints the current screen
Sprite* menuFont(MenuSys*, const char*) { return nullptr; }  // the fonts of build step 0

bool loadMoreGames() { return false; }       // the cross-promotion screen reads its list
void moreGamesSetFonts(Sprite*, Sprite*) {}  // the cross-promotion screen keeps its fonts
void moreGamesStart() {}                     // the cross-promotion screen starts its page
bool moreGamesFinished() { return false; }   // the cross-promotion screen reports leaving
void moreGamesDraw(Graphics*) {}             // the cross-promotion screen paints its page
