// Finger-0 entry points of the menus. The widget tree and the cross-promotion list that answer
// them are not built yet: until then a touch reaches no menu.
#include "menu/pointer_events.h"

void menuResetPointerState() {}
void menuPointerPress(int, int) {}
void menuPointerMove(int, int) {}
void menuPointerRelease(int, int) {}
void moreGamesPointerPress(int, int) {}
void moreGamesPointerDrag(int, int) {}
void moreGamesPointerRelease(int, int) {}
