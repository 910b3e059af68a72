// Finger-0 entry points of the menus: the widget tree acts on them at its next tick.
#include "menu/pointer_events.h"

#include "menu/menu_context.h"
#include "menu/menu_sys.h"

void menuResetPointerState() {
    if (g_menuSys && g_menuSys->menu) menuFingerReset(g_menuSys->menu);
}

void menuPointerPress(int x, int y) {
    if (g_menuSys && g_menuSys->menu) menuFingerPress(g_menuSys->menu, x, y);
}

void menuPointerMove(int x, int y) {
    if (g_menuSys && g_menuSys->menu) menuFingerMove(g_menuSys->menu, x, y);
}

void menuPointerRelease(int x, int y) {
    if (g_menuSys && g_menuSys->menu) menuFingerRelease(g_menuSys->menu, x, y);
}
