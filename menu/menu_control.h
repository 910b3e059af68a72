// The menu widgets: MenuControl and its family. Screens are trees of these built in code; a
// container paints its children layer by layer, touches go to one captured control at a time, and
// action events bubble from a control up through its containers to the menu's action handler.
// Depends on the 2D drawing context, sprites and fonts, and the menu texts.
#pragma once

#include <cstdint>

class Graphics;
struct MenuContext;
struct Sprite;
class MenuControl;

// Action event types.
enum MenuEvent : int32_t {
    kEventClicked = 1,
    kEventButtonRefresh = 2,
    kEventSliderDragged = 3,   // param: the value's f32 bits
    kEventSliderReleased = 4,  // param: the value's f32 bits
    kEventSliderRefresh = 5,
    kEventScreenShown = 6,     // source: the screen container, id = screen number
    kEventMenuTick = 7,        // param: frame time in ms
    kEventTabChosen = 8,
    kEventCheckboxRefresh = 9,
    kEventCheckboxChanged = 10,  // param: 1 checked, 0 unchecked
    kEventKeyLetter = 11,      // param: 'A' + key
    kEventKeyDigit = 12,       // param: 0..9
    kEventKeyBackspace = 13,
    kEventKeySpace = 14,
};

// Skin kinds, by class.
constexpr uint32_t kSkinButtonNormal = 0x100001;
constexpr uint32_t kSkinButtonPressed = 0x100002;
constexpr uint32_t kSkinButtonFocus = 0x100003;
constexpr uint32_t kSkinButtonDisabled = 0x100004;
constexpr uint32_t kSkinButtonBackground = 0x100005;
constexpr uint32_t kSkinSpin = 0x800000C9;
constexpr uint32_t kSkinImage = 0x200001;
constexpr uint32_t kSkinSliderTrack = 0x300001;
constexpr uint32_t kSkinSliderIcon = 0x300002;
constexpr uint32_t kSkinSliderKnob = 0x300003;
constexpr uint32_t kSkinCheckboxOff = 0x400001;
constexpr uint32_t kSkinCheckboxOn = 0x400002;
constexpr uint32_t kSkinTabNormal = 0x500001;
constexpr uint32_t kSkinTabChosen = 0x500002;
constexpr uint32_t kSkinEdit = 0x600001;
constexpr uint32_t kSkinKeyboardKey = 0x700001;
constexpr uint32_t kSkinKeyboardKeyPressed = 0x700002;
constexpr uint32_t kSkinKeyboardBackground = 0x700003;
constexpr uint32_t kSkinIntroBack = 0x80000065;
constexpr uint32_t kSkinIntroSpin = 0x80000066;
constexpr uint32_t kSkinIntroFront = 0x80000067;
constexpr uint32_t kSkinStarLocked = 0x8000012D;
constexpr uint32_t kSkinStarUnlocked = 0x8000012E;
constexpr uint32_t kSkinStarSparkle = 0x8000012F;

constexpr uint32_t kBlockedSelf = 1;    // the control itself is disabled
constexpr uint32_t kBlockedParent = 2;  // a container above it is disabled
constexpr int32_t kMenuLayers = 5;
constexpr int32_t kDefaultLayer = 2;
constexpr int32_t kTextCapacityStep = 32;  // characters
constexpr int32_t kContainerGrowth = 8;    // children

class MenuActionEventHandler {
public:
    virtual ~MenuActionEventHandler() = default;
    // True when the event was handled and goes no further.
    virtual bool onAction(MenuControl* source, int32_t type, int32_t param) = 0;
};

class MenuSelIface {
public:
    virtual ~MenuSelIface() = default;
    virtual void select(MenuControl* control) = 0;
};

class MenuSelectionObj : public MenuSelIface {
public:
    MenuControl* selected = nullptr;
    // The previous control loses its highlight, the new one (when any) gets it.
    void select(MenuControl* control) override;
};

struct SkinEntry {
    Sprite* sprite;
    int32_t frame;
    int32_t frameWidth, frameHeight;
    int32_t anchor;  // 0: placed by the control's rectangle
};

class MenuControl : public MenuActionEventHandler {
public:
    // Makes the control; it is not added to parent (the screen code does that).
    MenuControl(MenuContext* menu, MenuControl* parent, uint32_t id);
    ~MenuControl() override;
    MenuControl(const MenuControl&) = delete;
    MenuControl& operator=(const MenuControl&) = delete;

