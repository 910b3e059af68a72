// MenuControl and the plain widgets: skins, text, layout, touch states and event bubbling.
#include "menu/menu_control.h"

#include <cstring>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_context.h"
#include "menu/text_tables.h"

namespace {

constexpr uint32_t kButtonKinds[] = {kSkinButtonNormal, kSkinButtonPressed, kSkinButtonFocus,
                                     kSkinButtonDisabled, kSkinButtonBackground};
constexpr uint32_t kImageKinds[] = {kSkinImage};
constexpr uint32_t kSliderKinds[] = {kSkinSliderTrack, kSkinSliderIcon, kSkinSliderKnob};
constexpr uint32_t kCheckboxKinds[] = {kSkinCheckboxOff, kSkinCheckboxOn};
constexpr uint32_t kTabKinds[] = {kSkinTabNormal, kSkinTabChosen};
constexpr uint32_t kEditKinds[] = {kSkinEdit};

enum ButtonSkin : int32_t { kNormal = 0, kPressed = 1, kFocus = 2, kDisabled = 3, kBackground = 4 };
enum SliderSkin : int32_t { kTrack = 0, kIcon = 1, kKnob = 2 };

template <size_t N>
constexpr int32_t countOf(const uint32_t (&)[N]) {
    return static_cast<int32_t>(N);
}

int32_t clampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

// ---- Events and selection --------------------------------------------------------------------

void sendEvent(MenuControl* control, MenuControl* source, int32_t type, int32_t param) {
    MenuContext* menu = control ? control->menu : (source ? source->menu : nullptr);
    for (MenuControl* c = control; c; c = c->parent) {
        if (c->onAction(source, type, param)) return;
    }
    if (menu && menu->handler) menu->handler->onAction(source, type, param);
}

int32_t floatParam(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

float paramFloat(int32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void MenuSelectionObj::select(MenuControl* control) {
    if (selected) selected->setHighlighted(false);
    selected = control;
    if (control) control->setHighlighted(true);
}

// ---- MenuControl -----------------------------------------------------------------------------

MenuControl::MenuControl(MenuContext* menuContext, MenuControl* parentControl, uint32_t controlId)
    : parent(parentControl),
      menu(menuContext),
      id(controlId),
      font(kDefaultFont),
      selection(parentControl ? parentControl->selection
                              : (menuContext ? &menuContext->selection : nullptr)) {}

MenuControl::~MenuControl() {
    if (menu) {
        if (menu->captured == this) menu->captured = nullptr;
        if (menu->selection.selected == this) menu->selection.selected = nullptr;
    }
    delete[] skins;
    delete[] text;
}

void MenuControl::useSkinKinds(const uint32_t* kinds, int32_t count) {
    delete[] skins;
    skins = new SkinEntry[count]();
    skinCount = count;
    skinKinds = kinds;
}

bool MenuControl::onAction(MenuControl*, int32_t, int32_t) { return false; }
void MenuControl::tick(int32_t) {}
void MenuControl::paint() {}
void MenuControl::touchDown(int32_t, int32_t) {}
void MenuControl::touchMove(int32_t, int32_t) {}
void MenuControl::touchUp(int32_t, int32_t) {}

MenuControl* MenuControl::hitTest(int32_t px, int32_t py) {
    if (blocked || !visible) return nullptr;
    if (px < x - marginLeft || px > x + width + marginRight) return nullptr;
    if (py < y - marginTop || py > y + height + marginBottom) return nullptr;
    return this;
}

void MenuControl::screenToParent(int32_t* px, int32_t* py) {
    if (parent) parent->screenToLocal(px, py);
}

void MenuControl::parentToScreen(int32_t* px, int32_t* py) {
    if (parent) parent->localToScreen(px, py);
}

void MenuControl::screenToLocal(int32_t* px, int32_t* py) {
    if (parent) parent->screenToLocal(px, py);
    *px -= x;
    *py -= y;
}

void MenuControl::localToScreen(int32_t* px, int32_t* py) {
    *px += x;
    *py += y;
    if (parent) parent->localToScreen(px, py);
}

void MenuControl::setEnabled(bool enabled) {
    if (enabled) blocked &= ~kBlockedSelf;
    else blocked |= kBlockedSelf;
}

void MenuControl::setVisible(bool show) {
    visible = show ? 1 : 0;
    visibilityChanged(show);
}

void MenuControl::naturalSize(int32_t* w, int32_t* h) {
    int32_t nw = 0, nh = 0;
    for (int32_t i = 0; i < skinCount; ++i) {
        if (!skins[i].sprite) continue;
        if (skins[i].frameWidth > nw) nw = skins[i].frameWidth;
        if (skins[i].frameHeight > nh) nh = skins[i].frameHeight;
    }
    Sprite* f = fontSprite();
    int32_t length = 0;
    if (f && shownText(&length) && length > 0) {
        const int32_t tw = wrapWidth > 0 ? wrapWidth : textWidth();
        if (tw > nw) nw = tw;
        if (lineHeight(f) > nh) nh = lineHeight(f);
    }
    *w = nw;
    *h = nh;
}

void MenuControl::layout() {
    int32_t w = 0, h = 0;
    naturalSize(&w, &h);
    if (requestedWidth > 0) w = requestedWidth;
    if (requestedHeight > 0) h = requestedHeight;
    int32_t px = refX, py = refY;
    Graphics::resolveAnchor(&px, &py, w, h, anchor == 0 ? kAnchorTopLeft : anchor);
    x = static_cast<int16_t>(px);
    y = static_cast<int16_t>(py);
    width = static_cast<int16_t>(w);
    height = static_cast<int16_t>(h);
}

void MenuControl::setSelected(bool selected) {
    if (!selection) return;
    if (selected) selection->select(this);
    else if (highlighted) selection->select(nullptr);
}

void MenuControl::keyInput(int32_t) {}
void MenuControl::refresh() {}
void MenuControl::visibilityChanged(bool) {}
void MenuControl::activityChanged(bool) {}
void MenuControl::setHighlighted(bool on) { highlighted = on ? 1 : 0; }

void MenuControl::setParentEnabled(bool enabled) {
    if (enabled) blocked &= ~kBlockedParent;
    else blocked |= kBlockedParent;
}

void MenuControl::setPosition(int32_t px, int32_t py) {
    refX = static_cast<int16_t>(px);
    refY = static_cast<int16_t>(py);
    layout();
}

void MenuControl::setX(int32_t px) { x = static_cast<int16_t>(px); }

void MenuControl::setSize(int32_t w, int32_t h) {
    requestedWidth = static_cast<int16_t>(w);
    requestedHeight = static_cast<int16_t>(h);
    layout();
}

void MenuControl::setMargins(int32_t m) { setMargins(m, m, m, m); }
void MenuControl::setHorizontalMargins(int32_t m) { marginLeft = marginRight = m; }
void MenuControl::setVerticalMargins(int32_t m) { marginTop = marginBottom = m; }
void MenuControl::setMargins(int32_t horizontal, int32_t vertical) {
    setMargins(horizontal, vertical, horizontal, vertical);
}
void MenuControl::setMargins(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    marginLeft = left;
    marginTop = top;
    marginRight = right;
    marginBottom = bottom;
}

int32_t MenuControl::skinIndex(uint32_t kind) const {
    for (int32_t i = 0; i < skinCount; ++i)
        if (skinKinds[i] == kind) return i;
    return -1;
}

bool MenuControl::hasSkin(int32_t index) const {
    return index >= 0 && index < skinCount && skins[index].sprite != nullptr;
}

void MenuControl::setSkin(uint32_t kind, Sprite* sprite, int32_t frame) {
    const int32_t i = skinIndex(kind);
    if (i < 0) return;
    skins[i].sprite = sprite;
    skins[i].frame = frame;
    skins[i].frameWidth = sprite ? frameWidth(sprite, frame) : 0;
    skins[i].frameHeight = sprite ? frameHeight(sprite, frame) : 0;
    layout();
}

void MenuControl::setSkin(uint32_t kind, const char* spriteFile, int32_t frame, int32_t skinAnchor) {
    const int32_t i = skinIndex(kind);
    if (i < 0) return;
    skins[i].anchor = skinAnchor;
    setSkin(kind, menu ? menuSprite(menu, spriteFile) : nullptr, frame);
}

void MenuControl::setSkin(uint32_t kind, const char* spriteFile, int32_t frame) {
    setSkin(kind, spriteFile, frame, 0);
}

void MenuControl::setSkinAnchor(int32_t kind, int32_t skinAnchor) {
    for (int32_t i = 0; i < skinCount; ++i)
        if (kind == -1 || skinKinds[i] == static_cast<uint32_t>(kind)) skins[i].anchor = skinAnchor;
}

void MenuControl::setTextId(int32_t newId) { setTextId(newId, 0); }

void MenuControl::setTextId(int32_t newId, int32_t param) {
    textId = newId;
    textParam = param;
    layout();
}

void MenuControl::setText(const uint16_t* chars, int32_t length) {
    if (length < 0) {
        length = 0;
        while (chars && chars[length]) ++length;
    }
    if (!chars) length = 0;
    if (length + 1 > textCapacity) {
        const int32_t capacity = (length + 1 + kTextCapacityStep - 1) / kTextCapacityStep *
                                 kTextCapacityStep;
        delete[] text;
        text = new uint16_t[capacity];
        textCapacity = capacity;
    }
    if (length > 0) std::memcpy(text, chars, sizeof(uint16_t) * length);
    text[length] = 0;
    textLength = length;
    layout();
}

void MenuControl::setTextUtf8(const char* utf8) {
    uint16_t buffer[kStringBufferChars];
    const int32_t n = utf8 ? decodeUtf8(utf8, buffer, kStringBufferChars) : 0;
    setText(buffer, n);
}

const uint16_t* MenuControl::shownText(int32_t* length) const {
    if (text) {
        *length = textLength;
        return text;
    }
    if (textId < 0) {
        *length = 0;
        return nullptr;
    }
    int n = 0;
    const uint16_t* chars = getText(textId, textParam, &n);
    *length = n;
    return chars;
}

void MenuControl::setTextAnchor(int32_t a) { textAnchor = a; }
void MenuControl::setTextColours(uint32_t c1, uint32_t c2) {
    textColour = c1;
    textColour2 = c2;
}
void MenuControl::setWrapWidth(int32_t w) {
    wrapWidth = w;
    if (w != 0) layout();
}
void MenuControl::setTextFlags(int32_t v) { textFlags = v; }
void MenuControl::clearTextFlags() { textFlags = -1; }
void MenuControl::setFont(int32_t f) {
    font = f;
    layout();
}
void MenuControl::setFontByIndex(int32_t i) {
    font = i;
    layout();
}
void MenuControl::setLayer(int32_t n) { layer = clampInt(n, 0, kMenuLayers - 1); }
void MenuControl::setAnchor(int32_t a) {
    anchor = a;
    layout();
}
void MenuControl::setUserData(int32_t v) { userData = v; }
void MenuControl::setSelection(MenuSelIface* s) {
    if (s) selection = s;
}

Sprite* MenuControl::fontSprite() const { return menu ? menuFontSprite(menu, font) : nullptr; }
Graphics* MenuControl::graphics() const { return menu ? menu->graphics : nullptr; }

void MenuControl::paintSkin(int32_t index) const {
    Graphics* g = graphics();
    if (!g || !hasSkin(index)) return;
    const SkinEntry& s = skins[index];
    int32_t px = x, py = y, a = kAnchorTopLeft;
    if (s.anchor != 0) {
        a = s.anchor;
        if (a & kAnchorHCenter) px += width / 2;
        else if (a & kAnchorRight) px += width;
        if (a & kAnchorVCenter) py += height / 2;
        else if (a & kAnchorBottom) py += height;
    }
    paintFrame(s.sprite, g, px, py, s.frame, 0, a, 0);
}

void MenuControl::paintSkinTurned(int32_t index, float angle) const {
    Graphics* g = graphics();
    if (!g || !hasSkin(index)) return;
    const SkinEntry& s = skins[index];
    paintFrameEx(s.sprite, g, x, y, s.frame, 0, kAnchorTopLeft, 0, 1.0f, angle, kAnchorCenter,
                 1.0f);
}

int32_t MenuControl::textWidth() const {
    Sprite* f = fontSprite();
    int32_t length = 0;
    const uint16_t* chars = shownText(&length);
    if (!f || !chars || length <= 0) return 0;
    return stringWidth(f, chars, 0, length);
}

void MenuControl::paintText() const {
    Graphics* g = graphics();
    Sprite* f = fontSprite();
    int32_t length = 0;
    const uint16_t* shown = shownText(&length);
    if (!g || !f || !shown || length <= 0) return;
    // The lookup buffer is shared: keep a copy while drawing.
    uint16_t chars[kStringBufferChars];
    if (length > kStringBufferChars) length = kStringBufferChars;
    std::memcpy(chars, shown, sizeof(uint16_t) * length);

    int32_t px = x, py = y;
    if (textAnchor & kAnchorHCenter) px += width / 2;
    else if (textAnchor & kAnchorRight) px += width;
    if (textAnchor & kAnchorVCenter) py += height / 2;
    else if (textAnchor & kAnchorBottom) py += height;

    if (wrapWidth <= 0) {
        drawChars(f, g, chars, 0, length, px, py, 0, textAnchor, -1);
        return;
    }
    // Wrapped: line under line, each placed horizontally by the text anchor.
    int32_t lines = 0;
    for (int32_t start = 0; start < length && lines < 256; ++lines) {
        int next = start;
        wrapLine(f, chars, start, length, wrapWidth, &next);
        if (next <= start) break;
        start = next;
    }
    const int32_t lh = lineHeight(f);
    int32_t top = py;
    if (textAnchor & kAnchorVCenter) top = py - lines * lh / 2;
    else if (textAnchor & kAnchorBottom) top = py - lines * lh;
    const int32_t lineAnchor = (textAnchor & (kAnchorHCenter | kAnchorLeft | kAnchorRight)) | kAnchorTop;
    int32_t start = 0;
    for (int32_t i = 0; i < lines; ++i) {
        int next = start;
        const int end = wrapLine(f, chars, start, length, wrapWidth, &next);
        drawChars(f, g, chars, start, end - start, px, top + i * lh, 0,
                  lineAnchor == kAnchorTop ? kAnchorTopLeft : lineAnchor, -1);
        start = next;
    }
}

// ---- MenuButton ------------------------------------------------------------------------------

MenuButton::MenuButton(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kButtonKinds, countOf(kButtonKinds));
    textAnchor = kAnchorCenter;
}

void MenuButton::paint() {
    if (!visible) return;
    paintSkin(kBackground);
    paintSkin(stateSkin());
    paintText();
    if (highlighted) paintSkin(kFocus);
}

int32_t MenuButton::stateSkin() const {
    int32_t state = kNormal;
    if (blocked) state = kDisabled;
    else if (pressState == kButtonPressedInside) state = kPressed;
    return hasSkin(state) ? state : kNormal;
}

void MenuButton::touchDown(int32_t, int32_t) {
    if (blocked) return;
    pressState = kButtonPressedInside;
}

void MenuButton::touchMove(int32_t px, int32_t py) {
    if (pressState == kButtonIdle) return;
    pressState = MenuControl::hitTest(px, py) == this ? kButtonPressedInside : kButtonPressedOutside;
}

void MenuButton::touchUp(int32_t, int32_t) {
    const bool click = pressState == kButtonPressedInside && !blocked;
    pressState = kButtonIdle;
    if (click) {
        sendEvent(this, this, kEventClicked, 0);
        if (selection) selection->select(this);
    }
}

void MenuButton::layout() { MenuControl::layout(); }

void MenuButton::refresh() {
    pressState = kButtonIdle;
    sendEvent(this, this, kEventButtonRefresh, 0);
}

// ---- MenuLabel -------------------------------------------------------------------------------

MenuLabel::MenuLabel(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {}

void MenuLabel::paint() {
    if (visible) paintText();
}
void MenuLabel::touchDown(int32_t, int32_t) {}
void MenuLabel::touchMove(int32_t, int32_t) {}
void MenuLabel::touchUp(int32_t, int32_t) {}

// ---- MenuImage -------------------------------------------------------------------------------

MenuImage::MenuImage(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kImageKinds, countOf(kImageKinds));
}

void MenuImage::paint() {
    if (visible) paintSkin(0);
}

MenuControl* MenuImage::hitTest(int32_t, int32_t) { return nullptr; }
void MenuImage::layout() { MenuControl::layout(); }

// ---- MenuEdit --------------------------------------------------------------------------------

MenuEdit::MenuEdit(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kEditKinds, countOf(kEditKinds));
    textAnchor = kAnchorLeft | kAnchorVCenter;
}

void MenuEdit::paint() {
    if (!visible) return;
    paintSkin(0);
    paintText();
}

void MenuEdit::layout() { MenuControl::layout(); }

void MenuEdit::keyInput(int32_t code) {
    uint16_t chars[kStringBufferChars];
    int32_t n = 0;
    if (text) {
        n = textLength;
        std::memcpy(chars, text, sizeof(uint16_t) * n);
    }
    if (code == 8) {
        if (n > 0) --n;
    } else if (code >= 32 && code <= 0xFFFF && n < maxLength && n < kStringBufferChars) {
        chars[n++] = static_cast<uint16_t>(code);
    } else {
        return;
    }
    setText(chars, n);
}

void MenuEdit::visibilityChanged(bool shown) {
    if (!shown) active = false;
}

void MenuEdit::activityChanged(bool isActive) { active = isActive; }

// ---- MenuSlider ------------------------------------------------------------------------------

MenuSlider::MenuSlider(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kSliderKinds, countOf(kSliderKinds));
}

