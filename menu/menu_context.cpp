// The menu context: sprite cache, fonts, modal stack, the fade between screens and the touch
// dispatch of finger 0.
#include "menu/menu_context.h"

#include <cstdio>
#include <cstring>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"

void menuContextInit(MenuContext* menu, MenuActionEventHandler* handler) {
    *menu = MenuContext();
    menu->handler = handler;
}

void menuContextRelease(MenuContext* menu) {
    for (int32_t i = 0; i < menu->cachedSprites; ++i) destroySprite(menu->spriteCache[i].sprite);
    menu->cachedSprites = 0;
    menu->screen = menu->overlay = menu->target = nullptr;
    menu->captured = nullptr;
    menu->modalCount = 0;
    menu->selection.selected = nullptr;
}

void menuCacheSprite(MenuContext* menu, const char* name, Sprite* sprite) {
    if (menu->cachedSprites >= kSpriteCacheSize) {
        destroySprite(sprite);
        return;
    }
    CachedSprite& entry = menu->spriteCache[menu->cachedSprites++];
    std::snprintf(entry.name, sizeof entry.name, "%s", name);
    entry.sprite = sprite;
}

Sprite* menuSprite(MenuContext* menu, const char* name) {
    if (!name || !name[0]) return nullptr;
    for (int32_t i = 0; i < menu->cachedSprites; ++i)
        if (std::strcmp(menu->spriteCache[i].name, name) == 0) return menu->spriteCache[i].sprite;
    // Names too long for the cache are loaded each time and never kept: refuse them instead.
    if (std::strlen(name) >= sizeof menu->spriteCache[0].name) return nullptr;
    if (menu->cachedSprites >= kSpriteCacheSize) return nullptr;
    Sprite* sprite = loadSprite(name);
    menuCacheSprite(menu, name, sprite);
    return sprite;
}

Sprite* menuFontSprite(const MenuContext* menu, int32_t number) {
    if (number < 0 || number >= kMenuFonts) return nullptr;
    return menu->fonts[number];
}

// ---- Screens and the fade ----------------------------------------------------------------------

void menuSetScreen(MenuContext* menu, MenuContainer* screen) {
    MenuContainer* old = menu->screen;
    if (menu->captured) {
        // A control of the old screen keeps no finger.
        menu->captured = nullptr;
    }
    if (old && old != screen) old->visibilityChanged(false);
    menu->screen = screen;
    if (!screen) return;
    screen->refresh();
    sendEvent(screen, screen, kEventScreenShown, static_cast<int32_t>(screen->id));
    screen->visibilityChanged(true);
}

void menuFadeToScreen(MenuContext* menu, MenuContainer* screen) {
    menu->target = screen;
    menu->hasTarget = screen != nullptr;
    if (menu->transition == kTransitionOut) return;  // the running fade-out ends on the new target
    // Interrupting a fade-in goes back out from the darkness reached, without a flash.
    menu->fadeStartMs = menu->clockMs -
                        (menu->transition == kTransitionIn ? menu->fadeValue * kFadeMs / 255 : 0);
    menu->transition = kTransitionOut;
}