    bool onAction(MenuControl* source, int32_t type, int32_t param) override;
    virtual void tick(int32_t milliseconds);
    virtual void paint();
    // Positions are in the parent's coordinates.
    virtual void touchDown(int32_t x, int32_t y);
    virtual void touchMove(int32_t x, int32_t y);
    virtual void touchUp(int32_t x, int32_t y);
    // The control that takes a touch at (px, py) in the parent's coordinates, or null.
    virtual MenuControl* hitTest(int32_t px, int32_t py);
    virtual void screenToParent(int32_t* x, int32_t* y);
    virtual void parentToScreen(int32_t* x, int32_t* y);
    virtual void screenToLocal(int32_t* x, int32_t* y);
    virtual void localToScreen(int32_t* x, int32_t* y);
    virtual void setEnabled(bool enabled);
    virtual void setVisible(bool show);
    virtual void layout();
    virtual void setSelected(bool selected);
    virtual void keyInput(int32_t code);
    virtual void refresh();
    virtual void visibilityChanged(bool shown);
    virtual void activityChanged(bool active);
    virtual void setHighlighted(bool on);
    virtual void setParentEnabled(bool enabled);
    virtual void setPosition(int32_t px, int32_t py);
    virtual void setX(int32_t px);
    virtual void setSize(int32_t w, int32_t h);
    virtual void setMargins(int32_t m);
    virtual void setHorizontalMargins(int32_t m);
    virtual void setVerticalMargins(int32_t m);
    virtual void setMargins(int32_t horizontal, int32_t vertical);
    virtual void setMargins(int32_t left, int32_t top, int32_t right, int32_t bottom);
    virtual void setSkin(uint32_t kind, Sprite* sprite, int32_t frame);
    virtual void setSkin(uint32_t kind, const char* spriteFile, int32_t frame, int32_t skinAnchor);
    virtual void setSkin(uint32_t kind, const char* spriteFile, int32_t frame);
    virtual void setSkinAnchor(int32_t kind, int32_t skinAnchor);  // kind -1: every entry
    virtual void setTextId(int32_t text);
    virtual void setTextId(int32_t text, int32_t param);
    virtual void setText(const uint16_t* chars, int32_t length);  // length -1: up to the 0
    virtual void setTextAnchor(int32_t a);
    virtual void setTextColours(uint32_t c1, uint32_t c2);
    virtual void setWrapWidth(int32_t w);
    virtual void setTextFlags(int32_t v);
    virtual void clearTextFlags();
    virtual void setFont(int32_t f);
    virtual void setFontByIndex(int32_t i);
    virtual void setLayer(int32_t n);
    virtual void setAnchor(int32_t a);
    virtual void setUserData(int32_t v);
    virtual void setSelection(MenuSelIface* s);

    // ---- Helpers for the classes and the screen code ----
    // Sets a text from UTF-8 (a copy is kept).
    void setTextUtf8(const char* utf8);
    // The characters shown: the own copy, else the text table entry; null when none.
    const uint16_t* shownText(int32_t* length) const;
    Sprite* fontSprite() const;
    // Index of kind in this class's skin list, -1 when the class has no such kind.
    int32_t skinIndex(uint32_t kind) const;
    bool hasSkin(int32_t index) const;
    // Paints skin entry `index` on the rectangle, or with pivot and angle when turned.
    void paintSkin(int32_t index) const;
    void paintSkinTurned(int32_t index, float angle) const;
    // Paints the shown text at the point of the rectangle named by textAnchor (wrapped when a
    // wrap width is set).
    void paintText() const;
    int32_t textWidth() const;
    Graphics* graphics() const;

    MenuControl* parent;
    MenuContext* menu;
    uint32_t id;
    uint32_t blocked = 0;   // kBlockedSelf | kBlockedParent
    uint8_t visible = 1;
    int16_t x = 0, y = 0, width = 0, height = 0;  // relative to the parent
    int16_t refX = 0, refY = 0;
    int16_t requestedWidth = -1, requestedHeight = -1;
    int32_t layer = kDefaultLayer;
    SkinEntry* skins = nullptr;  // skinCount entries, owned
    int32_t skinCount = 0;
    const uint32_t* skinKinds = nullptr;
    int32_t textId = -1;
    int32_t textParam = 0;
    uint16_t* text = nullptr;    // owned, 0-terminated
    int32_t textLength = 0;
    int32_t textCapacity = 0;
    int32_t textAnchor = 20;
    uint32_t textColour = 0xFFFFFFFF, textColour2 = 0xFFFFFFFF;
    int32_t wrapWidth = 0;       // 0: one line
    int32_t font;                // font number of the menu context
    int32_t textFlags = -1;
    int32_t anchor = 20;
    int32_t marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0;
    int32_t userData = 0;
    MenuSelIface* selection;
    uint8_t highlighted = 0;

protected:
    // Replaces the skin list; called by a class's constructor.
    void useSkinKinds(const uint32_t* kinds, int32_t count);
    // The size the skins and text give, before the requested size applies.
    virtual void naturalSize(int32_t* w, int32_t* h);
};