void MenuSlider::layout() {
    const int32_t iconWidth = hasSkin(kIcon) ? skins[kIcon].frameWidth : 0;
    const int32_t gap = requestedGap >= 0 ? requestedGap : iconWidth * 20 / 100;
    trackLength = requestedTrackLength >= 0 ? requestedTrackLength
                                            : (hasSkin(kTrack) ? skins[kTrack].frameWidth : 0);
    trackStart = iconWidth + gap;
    int32_t w = trackStart + trackLength;
    int32_t h = hasSkin(kKnob) ? skins[kKnob].frameHeight : 0;
    if (requestedWidth > 0) w = requestedWidth;
    if (requestedHeight > 0) h = requestedHeight;
    int32_t px = refX, py = refY;
    Graphics::resolveAnchor(&px, &py, w, h, anchor == 0 ? kAnchorTopLeft : anchor);
    x = static_cast<int16_t>(px);
    y = static_cast<int16_t>(py);
    width = static_cast<int16_t>(w);
    height = static_cast<int16_t>(h);
}

void MenuSlider::setTrackLength(int32_t length) {
    requestedTrackLength = length;
    layout();
}

void MenuSlider::setGap(int32_t gap) {
    requestedGap = gap;
    layout();
}

void MenuSlider::setValue(float v) { value = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void MenuSlider::valueFromTouch(int32_t px) {
    float v = 0.0f;
    if (trackLength >= 1) {
        const int32_t along = clampInt(px - (x + trackStart), 0, trackLength);
        v = static_cast<float>(along) / static_cast<float>(trackLength);
    }
    if (v != value) {
        value = v;
        sendEvent(this, this, kEventSliderDragged, floatParam(value));
    }
}

void MenuSlider::touchDown(int32_t px, int32_t) {
    if (!blocked) valueFromTouch(px);
}
void MenuSlider::touchMove(int32_t px, int32_t) {
    if (!blocked) valueFromTouch(px);
}
void MenuSlider::touchUp(int32_t, int32_t) {
    if (!blocked) sendEvent(this, this, kEventSliderReleased, floatParam(value));
}

void MenuSlider::refresh() { sendEvent(this, this, kEventSliderRefresh, 0); }

void MenuSlider::paint() {
    Graphics* g = graphics();
    if (!visible || !g) return;
    const int32_t middle = y + height / 2;
    if (hasSkin(kTrack))
        paintFrame(skins[kTrack].sprite, g, x + trackStart + trackLength / 2, middle,
                   skins[kTrack].frame, 0, kAnchorCenter, 0);
    if (hasSkin(kIcon))
        paintFrame(skins[kIcon].sprite, g, x, middle, skins[kIcon].frame, 0,
                   kAnchorLeft | kAnchorVCenter, 0);
    if (hasSkin(kKnob))
        paintFrame(skins[kKnob].sprite, g,
                   x + trackStart + static_cast<int32_t>(value * static_cast<float>(trackLength)),
                   middle, skins[kKnob].frame, 0, kAnchorCenter, 0);
}

// ---- MenuCheckbox ----------------------------------------------------------------------------

MenuCheckbox::MenuCheckbox(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kCheckboxKinds, countOf(kCheckboxKinds));
    textAnchor = kAnchorRight | kAnchorVCenter;
}

