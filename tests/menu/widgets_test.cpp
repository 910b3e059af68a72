// The widget tree: press states, checkbox states, layers, margins, the scroll box, the modal
// stack and the touch dispatch of the menu context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_context.h"
#include "menu/menu_control.h"
#include "tools/writers/sprite_writer.h"

namespace {

struct Received {
    uint32_t id;
    int32_t type;
    int32_t param;
};

class Recorder : public MenuActionEventHandler {
public:
    bool onAction(MenuControl* source, int32_t type, int32_t param) override {
        if (type != kEventMenuTick) events.push_back({source ? source->id : 999u, type, param});
        return true;
    }
    std::vector<Received> events;
};

// A sprite of frames of the given sizes, without pictures: sizes and skins work, drawing is empty.
Sprite* boxSprite(const std::vector<std::vector<int>>& sizes) {
    std::vector<std::vector<int>> rects;
    for (const auto& s : sizes) rects.push_back({0, 0, s[0], s[1]});
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(buildSprite(gridSprite(rects), &bytes, &error)) << error;
    uint8_t* data = new uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    return parseSprite(data, bytes.size());
}

class PaintProbe : public MenuControl {
public:
    PaintProbe(MenuContext* m, MenuControl* p, uint32_t i, std::vector<uint32_t>* log)
        : MenuControl(m, p, i), log_(log) {}
    void paint() override { log_->push_back(id); }

private:
    std::vector<uint32_t>* log_;
};

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        menuContextInit(&menu, &recorder);
        sprite = boxSprite({{40, 40}, {40, 40}, {40, 40}, {40, 40}, {60, 30}, {100, 10}});
        menuCacheSprite(&menu, "/box.spr", sprite);
        screen = new MenuMenu(&menu, nullptr, 0);
        screen->setSize(480, 320);
        menu.screen = screen;
    }
    void TearDown() override {
        delete screen;
        menuContextRelease(&menu);
    }
    MenuButton* button(uint32_t id, int x, int y) {
        MenuButton* b = new MenuButton(&menu, screen, id);
        screen->add(b);
        b->setSkin(kSkinButtonNormal, "/box.spr", 0);
        b->setPosition(x, y);
        return b;
    }
    // One frame of the menu with the finger as given.
    void press(int x, int y) {
        menuFingerPress(&menu, x, y);
        menuContextTick(&menu, 16);
    }
    void move(int x, int y) {
        menuFingerMove(&menu, x, y);
        menuContextTick(&menu, 16);
    }
    void release(int x, int y) {
        menuFingerRelease(&menu, x, y);
        menuContextTick(&menu, 16);
    }
    int count(int32_t type) const {
        int n = 0;
        for (const Received& e : recorder.events) n += e.type == type;
        return n;
    }

    Recorder recorder;
    MenuContext menu;
    Sprite* sprite = nullptr;
    MenuMenu* screen = nullptr;
};

TEST_F(WidgetTest, ButtonDraggedOutAndReleasedSendsNothingDraggedBackSendsClick) {
    MenuButton* b = button(7, 100, 100);
    ASSERT_EQ(b->width, 40);
    press(110, 110);
    EXPECT_EQ(b->pressState, kButtonPressedInside);
    move(300, 300);
    EXPECT_EQ(b->pressState, kButtonPressedOutside);
    release(300, 300);
    EXPECT_EQ(count(kEventClicked), 0);
    EXPECT_EQ(b->pressState, kButtonIdle);

    press(110, 110);
    move(300, 300);
    move(120, 120);
    EXPECT_EQ(b->pressState, kButtonPressedInside);
    release(120, 120);
    ASSERT_EQ(count(kEventClicked), 1);
    EXPECT_EQ(recorder.events.back().id, 7u);
    EXPECT_TRUE(b->highlighted);  // the click selects it
}

TEST_F(WidgetTest, TapWithinOneFrameStillClicks) {
    button(3, 0, 0);
    menuFingerPress(&menu, 10, 10);
    menuFingerRelease(&menu, 10, 10);
    menuContextTick(&menu, 16);
    EXPECT_EQ(count(kEventClicked), 1);
}

TEST_F(WidgetTest, BlockedButtonPaintsDisabledSkinOrNormalAndIgnoresTouches) {
    MenuButton* b = button(5, 100, 100);
    b->setSkin(kSkinButtonPressed, "/box.spr", 1);
    b->setEnabled(false);
    EXPECT_EQ(b->stateSkin(), 0);  // no disabled skin: the normal one
    b->setSkin(kSkinButtonDisabled, "/box.spr", 3);
    EXPECT_EQ(b->stateSkin(), 3);
    press(110, 110);
    release(110, 110);
    EXPECT_EQ(count(kEventClicked), 0);
    EXPECT_EQ(b->pressState, kButtonIdle);

    b->setEnabled(true);
    press(110, 110);
    EXPECT_EQ(b->stateSkin(), 1);
    release(110, 110);
    EXPECT_EQ(count(kEventClicked), 1);
}

