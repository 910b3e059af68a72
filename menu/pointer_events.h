// Where finger 0 goes: the menus' pointer handling and the cross-promotion list's drag. The
// input layer calls these for every press, move and release of the first finger.
#pragma once

void menuResetPointerState();
void menuPointerPress(int x, int y);
void menuPointerMove(int x, int y);
void menuPointerRelease(int x, int y);
void moreGamesPointerPress(int x, int y);
void moreGamesPointerDrag(int x, int y);
void moreGamesPointerRelease(int x, int y);