void MenuCheckbox::naturalSize(int32_t* w, int32_t* h) {
    *w = skins[0].frameWidth + textWidth();
    *h = skins[0].frameHeight;
}

void MenuCheckbox::layout() { MenuControl::layout(); }

void MenuCheckbox::setChecked(bool on) {
    checkState = on ? kCheckCheckedIdle : kCheckUncheckedIdle;
}

void MenuCheckbox::paint() {
    Graphics* g = graphics();
    if (!visible || !g) return;
    // The box at the left, the text after it.
    const int32_t box = checked() ? 1 : 0;
    if (hasSkin(box))
        paintFrame(skins[box].sprite, g, x, y + height / 2, skins[box].frame, 0,
                   kAnchorLeft | kAnchorVCenter, 0);
    paintText();
}

void MenuCheckbox::touchDown(int32_t, int32_t) {
    if (blocked) return;
    checkState = checkState <= kCheckUncheckedOutside ? kCheckUncheckedInside : kCheckCheckedInside;
}

void MenuCheckbox::touchMove(int32_t px, int32_t py) {
    if (checkState == kCheckUncheckedIdle || checkState == kCheckCheckedIdle) return;
    const bool inside = MenuControl::hitTest(px, py) == this;
    if (checkState <= kCheckUncheckedOutside)
        checkState = inside ? kCheckUncheckedInside : kCheckUncheckedOutside;
    else
        checkState = inside ? kCheckCheckedInside : kCheckCheckedOutside;
}

