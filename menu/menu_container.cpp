// The containers: MenuContainer with its layers, the menu root, the keyboard, the scroll box and
// its content, and the game's own animated widgets (spinning buttons, achievement stars and
// ticker, the intro logo, the forest background).
#include <cmath>
#include <cstring>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_context.h"
#include "menu/menu_control.h"

namespace {

constexpr uint32_t kKeyboardKinds[] = {kSkinKeyboardKey, kSkinKeyboardKeyPressed,
                                       kSkinKeyboardBackground};
constexpr uint32_t kSpinKinds[] = {kSkinButtonNormal, kSkinButtonPressed, kSkinButtonFocus,
                                   kSkinButtonDisabled, kSkinButtonBackground, kSkinSpin};
constexpr uint32_t kIntroKinds[] = {kSkinIntroBack, kSkinIntroSpin, kSkinIntroFront};
constexpr uint32_t kStarKinds[] = {kSkinStarLocked, kSkinStarUnlocked, kSkinStarSparkle};

constexpr int32_t kKeyboardKeys = 38;
constexpr int32_t kKeySpace = 26;
constexpr int32_t kKeyBackspace = 27;
constexpr int32_t kFirstDigitKey = 28;
constexpr float kPi = 3.14159265358979f;
constexpr uint32_t kPartId = 0xFFFF;  // parts of a compound widget: no action of their own
constexpr uint32_t kNightColour = 0xFF0B1424;

float g_backgroundClock = 0.0f;  // ms, shared by every background item
MenuBackgroundDrawer g_backgroundDrawer = nullptr;

}  // namespace

// ---- MenuContainer ---------------------------------------------------------------------------