namespace {

void updateFade(MenuContext* menu) {
    const int32_t elapsed = menu->clockMs - menu->fadeStartMs;
    if (menu->transition == kTransitionOut) {
        menu->fadeValue = (elapsed < kFadeMs ? elapsed : kFadeMs) * 255 / kFadeMs;
        if (elapsed < kFadeMs) return;
        menuSetScreen(menu, menu->target);
        menu->transition = menu->hasTarget ? kTransitionIn : kTransitionIdle;
        menu->fadeStartMs = menu->clockMs;
        menu->fadeValue = menu->hasTarget ? 255 : 0;
        menu->target = nullptr;
    } else if (menu->transition == kTransitionIn) {
        const int32_t left = kFadeMs - (elapsed < kFadeMs ? elapsed : kFadeMs);
        menu->fadeValue = left * 255 / kFadeMs;
        if (elapsed >= kFadeMs) {
            menu->transition = kTransitionIdle;
            menu->fadeValue = 0;
        }
    }
}

MenuControl* findTouched(MenuContext* menu, int32_t x, int32_t y) {
    if (MenuContainer* modal = menuTopModal(menu)) {
        // A modal container takes every touch for itself and its children.
        int32_t px = x, py = y;
        modal->screenToParent(&px, &py);
        return modal->hitTest(px, py);
    }
    if (menu->overlay)
        if (MenuControl* hit = menu->overlay->hitTest(x, y)) return hit;
    if (menu->screen) return menu->screen->hitTest(x, y);
    return nullptr;
}

void dispatchTouches(MenuContext* menu) {
    if (menu->transition != kTransitionIdle) {
        // Touches during a fade reach nobody; a finger that was down stays ignored until lifted.
        menu->pressPending = false;
        if (menu->captured) {
            if (auto* button = dynamic_cast<MenuButton*>(menu->captured))
                button->pressState = kButtonIdle;
            menu->captured = nullptr;
        }
        return;
    }
    if (menu->pressPending && !menu->captured) {
        menu->pressPending = false;
        MenuControl* hit = findTouched(menu, menu->pressX, menu->pressY);
        if (hit) {
            menu->captured = hit;
            int32_t px = menu->pressX, py = menu->pressY;
            hit->screenToParent(&px, &py);
            hit->touchDown(px, py);
        }
    }
    menu->pressPending = false;
    MenuControl* captured = menu->captured;
    if (!captured) return;
    int32_t px = menu->fingerX, py = menu->fingerY;
    captured->screenToParent(&px, &py);
    if (menu->fingerDown) {
        captured->touchMove(px, py);
    } else {
        menu->captured = nullptr;
        captured->touchUp(px, py);
    }
}

}  // namespace

void menuContextTick(MenuContext* menu, int32_t milliseconds) {
    menu->clockMs += milliseconds;
    updateFade(menu);
    dispatchTouches(menu);
    if (menu->screen) menu->screen->tick(milliseconds);
    if (menu->overlay) menu->overlay->tick(milliseconds);
}

void menuContextPaint(MenuContext* menu, Graphics* g) {
    menu->graphics = g;
    if (!g) return;
    if (menu->screen) menu->screen->paint();
    if (menu->overlay) menu->overlay->paint();
    if (menu->transition != kTransitionIdle && menu->fadeValue > 0) {
        const uint32_t saved = g->color();
        g->setColor(static_cast<uint32_t>(menu->fadeValue) << 24);
        g->fillRect(0, 0, kLogicalScreenWidth, kLogicalScreenHeight);
        g->setColor(saved);
    }
}

// ---- Finger 0 --------------------------------------------------------------------------------

void menuFingerPress(MenuContext* menu, int32_t x, int32_t y) {
    menu->fingerDown = true;
    menu->fingerX = menu->pressX = x;
    menu->fingerY = menu->pressY = y;
    menu->pressPending = true;
}

void menuFingerMove(MenuContext* menu, int32_t x, int32_t y) {
    menu->fingerX = x;
    menu->fingerY = y;
}

void menuFingerRelease(MenuContext* menu, int32_t x, int32_t y) {
    menu->fingerDown = false;
    menu->fingerX = x;
    menu->fingerY = y;
}

void menuFingerReset(MenuContext* menu) {
    menu->fingerDown = false;
    menu->pressPending = false;
    if (auto* button = dynamic_cast<MenuButton*>(menu->captured)) button->pressState = kButtonIdle;
    menu->captured = nullptr;
}

// ---- Modal stack -------------------------------------------------------------------------------

void menuPushModal(MenuContext* menu, MenuContainer* container) {
    if (!container || menu->modalCount >= kModalStackSize) return;
    menu->modal[menu->modalCount++] = container;
}

void menuPopModal(MenuContext* menu, MenuContainer* container) {
    for (int32_t i = 0; i < menu->modalCount; ++i) {
        if (menu->modal[i] != container) continue;
        for (int32_t j = i; j < menu->modalCount; ++j) menu->modal[j] = nullptr;
        menu->modalCount = i;
        return;
    }
}

MenuContainer* menuTopModal(const MenuContext* menu) {
    return menu->modalCount > 0 ? menu->modal[menu->modalCount - 1] : nullptr;
}

MenuButton* menuAddButton(MenuContext* menu, uint32_t id) {
    if (!menu->screen) return nullptr;
    MenuButton* button = new MenuButton(menu, menu->screen, id);
    menu->screen->add(button);
    return button;
}
