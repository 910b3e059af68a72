// The menu context: what every widget of the menus shares. Fonts by number, the sprite cache,
// the drawing context, the action handler, the current screen and the overlay above it, the
// modal stack, the fade between screens and the finger-0 touch state read once per tick.
#pragma once

#include <cstdint>

#include "menu/menu_control.h"

class Graphics;
struct Sprite;

constexpr int32_t kMenuFonts = 4;        // numbers 1 small, 2 medium, 3 large; 0 unused
constexpr int32_t kDefaultFont = 1;
constexpr int32_t kModalStackSize = 16;
constexpr int32_t kSpriteCacheSize = 64;
constexpr int32_t kFadeMs = 150;         // each half of a screen change

enum MenuTransition : int32_t { kTransitionIdle = 0, kTransitionOut = 1, kTransitionIn = 2 };

struct CachedSprite {
    char name[64];
    Sprite* sprite;  // null when the file is missing (asked once)
};

struct MenuContext {
    Graphics* graphics;                   // the context of the current draw
    Sprite* fonts[kMenuFonts];            // not owned
    CachedSprite spriteCache[kSpriteCacheSize];
    int32_t cachedSprites;
    MenuActionEventHandler* handler;      // MenuSys
    MenuSelectionObj selection;           // roots' selection
    MenuContainer* screen;                // shown now, null: none
    MenuContainer* overlay;               // painted and touched over every screen
    MenuContainer* modal[kModalStackSize];
    int32_t modalCount;

    int32_t transition;                   // MenuTransition
    int32_t clockMs;                      // advanced by every tick
    int32_t fadeStartMs;
    int32_t fadeValue;                    // 0..255, the black drawn over the screen
    MenuContainer* target;                // screen shown when the fade-out ends
    bool hasTarget;                       // false: the fade-out ends on no screen

    MenuControl* captured;                // gets the finger's moves and release
    bool fingerDown;
    int32_t fingerX, fingerY;
    bool pressPending;                    // a press not yet seen by a tick
    int32_t pressX, pressY;
};

// Every field cleared; handler and graphics as given.
void menuContextInit(MenuContext* menu, MenuActionEventHandler* handler);
// Forgets the cached sprites (destroying them) and the screen pointers; the screens themselves
// belong to whoever built them.
void menuContextRelease(MenuContext* menu);
// The sprite of that file, loaded on the first request; null when it is missing.
Sprite* menuSprite(MenuContext* menu, const char* name);
// Adds a sprite the caller made under a name (tests and pictures made in code); the cache owns it.
void menuCacheSprite(MenuContext* menu, const char* name, Sprite* sprite);
Sprite* menuFontSprite(const MenuContext* menu, int32_t number);

// Makes screen current at once (null: none), without a fade: the old one gets
// visibilityChanged(false); the new one refresh(), event 6 with its id, visibilityChanged(true).
void menuSetScreen(MenuContext* menu, MenuContainer* screen);
// Fades out through black for 150 ms, switches to screen (null: none), fades in for 150 ms.
void menuFadeToScreen(MenuContext* menu, MenuContainer* screen);
// Clock, fade, touches (only while no fade runs), then tick for the screen and the overlay.
void menuContextTick(MenuContext* menu, int32_t milliseconds);
// The screen, the overlay, then the fade's black.
void menuContextPaint(MenuContext* menu, Graphics* g);

// Finger 0 as the input layer reports it; the next tick acts on it.
void menuFingerPress(MenuContext* menu, int32_t x, int32_t y);
void menuFingerMove(MenuContext* menu, int32_t x, int32_t y);
void menuFingerRelease(MenuContext* menu, int32_t x, int32_t y);
void menuFingerReset(MenuContext* menu);

void menuPushModal(MenuContext* menu, MenuContainer* container);
// Removes container and everything pushed after it; nothing when it is not on the stack.
void menuPopModal(MenuContext* menu, MenuContainer* container);
MenuContainer* menuTopModal(const MenuContext* menu);

// A MenuButton with that id, added to the current screen container (null without a screen).
MenuButton* menuAddButton(MenuContext* menu, uint32_t id);