// Calls control.onAction; when it is not handled the event goes to the parent, and from the root
// to the menu context's action handler. Stops at the first handler that returns true.
void sendEvent(MenuControl* control, MenuControl* source, int32_t type, int32_t param);
// f32 <-> event parameter bits.
int32_t floatParam(float v);
float paramFloat(int32_t bits);

enum ButtonState : int32_t { kButtonIdle = 0, kButtonPressedInside = 1, kButtonPressedOutside = 2 };

class MenuButton : public MenuControl {
public:
    MenuButton(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void touchDown(int32_t x, int32_t y) override;
    void touchMove(int32_t x, int32_t y) override;
    void touchUp(int32_t x, int32_t y) override;
    void layout() override;
    void refresh() override;
    // The state skin painted now: pressed, disabled or normal (a state without a skin of its own
    // paints the normal one).
    int32_t stateSkin() const;
    int32_t pressState = kButtonIdle;
};

class SpinBtn : public MenuButton {
public:
    SpinBtn(MenuContext* menu, MenuControl* parent, uint32_t id);
    void tick(int32_t milliseconds) override;
    void paint() override;
    float clock = 0.0f;  // s; the extra skin turns by clock x -90 degrees
};

class MenuLabel : public MenuControl {
public:
    MenuLabel(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void touchDown(int32_t x, int32_t y) override;
    void touchMove(int32_t x, int32_t y) override;
    void touchUp(int32_t x, int32_t y) override;
};

class MenuImage : public MenuControl {
public:
    MenuImage(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    MenuControl* hitTest(int32_t px, int32_t py) override;  // images take no touches
    void layout() override;
};

class MenuEdit : public MenuControl {
public:
    MenuEdit(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void layout() override;
    // A character code appends it; 8 removes the last character.
    void keyInput(int32_t code) override;
    void visibilityChanged(bool shown) override;
    void activityChanged(bool active) override;
    int32_t maxLength = 32;  // characters
    bool active = false;
};

class MenuSlider : public MenuControl {
public:
    MenuSlider(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void touchDown(int32_t x, int32_t y) override;
    void touchMove(int32_t x, int32_t y) override;
    void touchUp(int32_t x, int32_t y) override;
    void layout() override;
    void refresh() override;
    void setTrackLength(int32_t length);  // -1: the track skin's width
    void setGap(int32_t gap);             // -1: 20 % of the icon's width
    void setValue(float v);               // clamped to 0..1, no event
    float value = 0.0f;          // 0..1
    int32_t trackStart = 0;      // px from the control's left
    int32_t trackLength = 0;     // px
    int32_t requestedTrackLength = -1;
    int32_t requestedGap = -1;

private:
    void valueFromTouch(int32_t px);
};

enum CheckboxState : int32_t {
    kCheckUncheckedIdle = 0,
    kCheckUncheckedInside = 1,
    kCheckUncheckedOutside = 2,
    kCheckCheckedIdle = 3,
    kCheckCheckedInside = 4,
    kCheckCheckedOutside = 5,
};

class MenuCheckbox : public MenuControl {
public:
    MenuCheckbox(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void touchDown(int32_t x, int32_t y) override;
    void touchMove(int32_t x, int32_t y) override;
    void touchUp(int32_t x, int32_t y) override;
    void layout() override;
    void refresh() override;
    bool checked() const { return checkState >= kCheckCheckedIdle; }
    void setChecked(bool on);  // no event
    int32_t checkState = kCheckUncheckedIdle;

protected:
    void naturalSize(int32_t* w, int32_t* h) override;
};

class MenuTab : public MenuControl {
public:
    MenuTab(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void touchDown(int32_t x, int32_t y) override;
    void layout() override;
    void setGroup(int32_t g);    // free numbers for the screen code
    void setIndex(int32_t i);
    int32_t group = 0, index = 0;
};

class MenuContainer : public MenuControl {
public:
    MenuContainer(MenuContext* menu, MenuControl* parent, uint32_t id);
    ~MenuContainer() override;  // destroys the children, last added first
    void tick(int32_t milliseconds) override;
    void paint() override;
    MenuControl* hitTest(int32_t px, int32_t py) override;
    void setEnabled(bool enabled) override;
    void refresh() override;
    void visibilityChanged(bool shown) override;
    void activityChanged(bool active) override;
    void setParentEnabled(bool enabled) override;
    virtual void pushModal();
    virtual void popModal();

    // Appends child (which then belongs to this container and takes its selection object).
    void add(MenuControl* child);
    // setSelected(false) on every other child, setSelected(true) on child (null: none).
    void selectOnly(MenuControl* child);
    // Paints the visible children, layer by layer, each layer in the order of adding.
    void paintChildren();

