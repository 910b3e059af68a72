// The widget tree: press states, checkbox states, blocking, layers, placement, the slider, the
// scroll box, the modal stack, events, keys, texts, the ticker and the fade of the menu context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_context.h"
#include "menu/menu_control.h"
#include "tools/writers/sprite_writer.h"

namespace {

class PaintProbe : public MenuControl {
public:
    PaintProbe(MenuContext* m, MenuControl* p, uint32_t i, std::vector<uint32_t>* log)
        : MenuControl(m, p, i), log_(log) {}
    void paint() override { log_->push_back(id); }

private:
    std::vector<uint32_t>* log_;
};

struct Received {
    uint32_t id;
    int32_t type, param;
};

// A 480 x 320 screen whose events end here, and "/box.spr": frames 0-3 40 x 40, 4 60 x 30,
// 5 100 x 10, without pictures (sizes and skins work, drawing is empty).
class WidgetTest : public ::testing::Test, public MenuActionEventHandler {
protected:
    void SetUp() override {
        menuContextInit(&menu, this);
        std::vector<std::vector<int>> rects(4, {0, 0, 40, 40});
        rects.push_back({0, 0, 60, 30});
        rects.push_back({0, 0, 100, 10});
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(buildSprite(gridSprite(rects), &bytes, nullptr));
        uint8_t* data = new uint8_t[bytes.size()];
        std::copy(bytes.begin(), bytes.end(), data);
        menuCacheSprite(&menu, "/box.spr", parseSprite(data, bytes.size()));
        screen = new MenuMenu(&menu, nullptr, 0);
        screen->setSize(480, 320);
        menu.screen = screen;
    }
    void TearDown() override {
        delete screen;
        menuContextRelease(&menu);
    }
    bool onAction(MenuControl* source, int32_t type, int32_t param) override {
        if (type != kEventMenuTick) events.push_back({source ? source->id : 999u, type, param});
        return true;
    }
    template <typename Control>
    Control* add(uint32_t id, int x, int y, MenuContainer* parent = nullptr) {
        if (!parent) parent = screen;
        Control* c = new Control(&menu, parent, id);
        parent->add(c);
        c->setPosition(x, y);
        return c;
    }
    MenuButton* button(uint32_t id, int x, int y) {
        MenuButton* b = add<MenuButton>(id, x, y);
        b->setSkin(kSkinButtonNormal, "/box.spr", 0);
        return b;
    }
    // One frame of the menu after the finger's 'p'ress, 'm'ove or 'r'elease at (x, y), or 't' a
    // press and release within the frame.
    void finger(char action, int x, int y) {
        if (action == 'p' || action == 't') menuFingerPress(&menu, x, y);
        if (action == 'm') menuFingerMove(&menu, x, y);
        if (action == 'r' || action == 't') menuFingerRelease(&menu, x, y);
        menuContextTick(&menu, 16);
    }
    int count(int32_t type) const {
        int n = 0;
        for (const Received& e : events) n += e.type == type;
        return n;
    }