void MenuCheckbox::touchUp(int32_t, int32_t) {
    const bool before = checked();
    switch (checkState) {
        case kCheckUncheckedIdle:
        case kCheckUncheckedInside:
        case kCheckCheckedOutside:
            checkState = kCheckCheckedIdle;
            break;
        default:
            checkState = kCheckUncheckedIdle;
            break;
    }
    // An idle box got no press: the release of someone else's touch changes nothing.
    if (checked() != before) sendEvent(this, this, kEventCheckboxChanged, checked() ? 1 : 0);
}

void MenuCheckbox::refresh() { sendEvent(this, this, kEventCheckboxRefresh, 0); }

// ---- MenuTab ---------------------------------------------------------------------------------

MenuTab::MenuTab(MenuContext* m, MenuControl* p, uint32_t i) : MenuControl(m, p, i) {
    useSkinKinds(kTabKinds, countOf(kTabKinds));
    textAnchor = kAnchorCenter;
}

void MenuTab::paint() {
    if (!visible) return;
    paintSkin(highlighted && hasSkin(1) ? 1 : 0);
    paintText();
}

void MenuTab::touchDown(int32_t, int32_t) {
    if (blocked) return;
    if (auto* box = dynamic_cast<MenuContainer*>(parent)) box->selectOnly(this);
    else setSelected(true);
    sendEvent(this, this, kEventTabChosen, static_cast<int32_t>(id));
}

void MenuTab::layout() { MenuControl::layout(); }
void MenuTab::setGroup(int32_t g) { group = g; }
void MenuTab::setIndex(int32_t i) { index = i; }