MenuContainer::MenuContainer(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {}

MenuContainer::~MenuContainer() {
    if (menu) menuPopModal(menu, this);
    for (int32_t i = childCount - 1; i >= 0; --i) delete children[i];
    delete[] children;
}

void MenuContainer::add(MenuControl* child) {
    if (!child) return;
    if (childCount == capacity) {
        const int32_t grown = capacity + kContainerGrowth;
        MenuControl** list = new MenuControl*[grown]();
        for (int32_t i = 0; i < childCount; ++i) list[i] = children[i];
        delete[] children;
        children = list;
        capacity = grown;
    }
    children[childCount++] = child;
    child->parent = this;
    child->selection = selection;
    if (blocked) child->setParentEnabled(false);
}

void MenuContainer::tick(int32_t milliseconds) {
    for (int32_t i = 0; i < childCount; ++i) children[i]->tick(milliseconds);
}

void MenuContainer::paintChildren() {
    for (int32_t l = 0; l < kMenuLayers; ++l)
        for (int32_t i = 0; i < childCount; ++i)
            if (children[i]->visible && children[i]->layer == l) children[i]->paint();
}

void MenuContainer::paint() {
    if (!visible) return;
    Graphics* g = graphics();
    if (g) g->translate(x, y);
    paintChildren();
    if (g) g->translate(-x, -y);
}

MenuControl* MenuContainer::hitTest(int32_t px, int32_t py) {
    if (blocked || !visible) return nullptr;
    const int32_t lx = px - x, ly = py - y;
    for (int32_t i = childCount - 1; i >= 0; --i) {
        if (!children[i]->visible) continue;
        if (MenuControl* hit = children[i]->hitTest(lx, ly)) return hit;
    }
    return nullptr;
}

void MenuContainer::setEnabled(bool enabled) {
    MenuControl::setEnabled(enabled);
    for (int32_t i = childCount - 1; i >= 0; --i) children[i]->setParentEnabled(enabled);
}

void MenuContainer::setParentEnabled(bool enabled) {
    MenuControl::setParentEnabled(enabled);
    for (int32_t i = childCount - 1; i >= 0; --i) children[i]->setParentEnabled(blocked == 0);
}

void MenuContainer::refresh() {
    for (int32_t i = 0; i < childCount; ++i) children[i]->setSelected(false);
    for (int32_t i = 0; i < childCount; ++i) children[i]->refresh();
}

void MenuContainer::visibilityChanged(bool shown) {
    for (int32_t i = 0; i < childCount; ++i)
        if (children[i]->visible) children[i]->visibilityChanged(shown);
}

void MenuContainer::activityChanged(bool active) {
    for (int32_t i = 0; i < childCount; ++i)
        if (children[i]->visible) children[i]->activityChanged(active);
}

void MenuContainer::pushModal() {
    if (menu) menuPushModal(menu, this);
}

void MenuContainer::popModal() {
    if (menu) menuPopModal(menu, this);
}

void MenuContainer::selectOnly(MenuControl* child) {
    for (int32_t i = 0; i < childCount; ++i)
        if (children[i] != child) children[i]->setSelected(false);
    if (child) child->setSelected(true);
}

// ---- MenuMenu --------------------------------------------------------------------------------

MenuMenu::MenuMenu(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {}

void MenuMenu::tick(int32_t milliseconds) {
    sendEvent(this, this, kEventMenuTick, milliseconds);
    MenuContainer::tick(milliseconds);
}

void MenuMenu::paint() { MenuContainer::paint(); }

// ---- MenuKeyboard ----------------------------------------------------------------------------

MenuKeyboard::MenuKeyboard(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {
    useSkinKinds(kKeyboardKinds, 3);
}

bool MenuKeyboard::onAction(MenuControl* source, int32_t type, int32_t) {
    if (type != kEventClicked || !source || source->parent != this) return false;
    const int32_t key = static_cast<int32_t>(source->id);
    if (key < 0 || key >= kKeyboardKeys) return false;
    if (key < kKeySpace) sendEvent(parent, this, kEventKeyLetter, 'A' + key);
    else if (key >= kFirstDigitKey) sendEvent(parent, this, kEventKeyDigit, key - kFirstDigitKey);
    else if (key == kKeyBackspace) sendEvent(parent, this, kEventKeyBackspace, 0);
    else sendEvent(parent, this, kEventKeySpace, 0);
    return true;
}

void MenuKeyboard::paint() {
    if (!visible) return;
    paintSkin(2);
    MenuContainer::paint();
}

void MenuKeyboard::layout() { MenuControl::layout(); }

void MenuKeyboard::keyInput(int32_t code) {
    // A typed key acts like a click on its button.
    int32_t key = -1;
    if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
    if (code >= 'A' && code <= 'Z') key = code - 'A';
    else if (code >= '0' && code <= '9') key = kFirstDigitKey + code - '0';
    else if (code == ' ') key = kKeySpace;
    else if (code == 8) key = kKeyBackspace;
    for (int32_t i = 0; key >= 0 && i < childCount; ++i)
        if (static_cast<int32_t>(children[i]->id) == key) onAction(children[i], kEventClicked, 0);
}

void MenuKeyboard::setSkin(uint32_t kind, Sprite* sprite, int32_t frame) {
    MenuControl::setSkin(kind, sprite, frame);
    // The key skins dress every key button.
    const uint32_t buttonKind = kind == kSkinKeyboardKey          ? kSkinButtonNormal
                                : kind == kSkinKeyboardKeyPressed ? kSkinButtonPressed
                                                                  : 0;
    if (buttonKind == 0) return;
    for (int32_t i = 0; i < childCount; ++i) children[i]->setSkin(buttonKind, sprite, frame);
}

// ---- ScrollCont and ScrollBox ----------------------------------------------------------------

ScrollCont::ScrollCont(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {}
void ScrollCont::paint() { MenuContainer::paint(); }
void ScrollCont::layout() { MenuControl::layout(); }

ScrollBox::ScrollBox(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {}

void ScrollBox::setContent(ScrollCont* c) {
    content = c;
    add(c);
    c->setAnchor(kAnchorTopLeft);
    c->setPosition(0, 0);
    offsetX = offsetY = 0;
    updateIndicators();
}

void ScrollBox::setIndicator(int32_t which, MenuControl* control) {
    if (which < 0 || which > 3) return;
    indicators[which] = control;
    updateIndicators();
}

MenuControl* ScrollBox::hitTest(int32_t px, int32_t py) { return MenuControl::hitTest(px, py); }

void ScrollBox::layout() { MenuControl::layout(); }

void ScrollBox::scrollTo(int32_t ox, int32_t oy) {
    if (!content) return;
    const int32_t minX = width - content->width < 0 ? width - content->width : 0;
    const int32_t minY = height - content->height < 0 ? height - content->height : 0;
    offsetX = ox < minX ? minX : (ox > 0 ? 0 : ox);
    offsetY = oy < minY ? minY : (oy > 0 ? 0 : oy);
    content->setPosition(offsetX, offsetY);
    updateIndicators();
}

void ScrollBox::updateIndicators() {
    const int32_t contentW = content ? content->width : 0;
    const int32_t contentH = content ? content->height : 0;
    const bool show[4] = {offsetY < 0, offsetY > height - contentH, offsetX < 0,
                          offsetX > width - contentW};
    for (int32_t i = 0; i < 4; ++i) {
        if (!indicators[i]) continue;
        indicators[i]->setEnabled(show[i]);
        indicators[i]->setVisible(show[i]);
    }
}

void ScrollBox::touchDown(int32_t px, int32_t py) {
    dragging = true;
    lastX = px;
    lastY = py;
}

void ScrollBox::touchMove(int32_t px, int32_t py) {
    if (!dragging) return;
    const int32_t dx = px - lastX, dy = py - lastY;
    lastX = px;
    lastY = py;
    scrollTo(offsetX + dx, offsetY + dy);
}

void ScrollBox::touchUp(int32_t, int32_t) { dragging = false; }

// ---- SpinBtn ---------------------------------------------------------------------------------

SpinBtn::SpinBtn(MenuContext* m, MenuControl* p, uint32_t i) : MenuButton(m, p, i) {
    useSkinKinds(kSpinKinds, 6);
}

void SpinBtn::tick(int32_t milliseconds) { clock += static_cast<float>(milliseconds) * 0.001f; }

void SpinBtn::paint() {
    if (!visible) return;
    // The ring turns behind the button, on the button's own rectangle.
    paintSkinTurned(5, clock * -90.0f);
    MenuButton::paint();
}

// ---- AchievStar ------------------------------------------------------------------------------

AchievStar::AchievStar(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kStarKinds, 3);
}

void AchievStar::tick(int32_t milliseconds) { clock += static_cast<float>(milliseconds) * 0.001f; }

void AchievStar::paint() {
    if (!visible) return;
    if (!unlocked) {
        paintSkin(0);
        return;
    }
    paintSkin(1);
    Graphics* g = graphics();
    if (!g || !hasSkin(2)) return;
    // The sparkle turns about the star's centre.
    paintFrameEx(skins[2].sprite, g, x + width / 2, y + height / 2, skins[2].frame, 0,
                 kAnchorCenter, 0, 1.0f, clock * 360.0f, kAnchorCenter, 1.0f);
}

// ---- AchievMain and AchievTicker ---------------------------------------------------------------

AchievMain::AchievMain(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {
    star = new AchievStar(m, this, kPartId);
    add(star);
    star->setAnchor(kAnchorLeft | kAnchorVCenter);
    star->setPosition(-24, 25);  // left of the texts, which may run nearly the item's width
    name = new MenuLabel(m, this, kPartId);
    add(name);
    name->setFontByIndex(2);
    name->setTextAnchor(kAnchorTop | kAnchorHCenter);
    name->setAnchor(kAnchorTop | kAnchorHCenter);
    name->setPosition(150, 0);
    description = new MenuLabel(m, this, kPartId);
    add(description);
    description->setFontByIndex(1);
    description->setTextAnchor(kAnchorTop | kAnchorHCenter);
    description->setAnchor(kAnchorTop | kAnchorHCenter);
    description->setPosition(150, 30);
    setSize(300, 50);
}

void AchievMain::showAchievement(int32_t index, bool isUnlocked) {
    achievement = index;
    name->setTextId(23, index);
    description->setTextId(24, index);
    star->unlocked = isUnlocked;
}

AchievTicker::AchievTicker(MenuContext* m, MenuControl* p, uint32_t i) : MenuContainer(m, p, i) {
    label = new MenuLabel(m, this, kPartId);
    add(label);
    label->setFontByIndex(2);
    label->setTextAnchor(kAnchorCenter);
    label->setAnchor(kAnchorCenter);
    label->setSize(300, 40);
    label->setPosition(150, 20);
    setSize(300, 40);
    visible = 0;
}

MenuControl* AchievTicker::hitTest(int32_t, int32_t) { return nullptr; }

void AchievTicker::tick(int32_t milliseconds) {
    MenuContainer::tick(milliseconds);
    if (!showing) {
        const int32_t next = nextUnlock ? nextUnlock() : -1;
        if (next < 0) return;
        label->setTextId(23, next);
        totalTime = 4.0f;
        slideTime = 0.5f;
        clock = 0.0f;
        showing = true;
        x = static_cast<int16_t>(-width);
        setVisible(true);
        return;
    }
    clock += static_cast<float>(milliseconds) * 0.001f;
    if (clock >= totalTime) {
        showing = false;
        setVisible(false);
        return;
    }
    float shift = 0.0f;  // 1: all the way out at the left
    if (clock < slideTime) shift = 1.0f - clock / slideTime;
    else if (clock > totalTime - slideTime) shift = 1.0f - (totalTime - clock) / slideTime;
    x = static_cast<int16_t>(-static_cast<float>(width) * shift);
}

// ---- IntroCtrl -------------------------------------------------------------------------------

IntroCtrl::IntroCtrl(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kIntroKinds, 3);
}

void IntroCtrl::tick(int32_t milliseconds) { clock += static_cast<float>(milliseconds) * 0.001f; }

void IntroCtrl::paint() {
    if (!visible) return;
    paintSkin(0);
    paintSkinTurned(1, clock * 90.0f);
    Graphics* g = graphics();
    if (!g || !hasSkin(2)) return;
    const float alpha = clock >= 1.0f ? 1.0f : clock;
    paintFrameEx(skins[2].sprite, g, x, y, skins[2].frame, 0, kAnchorTopLeft, 0, 1.0f, 0.0f,
                 kAnchorCenter, alpha);
}

// ---- ItemBg ----------------------------------------------------------------------------------

MenuCamera menuBackgroundCamera(float t) {
    MenuCamera c{};
    c.eye[0] = 10.0f * std::cos(kPi * t / 8000.0f);
    c.eye[1] = 2.0f * std::cos(kPi * t / 14000.0f) + 2.0f;
    c.eye[2] = 2.0f;
    c.target[0] = c.eye[0];
    c.target[1] = c.eye[1] + 10.0f;
    c.target[2] = c.eye[2] - 1.0f;
    c.up[2] = 1.0f;
    c.fieldOfView = 75.0f;
    return c;
}

float menuBackgroundClock() { return g_backgroundClock; }
void resetMenuBackgroundClock() { g_backgroundClock = 0.0f; }
void setMenuBackgroundDrawer(MenuBackgroundDrawer drawer) { g_backgroundDrawer = drawer; }

ItemBg::ItemBg(MenuContext* m, MenuControl* p, uint32_t i, int32_t kind)
    : MenuControl(m, p, i), variant(kind) {
    setSize(kLogicalScreenWidth, kLogicalScreenHeight);
}

void ItemBg::tick(int32_t milliseconds) { g_backgroundClock += static_cast<float>(milliseconds); }

void ItemBg::paint() {
    Graphics* g = graphics();
    if (!visible || !g) return;
    if (g_backgroundDrawer) {
        g_backgroundDrawer(menuBackgroundCamera(g_backgroundClock), variant, g);
        return;
    }
    const uint32_t saved = g->color();
    g->setColor(kNightColour);
    g->fillRect(g->translateX() + x, g->translateY() + y, width, height);
    g->setColor(saved);
}