    std::vector<Received> events;
    MenuContext menu;
    MenuMenu* screen = nullptr;
};

// The finger's way over a 40 x 40 control at (100, 100), a frame per step: 'p'ress, 'm'ove,
// 'r'elease, or 't' a press and release within one frame, inside or outside the control; then
// the control's state and the clicks or checkbox changes so far.
struct Step {
    char action;
    bool inside;
    int32_t state;
    int events;
};
struct TouchCase {
    const char* name;
    bool checkbox, checked, enabled;
    std::vector<Step> steps;
};

class Touches : public WidgetTest, public ::testing::WithParamInterface<TouchCase> {};

TEST_P(Touches, StatesAndEventsFollowTheFinger) {
    const TouchCase& c = GetParam();
    MenuButton* b = c.checkbox ? nullptr : button(7, 100, 100);
    MenuCheckbox* box = c.checkbox ? add<MenuCheckbox>(7, 100, 100) : nullptr;
    if (box) {
        box->setSkin(kSkinCheckboxOff, "/box.spr", 0);
        box->setSkin(kSkinCheckboxOn, "/box.spr", 1);
        box->setChecked(c.checked);
    }
    MenuControl* control = b ? static_cast<MenuControl*>(b) : box;
    ASSERT_EQ(control->width, 40);
    control->setEnabled(c.enabled);
    for (const Step& s : c.steps) {
        const int at = s.inside ? 110 : 300;
        SCOPED_TRACE(std::string(1, s.action) + (s.inside ? " inside" : " outside"));
        finger(s.action, at, at);
        EXPECT_EQ(b ? b->pressState : box->checkState, s.state);
        EXPECT_EQ(count(b ? kEventClicked : kEventCheckboxChanged), s.events);
        if (s.events > 0) {
            EXPECT_EQ(events.back().id, 7u);
            EXPECT_EQ(events.back().param, box && box->checked() ? 1 : 0);
        }
    }
    EXPECT_EQ(b && b->highlighted, b && count(kEventClicked) > 0);  // a click selects it
}

const int32_t kIn = kButtonPressedInside, kOut = kButtonPressedOutside, kIdle = kButtonIdle;

INSTANTIATE_TEST_SUITE_P(
    Widgets, Touches,
    ::testing::Values(
        TouchCase{"ButtonDraggedOutSendsNothing", false, false, true,
                  {{'p', true, kIn, 0}, {'m', false, kOut, 0}, {'r', false, kIdle, 0}}},
        TouchCase{"ButtonDraggedBackClicks", false, false, true,
                  {{'p', true, kIn, 0}, {'m', false, kOut, 0}, {'m', true, kIn, 0},
                   {'r', true, kIdle, 1}}},
        TouchCase{"TapWithinOneFrameClicks", false, false, true, {{'t', true, kIdle, 1}}},
        TouchCase{"BlockedButtonIgnoresTouches", false, false, false,
                  {{'p', true, kIdle, 0}, {'r', true, kIdle, 0}}},
        TouchCase{"CheckedBoxDraggedOutStays", true, true, true,
                  {{'p', true, kCheckCheckedInside, 0}, {'m', false, kCheckCheckedOutside, 0},
                   {'r', false, kCheckCheckedIdle, 0}}},
        TouchCase{"BoxTapsToggle", true, true, true,
                  {{'p', true, kCheckCheckedInside, 0}, {'r', true, kCheckUncheckedIdle, 1},
                   {'p', true, kCheckUncheckedInside, 1}, {'m', false, kCheckUncheckedOutside, 1},
                   {'m', true, kCheckUncheckedInside, 1}, {'r', true, kCheckCheckedIdle, 2}}}),
    [](const ::testing::TestParamInfo<TouchCase>& param) { return param.param.name; });

TEST_F(WidgetTest, BlockingKeepsTheControlsOwnBitAndPaintsTheDisabledSkin) {
    MenuContainer* group = add<MenuContainer>(50, 0, 0);
    group->setSize(480, 320);
    MenuButton* b = add<MenuButton>(8, 100, 100, group);
    b->setSkin(kSkinButtonNormal, "/box.spr", 0);
    b->setSkin(kSkinButtonPressed, "/box.spr", 1);
    b->setEnabled(false);
    EXPECT_EQ(b->stateSkin(), 0);  // no disabled skin: the normal one
    b->setSkin(kSkinButtonDisabled, "/box.spr", 3);
    EXPECT_EQ(b->stateSkin(), 3);
    group->setEnabled(false);
    EXPECT_EQ(b->blocked, kBlockedSelf | kBlockedParent);
    group->setEnabled(true);
    EXPECT_EQ(b->blocked, kBlockedSelf);  // its own bit stays
    b->setEnabled(true);
    group->setEnabled(false);
    EXPECT_EQ(b->blocked, kBlockedParent);
    group->setEnabled(true);
    EXPECT_EQ(b->blocked, 0u);
    finger('p', 110, 110);
    EXPECT_EQ(b->stateSkin(), 1);
}

TEST_F(WidgetTest, LayersPaintLowestFirstThenInOrderOfAdding) {
    std::vector<uint32_t> log;
    const int32_t layers[] = {3, 0, 2, 0};
    for (uint32_t i = 0; i < 4; ++i) {
        PaintProbe* p = new PaintProbe(&menu, screen, 10 + i, &log);
        screen->add(p);
        p->setLayer(layers[i]);
    }
    screen->paint();
    EXPECT_EQ(log, (std::vector<uint32_t>{11, 13, 12, 10}));
    log.clear();
    screen->children[1]->setVisible(false);
    screen->paint();
    EXPECT_EQ(log, (std::vector<uint32_t>{13, 12, 10}));
}

TEST_F(WidgetTest, PlacementAnchorsMarginsAndNestedTouches) {
    MenuButton* b = button(1, 0, 0);
    b->setAnchor(kAnchorBottom | kAnchorHCenter);
    b->setPosition(48, 310);
    EXPECT_EQ(b->x, 28);
    EXPECT_EQ(b->y, 270);
    b->setSize(100, 20);  // the requested size wins over the skin's
    EXPECT_EQ(b->x, -2);
    EXPECT_EQ(b->y, 290);

    MenuButton* m = button(2, 100, 100);
    EXPECT_EQ(m->hitTest(85, 85), nullptr);
    m->setMargins(15);
    EXPECT_EQ(m->hitTest(85, 85), m);
    EXPECT_EQ(m->hitTest(155, 155), m);
    EXPECT_EQ(m->hitTest(156, 120), nullptr);

    MenuContainer* group = add<MenuContainer>(60, 100, 50);
    group->setSize(200, 200);
    add<MenuButton>(3, 0, 0, group)->setSize(100, 100);
    MenuButton* over = add<MenuButton>(4, 0, 0, group);
    over->setSize(50, 50);
    EXPECT_EQ(screen->hitTest(120, 60), over);  // the later child wins
    EXPECT_EQ(screen->hitTest(180, 120)->id, 3u);
    int32_t x = 120, y = 60;
    over->screenToParent(&x, &y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 10);
}

TEST_F(WidgetTest, SliderFollowsTheFingerAndReportsOnRelease) {
    MenuSlider* s = add<MenuSlider>(1, 0, 0);
    s->setSkin(kSkinSliderTrack, "/box.spr", 5);  // 100 wide
    s->setSkin(kSkinSliderIcon, "/box.spr", 0);   // 40 wide: gap 8
    s->setSkin(kSkinSliderKnob, "/box.spr", 4);   // 30 high
    s->setPosition(0, 0);
    EXPECT_EQ(s->trackStart, 48);
    EXPECT_EQ(s->width, 148);
    EXPECT_EQ(s->height, 30);
    finger('p', 98, 10);
    EXPECT_FLOAT_EQ(s->value, 0.5f);
    finger('m', 400, 10);  // clamped to the end
    EXPECT_FLOAT_EQ(s->value, 1.0f);
    finger('r', 400, 10);
    ASSERT_EQ(count(kEventSliderReleased), 1);
    EXPECT_FLOAT_EQ(paramFloat(events.back().param), 1.0f);
    EXPECT_EQ(count(kEventSliderDragged), 2);
}

TEST_F(WidgetTest, ScrollBoxClampsItsContentAndShowsTheIndicators) {
    ScrollBox* box = add<ScrollBox>(70, 0, 0);
    box->setSize(480, 320);
    ScrollCont* content = new ScrollCont(&menu, box, 71);
    content->setSize(480, 1680);
    box->setContent(content);
    MenuImage* up = add<MenuImage>(72, 0, 0);
    MenuImage* down = add<MenuImage>(73, 0, 0);
    box->setIndicator(kIndicatorUp, up);
    box->setIndicator(kIndicatorDown, down);
    EXPECT_FALSE(up->visible);
    EXPECT_TRUE(down->visible);
    finger('p', 200, 300);
    finger('m', 200, 100);
    EXPECT_EQ(content->y, -200);
    EXPECT_TRUE(up->visible && down->visible);
    finger('m', 200, -5000);
    EXPECT_EQ(content->y, 320 - 1680);
    EXPECT_FALSE(down->visible);
    EXPECT_EQ(down->blocked & kBlockedSelf, kBlockedSelf);
    finger('m', 200, 4000);
    EXPECT_EQ(content->y, 0);
    EXPECT_EQ(content->x, 0);  // no horizontal room: stays
    finger('r', 200, 4000);
    EXPECT_FALSE(box->dragging);
}

TEST_F(WidgetTest, ModalStackPopsWhatWasPushedAfterAndTakesTheTouches) {
    button(1, 0, 0)->setSize(480, 320);
    MenuContainer* a = add<MenuContainer>(80, 100, 100);
    MenuContainer* b = add<MenuContainer>(81, 0, 0);
    MenuContainer* c = add<MenuContainer>(82, 0, 0);
    a->setSize(200, 100);
    add<MenuButton>(2, 0, 0, a)->setSize(50, 50);
    a->pushModal();
    b->pushModal();
    c->pushModal();
    EXPECT_EQ(menuTopModal(&menu), c);
    b->popModal();
    EXPECT_EQ(menu.modalCount, 1);
    EXPECT_EQ(menuTopModal(&menu), a);
    finger('t', 10, 10);  // outside the dialog: nothing
    EXPECT_EQ(count(kEventClicked), 0);
    finger('t', 110, 110);
    ASSERT_EQ(count(kEventClicked), 1);
    EXPECT_EQ(events.back().id, 2u);
    a->popModal();
    EXPECT_EQ(menuTopModal(&menu), nullptr);
    for (int i = 0; i < kModalStackSize + 3; ++i) a->pushModal();
    EXPECT_EQ(menu.modalCount, kModalStackSize);
    a->popModal();
    EXPECT_EQ(menu.modalCount, 0);
}

TEST_F(WidgetTest, EventsBubbleUpUntilOneIsHandledAndKeysRaiseTheirEvents) {
    class Catcher : public MenuContainer {
    public:
        using MenuContainer::MenuContainer;
        bool onAction(MenuControl*, int32_t type, int32_t) override {
            ++caught;
            return type == kEventClicked;
        }
        int caught = 0;
    };
    Catcher* group = new Catcher(&menu, screen, 40);
    screen->add(group);
    MenuButton* b = add<MenuButton>(4, 0, 0, group);
    sendEvent(b, b, kEventClicked, 0);
    sendEvent(b, b, kEventButtonRefresh, 0);
    EXPECT_EQ(group->caught, 2);
    ASSERT_EQ(events.size(), 1u);  // only the refresh reached the handler
    EXPECT_EQ(events[0].type, kEventButtonRefresh);

    events.clear();
    MenuKeyboard* keys = add<MenuKeyboard>(30, 0, 0);
    for (uint32_t i = 0; i < 38; ++i) keys->add(new MenuButton(&menu, keys, i));
    const struct {
        int32_t code, type, param;
    } kKeys[] = {{'c', kEventKeyLetter, 'C'},
                 {'7', kEventKeyDigit, 7},
                 {8, kEventKeyBackspace, 0},
                 {' ', kEventKeySpace, 0}};
    for (const auto& k : kKeys) {
        keys->keyInput(k.code);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().type, k.type) << k.code;
        EXPECT_EQ(events.back().param, k.param) << k.code;
    }
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(WidgetTest, TextsGrowInStepsAndUnknownSkinKindsAreIgnored) {
    MenuLabel* label = add<MenuLabel>(1, 0, 0);
    label->setTextUtf8("hello");
    EXPECT_EQ(label->textLength, 5);
    EXPECT_EQ(label->textCapacity, 32);
    label->setTextUtf8(std::string(40, 'x').c_str());
    EXPECT_EQ(label->textCapacity, 64);
    int32_t n = 0;
    EXPECT_EQ(label->shownText(&n)[39], 'x');
    EXPECT_EQ(n, 40);
    label->setSkin(kSkinButtonNormal, "/box.spr", 0);  // a label has no skins
    EXPECT_EQ(label->skinCount, 0);
    EXPECT_EQ(label->width, 0);
}

TEST_F(WidgetTest, AchievementTickerSlidesInHoldsAndSlidesOut) {
    static int32_t queue[2] = {5, -1};
    static int taken = 0;
    taken = 0;
    MenuContainer overlay(&menu, nullptr, 1);
    AchievTicker* ticker = new AchievTicker(&menu, &overlay, 2);
    overlay.add(ticker);
    ticker->nextUnlock = [] { return taken < 2 ? queue[taken++] : -1; };
    overlay.tick(16);
    EXPECT_TRUE(ticker->visible);
    EXPECT_EQ(ticker->x, -ticker->width);
    EXPECT_EQ(ticker->label->textParam, 5);
    overlay.tick(250);  // half way in
    EXPECT_EQ(ticker->x, -ticker->width / 2);
    overlay.tick(1000);
    EXPECT_EQ(ticker->x, 0);
    overlay.tick(2500);  // 3.75 s: half way out
    EXPECT_EQ(ticker->x, -ticker->width / 2);
    // While it shows, a tap under it still reaches the screen.
    menu.overlay = &overlay;
    button(9, 0, 0);
    finger('t', 10, 10);
    menu.overlay = nullptr;
    EXPECT_EQ(count(kEventClicked), 1);
    overlay.tick(300 - 32);
    EXPECT_FALSE(ticker->visible);
    overlay.tick(16);  // the queue is empty now
    EXPECT_FALSE(ticker->visible);
}

TEST_F(WidgetTest, ScreensChangeThroughBlackAndAnInterruptedFadeInGoesBackOut) {
    MenuMenu other(&menu, nullptr, 4);
    MenuMenu third(&menu, nullptr, 7);
    button(1, 0, 0)->setSize(480, 320);
    menuFadeToScreen(&menu, &other);
    menuContextTick(&menu, 100);
    EXPECT_EQ(menu.transition, kTransitionOut);
    EXPECT_EQ(menu.fadeValue, 170);
    finger('p', 10, 10);  // ignored: a fade runs
    finger('r', 10, 10);
    EXPECT_EQ(count(kEventClicked), 0);
    EXPECT_EQ(menu.screen, screen);  // 132 ms
    menuContextTick(&menu, 18);
    EXPECT_EQ(menu.screen, &other);
    EXPECT_EQ(menu.transition, kTransitionIn);
    ASSERT_EQ(count(kEventScreenShown), 1);
    menuContextTick(&menu, 75);
    EXPECT_EQ(menu.fadeValue, 127);
    menuFadeToScreen(&menu, &third);
    menuContextTick(&menu, 0);
    EXPECT_EQ(menu.transition, kTransitionOut);
    EXPECT_NEAR(menu.fadeValue, 127, 2);  // no jump to clear
    menuContextTick(&menu, 74);
    EXPECT_EQ(menu.screen, &other);
    menuContextTick(&menu, 2);
    EXPECT_EQ(menu.screen, &third);
    menuContextTick(&menu, 150);
    EXPECT_EQ(menu.transition, kTransitionIdle);
    EXPECT_EQ(menu.fadeValue, 0);
    menuSetScreen(&menu, screen);
}

TEST(MenuBackground, CameraCirclesAsGiven) {
    const MenuCamera at0 = menuBackgroundCamera(0.0f);
    EXPECT_FLOAT_EQ(at0.eye[0], 10.0f);
    EXPECT_FLOAT_EQ(at0.eye[1], 4.0f);
    EXPECT_FLOAT_EQ(at0.target[1], 14.0f);
    EXPECT_FLOAT_EQ(at0.target[2], 1.0f);
    const MenuCamera at8 = menuBackgroundCamera(8000.0f);
    EXPECT_NEAR(at8.eye[0], -10.0f, 1e-4);
    EXPECT_FLOAT_EQ(at8.fieldOfView, 75.0f);
    EXPECT_FLOAT_EQ(at8.up[2], 1.0f);
}

}  // namespace