    MenuControl** children = nullptr;
    int32_t childCount = 0;
    int32_t capacity = 0;
};

class MenuMenu : public MenuContainer {
public:
    MenuMenu(MenuContext* menu, MenuControl* parent, uint32_t id);
    void tick(int32_t milliseconds) override;  // event 7 first, then the children
    void paint() override;
};

// 38 keys: 0-25 letters, 26 space, 27 backspace, 28-37 digits.
class MenuKeyboard : public MenuContainer {
public:
    MenuKeyboard(MenuContext* menu, MenuControl* parent, uint32_t id);
    bool onAction(MenuControl* source, int32_t type, int32_t param) override;
    void paint() override;
    void layout() override;
    void keyInput(int32_t code) override;
    void setSkin(uint32_t kind, Sprite* sprite, int32_t frame) override;
    using MenuControl::setSkin;
};

class ScrollCont : public MenuContainer {
public:
    ScrollCont(MenuContext* menu, MenuControl* parent, uint32_t id);
    void paint() override;
    void layout() override;
};

enum ScrollIndicator : int32_t {
    kIndicatorUp = 0,
    kIndicatorDown = 1,
    kIndicatorLeft = 2,
    kIndicatorRight = 3,
};

class ScrollBox : public MenuContainer {
public:
    ScrollBox(MenuContext* menu, MenuControl* parent, uint32_t id);
    void touchDown(int32_t x, int32_t y) override;
    void touchMove(int32_t x, int32_t y) override;
    void touchUp(int32_t x, int32_t y) override;
    MenuControl* hitTest(int32_t px, int32_t py) override;  // the box itself
    void layout() override;
    // Adds content as the box's content at (0, 0).
    void setContent(ScrollCont* content);
    void setIndicator(int32_t which, MenuControl* control);
    // Moves the content to the offset, clamped to [box size - content size, 0] per axis.
    void scrollTo(int32_t offsetX, int32_t offsetY);
    void updateIndicators();
    ScrollCont* content = nullptr;
    MenuControl* indicators[4] = {};
    int32_t offsetX = 0, offsetY = 0;
    bool dragging = false;
    int32_t lastX = 0, lastY = 0;  // finger at the last move
};

// Slides in from the left over every screen to announce each newly unlocked achievement.
class AchievTicker : public MenuContainer {
public:
    AchievTicker(MenuContext* menu, MenuControl* parent, uint32_t id);
    void tick(int32_t milliseconds) override;
    // A notice: touches go through it to the screen below.
    MenuControl* hitTest(int32_t px, int32_t py) override;
    // Next achievement to announce: an index 0..23, or -1 when none waits.
    int32_t (*nextUnlock)() = nullptr;
    MenuLabel* label = nullptr;  // made by the constructor
    bool showing = false;
    float clock = 0.0f;          // s
    float totalTime = 4.0f;      // s
    float slideTime = 0.5f;      // s
};

class AchievStar;

// One entry of the achievements page: star, name and description.
class AchievMain : public MenuContainer {
public:
    AchievMain(MenuContext* menu, MenuControl* parent, uint32_t id);
    void showAchievement(int32_t index, bool unlocked);
    AchievStar* star = nullptr;
    MenuLabel* name = nullptr;
    MenuLabel* description = nullptr;
    int32_t achievement = -1;
};

class AchievStar : public MenuControl {
public:
    AchievStar(MenuContext* menu, MenuControl* parent, uint32_t id);
    void tick(int32_t milliseconds) override;
    void paint() override;
    bool unlocked = false;
    float clock = 0.0f;  // s; the sparkle turns by clock x 360 degrees
};

// A logo that fades in while a ring turns behind it.
class IntroCtrl : public MenuControl {
public:
    IntroCtrl(MenuContext* menu, MenuControl* parent, uint32_t id);
    void tick(int32_t milliseconds) override;
    void paint() override;
    float clock = 0.0f;  // s
};

// Full-screen background: the forest drawn through the menus' own slowly moving camera.
class ItemBg : public MenuControl {
public:
    ItemBg(MenuContext* menu, MenuControl* parent, uint32_t id, int32_t variant);
    void tick(int32_t milliseconds) override;
    void paint() override;
    int32_t variant;  // 1 main screen (with the mode signs), 0 the other pages
};

struct MenuCamera {
    float eye[3];
    float target[3];
    float up[3];
    float fieldOfView;  // degrees
};

// The camera every background item shares at clock t (ms).
MenuCamera menuBackgroundCamera(float t);
// Clock shared by all background items (ms); each tick of a background item adds its time once
// per frame.
float menuBackgroundClock();
void resetMenuBackgroundClock();
// The world drawing behind the menus, given by the game; without one the background is a plain
// night colour.
using MenuBackgroundDrawer = void (*)(const MenuCamera& camera, int32_t variant, Graphics* g);
void setMenuBackgroundDrawer(MenuBackgroundDrawer drawer);