TEST_F(WidgetTest, DisablingAContainerBlocksItsChildrenUntilEnabledAgain) {
    MenuContainer* group = new MenuContainer(&menu, screen, 50);
    screen->add(group);
    group->setSize(480, 320);
    MenuButton* b = new MenuButton(&menu, group, 8);
    group->add(b);
    b->setSize(40, 40);
    group->setEnabled(false);
    EXPECT_EQ(b->blocked, kBlockedParent);
    b->setEnabled(false);
    group->setEnabled(true);
    EXPECT_EQ(b->blocked, kBlockedSelf);  // its own bit stays
    b->setEnabled(true);
    EXPECT_EQ(b->blocked, 0u);
}

TEST_F(WidgetTest, CheckedCheckboxReleasedInsideUnchecksReleasedOutsideStays) {
    MenuCheckbox* c = new MenuCheckbox(&menu, screen, 18);
    screen->add(c);
    c->setSkin(kSkinCheckboxOff, "/box.spr", 0);
    c->setSkin(kSkinCheckboxOn, "/box.spr", 1);
    c->setPosition(50, 50);
    c->setChecked(true);
    ASSERT_EQ(c->width, 40);

    press(60, 60);
    EXPECT_EQ(c->checkState, kCheckCheckedInside);
    move(400, 300);
    EXPECT_EQ(c->checkState, kCheckCheckedOutside);
    release(400, 300);
    EXPECT_TRUE(c->checked());
    EXPECT_EQ(count(kEventCheckboxChanged), 0);

    press(60, 60);
    release(60, 60);
    EXPECT_FALSE(c->checked());
    ASSERT_EQ(count(kEventCheckboxChanged), 1);
    EXPECT_EQ(recorder.events.back().param, 0);

    press(60, 60);
    release(60, 60);
    EXPECT_TRUE(c->checked());
    EXPECT_EQ(recorder.events.back().param, 1);
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

TEST_F(WidgetTest, MarginsWidenTheTouchArea) {
    MenuButton* b = button(1, 100, 100);
    EXPECT_EQ(b->hitTest(85, 85), nullptr);
    b->setMargins(15);
    EXPECT_EQ(b->hitTest(85, 85), b);
    EXPECT_EQ(b->hitTest(155, 155), b);
    EXPECT_EQ(b->hitTest(156, 120), nullptr);
    press(86, 150);
    release(86, 150);
    EXPECT_EQ(count(kEventClicked), 1);
}

TEST_F(WidgetTest, AnchorPlacesTheRectangleOnTheReferencePoint) {
    MenuButton* b = button(1, 0, 0);
    b->setAnchor(kAnchorBottom | kAnchorHCenter);
    b->setPosition(48, 310);
    EXPECT_EQ(b->x, 28);
    EXPECT_EQ(b->y, 270);
    b->setSize(100, 20);  // the requested size wins over the skin's
    EXPECT_EQ(b->x, -2);
    EXPECT_EQ(b->y, 290);
}

TEST_F(WidgetTest, LaterChildWinsTheTouchAndNestedPositionsAreLocal) {
    MenuContainer* group = new MenuContainer(&menu, screen, 60);
    screen->add(group);
    group->setSize(200, 200);
    group->setPosition(100, 50);
    MenuButton* under = new MenuButton(&menu, group, 1);
    group->add(under);
    under->setSize(100, 100);
    MenuButton* over = new MenuButton(&menu, group, 2);
    group->add(over);
    over->setSize(50, 50);
    EXPECT_EQ(screen->hitTest(120, 60), over);
    EXPECT_EQ(screen->hitTest(180, 120), under);
    int32_t x = 120, y = 60;
    over->screenToParent(&x, &y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 10);
}

TEST_F(WidgetTest, SliderFollowsTheFingerAndReportsOnRelease) {
    MenuSlider* s = new MenuSlider(&menu, screen, 1);
    screen->add(s);
    s->setSkin(kSkinSliderTrack, "/box.spr", 5);  // 100 wide
    s->setSkin(kSkinSliderIcon, "/box.spr", 0);   // 40 wide: gap 8
    s->setSkin(kSkinSliderKnob, "/box.spr", 4);   // 30 high
    s->setPosition(0, 0);
    EXPECT_EQ(s->trackStart, 48);
    EXPECT_EQ(s->width, 148);
    EXPECT_EQ(s->height, 30);
    press(98, 10);
    EXPECT_FLOAT_EQ(s->value, 0.5f);
    move(400, 10);  // clamped to the end
    EXPECT_FLOAT_EQ(s->value, 1.0f);
    release(400, 10);
    ASSERT_EQ(count(kEventSliderReleased), 1);
    EXPECT_FLOAT_EQ(paramFloat(recorder.events.back().param), 1.0f);
    EXPECT_EQ(count(kEventSliderDragged), 2);
}

TEST_F(WidgetTest, ScrollBoxClampsItsContentAndShowsTheIndicators) {
    ScrollBox* box = new ScrollBox(&menu, screen, 70);
    screen->add(box);
    box->setSize(480, 320);
    box->setPosition(0, 0);
    ScrollCont* content = new ScrollCont(&menu, box, 71);
    content->setSize(480, 1680);
    box->setContent(content);
    MenuImage* up = new MenuImage(&menu, screen, 72);
    MenuImage* down = new MenuImage(&menu, screen, 73);
    screen->add(up);
    screen->add(down);
    box->setIndicator(kIndicatorUp, up);
    box->setIndicator(kIndicatorDown, down);
    EXPECT_FALSE(up->visible);
    EXPECT_TRUE(down->visible);

    press(200, 300);
    move(200, 100);
    EXPECT_EQ(content->y, -200);
    EXPECT_TRUE(up->visible);
    EXPECT_TRUE(down->visible);
    move(200, -5000);
    EXPECT_EQ(content->y, 320 - 1680);
    EXPECT_FALSE(down->visible);
    EXPECT_EQ(down->blocked & kBlockedSelf, kBlockedSelf);
    move(200, 4000);
    EXPECT_EQ(content->y, 0);
    EXPECT_EQ(content->x, 0);  // no horizontal room: stays
    release(200, 4000);
    EXPECT_FALSE(box->dragging);
}

TEST_F(WidgetTest, ModalStackPopsWhatWasPushedAfter) {
    MenuContainer* a = new MenuContainer(&menu, screen, 80);
    MenuContainer* b = new MenuContainer(&menu, screen, 81);
    MenuContainer* c = new MenuContainer(&menu, screen, 82);
    screen->add(a);
    screen->add(b);
    screen->add(c);
    a->pushModal();
    b->pushModal();
    c->pushModal();
    EXPECT_EQ(menuTopModal(&menu), c);
    b->popModal();
    EXPECT_EQ(menu.modalCount, 1);
    EXPECT_EQ(menuTopModal(&menu), a);
    a->popModal();
    EXPECT_EQ(menuTopModal(&menu), nullptr);
    for (int i = 0; i < kModalStackSize + 3; ++i) a->pushModal();
    EXPECT_EQ(menu.modalCount, kModalStackSize);
    a->popModal();
    EXPECT_EQ(menu.modalCount, 0);
}

TEST_F(WidgetTest, ModalContainerTakesTheTouchesFromTheScreen) {
    MenuButton* behind = button(1, 0, 0);
    behind->setSize(480, 320);
    MenuContainer* dialog = new MenuContainer(&menu, screen, 90);
    screen->add(dialog);
    dialog->setSize(200, 100);
    dialog->setPosition(100, 100);
    MenuButton* ok = new MenuButton(&menu, dialog, 2);
    dialog->add(ok);
    ok->setSize(50, 50);
    dialog->pushModal();
    press(10, 10);
    release(10, 10);
    EXPECT_EQ(count(kEventClicked), 0);
    press(110, 110);
    release(110, 110);
    ASSERT_EQ(count(kEventClicked), 1);
    EXPECT_EQ(recorder.events.back().id, 2u);
}

TEST_F(WidgetTest, EventsBubbleUpUntilOneIsHandled) {
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
    MenuButton* b = new MenuButton(&menu, group, 4);
    group->add(b);
    sendEvent(b, b, kEventClicked, 0);
    sendEvent(b, b, kEventButtonRefresh, 0);
    EXPECT_EQ(group->caught, 2);
    ASSERT_EQ(recorder.events.size(), 1u);  // only the refresh reached the handler
    EXPECT_EQ(recorder.events[0].type, kEventButtonRefresh);
}

TEST_F(WidgetTest, KeyboardKeysRaiseLetterDigitBackspaceAndSpace) {
    MenuKeyboard* keys = new MenuKeyboard(&menu, screen, 30);
    screen->add(keys);
    for (uint32_t i = 0; i < 38; ++i) keys->add(new MenuButton(&menu, keys, i));
    keys->keyInput('c');
    keys->keyInput('7');
    keys->keyInput(8);
    keys->keyInput(' ');
    ASSERT_EQ(recorder.events.size(), 4u);
    EXPECT_EQ(recorder.events[0].type, kEventKeyLetter);
    EXPECT_EQ(recorder.events[0].param, 'C');
    EXPECT_EQ(recorder.events[1].type, kEventKeyDigit);
    EXPECT_EQ(recorder.events[1].param, 7);
    EXPECT_EQ(recorder.events[2].type, kEventKeyBackspace);
    EXPECT_EQ(recorder.events[3].type, kEventKeySpace);
}

TEST_F(WidgetTest, TextsGrowInStepsAndUnknownSkinKindsAreIgnored) {
    MenuLabel* label = new MenuLabel(&menu, screen, 1);
    screen->add(label);
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
    press(10, 10);
    release(10, 10);
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
    MenuButton* b = button(1, 0, 0);
    b->setSize(480, 320);
    menuFadeToScreen(&menu, &other);
    menuContextTick(&menu, 100);
    EXPECT_EQ(menu.transition, kTransitionOut);
    EXPECT_EQ(menu.fadeValue, 170);
    EXPECT_EQ(menu.screen, screen);
    press(10, 10);  // ignored: a fade runs
    release(10, 10);
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
