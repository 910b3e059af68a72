// The menu root: the three fonts, the ten screens built in code, the fade between them and the
// actions their controls trigger.
#include "menu/menu_sys.h"

#include <cstring>
#include <initializer_list>

#include "gfx2d/graphics.h"
#include "gfx2d/sprite.h"
#include "menu/menu_context.h"
#include "menu/more_games.h"
#include "menu/text_tables.h"
#include "online/connect.h"
#include "online/online_client.h"

MenuSys* g_menuSys = nullptr;

namespace {

MenuGameLink g_link{};

// Menu variables the game-over texts show.
enum ResultVariable : int32_t {
    kVarDistance = 0,
    kVarPoints = 1,
    kVarBestDistance = 2,
    kVarBestPoints = 3,
    kVarBonus = 4,
    kVarCoins = 5,
    kVarNearMisses = 6,
    kVarShrubs = 7,
};

// Text tables of the screens.
constexpr int32_t kTextMainHints = 0;
constexpr int32_t kTextPause = 1;
constexpr int32_t kTextQuestion = 2;
constexpr int32_t kTextOnline = 3;
constexpr int32_t kTextLoading = 4;
constexpr int32_t kTextRunTitle = 8;
constexpr int32_t kTextDistanceResult = 11;
constexpr int32_t kTextPointsResult = 12;
constexpr int32_t kTextBestVerdict = 13;
constexpr int32_t kTextCrash = 14;
constexpr int32_t kTextHowToPlay = 18;
constexpr int32_t kTextAbout = 19;
constexpr int32_t kTextSound = 27;

// "/menu_main.spr" frames the screens use.
constexpr int32_t kFrameOnline = 0, kFrameOnlinePressed = 1, kFrameNewBest = 2;
constexpr int32_t kFrameCheckOff = 34, kFrameCheckOn = 35, kFrameTextPanel = 37;
constexpr int32_t kFrameSliderTrack = 38, kFrameSliderKnob = 39, kFrameSliderIcon = 40;
constexpr int32_t kFrameArrowUp = 42, kFrameArrowDown = 43, kFrameSeparator = 27;
constexpr int32_t kFramePlateShadow = 18, kFrameWidePlateShadow = 13;
constexpr int32_t kFrameAchievementPanel = 31;

constexpr uint32_t kNewBestImageId = 100;  // ids of plain decorations the actions look up
constexpr uint32_t kResultLabelId = 101;
constexpr uint32_t kBestLabelId = 102;
constexpr uint32_t kVerdictLabelId = 103;
constexpr uint32_t kExtraLabelId = 104;    // 104, 105
constexpr uint32_t kCrashLabelId = 106;
constexpr uint32_t kAchievementItemId = 110;  // 110 .. 133
constexpr uint32_t kScrollBoxId = 140;
constexpr uint32_t kDecorationId = 200;

template <typename T>
T* addTo(MenuContainer* parent, T* control) {
    parent->add(control);
    return control;
}

MenuLabel* addLabel(MenuSys* sys, MenuContainer* screen, uint32_t id, int32_t x, int32_t y,
                    int32_t font, int32_t table, int32_t entry) {
    MenuLabel* label = addTo(screen, new MenuLabel(sys->menu, screen, id));
    label->setFontByIndex(font);
    label->setTextAnchor(kAnchorCenter);
    label->setAnchor(kAnchorCenter);
    label->setTextId(table, entry);
    label->setPosition(x, y);
    return label;
}

MenuImage* addImage(MenuSys* sys, MenuContainer* parent, int32_t frame, int32_t x, int32_t y,
                    int32_t anchor) {
    MenuImage* image = addTo(parent, new MenuImage(sys->menu, parent, kDecorationId));
    image->setAnchor(anchor);
    image->setSkin(kSkinImage, kMenuSpriteFile, frame);
    image->setPosition(x, y);
    return image;
}

MenuButton* addPlateButton(MenuSys* sys, MenuContainer* screen, uint32_t id, int32_t normal,
                           int32_t pressed, int32_t background, int32_t x, int32_t y) {
    MenuButton* button = addTo(screen, new MenuButton(sys->menu, screen, id));
    button->setAnchor(kAnchorCenter);
    if (background >= 0) button->setSkin(kSkinButtonBackground, kMenuSpriteFile, background);
    button->setSkin(kSkinButtonNormal, kMenuSpriteFile, normal);
    button->setSkin(kSkinButtonPressed, kMenuSpriteFile, pressed);
    button->setPosition(x, y);
    return button;
}

SpinBtn* addSpinButton(MenuSys* sys, MenuContainer* screen, uint32_t id, int32_t normal,
                       int32_t pressed, int32_t ring, int32_t x, int32_t y, int32_t anchor) {
    SpinBtn* button = addTo(screen, new SpinBtn(sys->menu, screen, id));
    button->setAnchor(anchor);
    button->setSkin(kSkinButtonNormal, kMenuSpriteFile, normal);
    button->setSkin(kSkinButtonPressed, kMenuSpriteFile, pressed);
    button->setSkin(kSkinSpin, kMenuSpriteFile, ring);
    button->setPosition(x, y);
    return button;
}

void addBackButton(MenuSys* sys, MenuContainer* screen) {
    SpinBtn* back = addSpinButton(sys, screen, kIdBack, 10, 11, 12, 10, 310,
                                  kAnchorLeft | kAnchorBottom);
    back->setMargins(15);
}

MenuContainer* newScreen(MenuSys* sys, int32_t n) {
    MenuMenu* screen = new MenuMenu(sys->menu, nullptr, static_cast<uint32_t>(n));
    screen->setSize(kLogicalScreenWidth, kLogicalScreenHeight);
    sys->screens[n] = screen;
    return screen;
}

void buildLoading(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenLoading);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 0));
    MenuImage* logo = addTo(s, new MenuImage(sys->menu, s, kDecorationId));
    logo->setAnchor(kAnchorCenter);
    logo->setSkin(kSkinImage, kLogoFile, 0);
    logo->setPosition(240, 150);
    addLabel(sys, s, kDecorationId, 240, 295, 1, kTextLoading, 1);
    MenuButton* skip = addTo(s, new MenuButton(sys->menu, s, kIdSkip));
    skip->setSize(kLogicalScreenWidth, kLogicalScreenHeight);
    skip->setPosition(0, 0);
}

void buildMain(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenMainMenu);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 1));
    // The forest shows the two modes' signs; this line says what they mean.
    addLabel(sys, s, kDecorationId, 240, 200, 1, kTextMainHints, 2);
    for (uint32_t id : {kIdStartDistance, kIdStartPoints}) {
        MenuButton* area = addTo(s, new MenuButton(sys->menu, s, id));
        area->setSize(240, 220);
        area->setPosition(id == kIdStartDistance ? 0 : 240, 0);
    }
    const uint32_t ids[5] = {kIdHowToPlay, kIdAbout, kIdSound, kIdAchievements, kIdMoreGames};
    const int32_t normal[5] = {5, 7, 25, 3, 32};
    const int32_t pressed[5] = {6, 8, 26, 4, 33};
    for (int32_t i = 0; i < 5; ++i)
        addSpinButton(sys, s, ids[i], normal[i], pressed[i], 9, (i * 960 + 480) / 10, 310,
                      kAnchorBottom | kAnchorHCenter);
}

void buildTextPage(MenuSys* sys, int32_t n, int32_t table) {
    MenuContainer* s = newScreen(sys, n);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 0));
    MenuImage* panel = addImage(sys, s, kFrameTextPanel, 240, 160, kAnchorCenter);
    panel->setLayer(1);
    MenuLabel* label = addTo(s, new MenuLabel(sys->menu, s, kDecorationId));
    label->setAnchor(kAnchorCenter);
    label->setFontByIndex(1);
    label->setTextAnchor(kAnchorTop | kAnchorHCenter);
    label->setWrapWidth(440);
    label->setTextId(table, 0);
    label->setSize(440, 280);
    label->setPosition(240, 160);
    addBackButton(sys, s);
}

void buildAchievements(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenAchievements);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 0));
    ScrollBox* box = addTo(s, new ScrollBox(sys->menu, s, kScrollBoxId));
    box->setSize(kLogicalScreenWidth, kLogicalScreenHeight);
    box->setPosition(0, 0);
    ScrollCont* content = new ScrollCont(sys->menu, box, kDecorationId);
    content->setSize(480, 1680);
    box->setContent(content);
    for (int32_t i = 0; i < 24; ++i) {
        AchievMain* item =
            addTo(content, new AchievMain(sys->menu, content, kAchievementItemId + i));
        item->star->setSkin(kSkinStarLocked, kMenuSpriteFile, 28);
        item->star->setSkin(kSkinStarUnlocked, kMenuSpriteFile, 29);
        item->star->setSkin(kSkinStarSparkle, kMenuSpriteFile, 30);
        item->setAnchor(kAnchorTop | kAnchorHCenter);
        item->setPosition(240, 70 * i);
        item->showAchievement(kMenuAchievementOrder[i], false);
        if (i < 23) addImage(sys, content, kFrameSeparator, 240, 70 * i + 60, kAnchorCenter);
    }
    MenuImage* up = addImage(sys, s, kFrameArrowUp, 460, 30, kAnchorCenter);
    MenuImage* down = addImage(sys, s, kFrameArrowDown, 460, 290, kAnchorCenter);
    box->setIndicator(kIndicatorUp, up);
    box->setIndicator(kIndicatorDown, down);
    addBackButton(sys, s);
}

void buildSound(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenSound);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 0));
    addLabel(sys, s, kDecorationId, 240, 80, 2, kTextSound, 0);
    MenuSlider* slider = addTo(s, new MenuSlider(sys->menu, s, kIdVolume));
    slider->setAnchor(kAnchorCenter);
    slider->setSkin(kSkinSliderTrack, kMenuSpriteFile, kFrameSliderTrack);
    slider->setSkin(kSkinSliderIcon, kMenuSpriteFile, kFrameSliderIcon);
    slider->setSkin(kSkinSliderKnob, kMenuSpriteFile, kFrameSliderKnob);
    slider->setMargins(20, 20);
    slider->setPosition(240, 110);
    // The online settings live on this page: posting scores, usage reports, the service's page.
    MenuCheckbox* online = addTo(s, new MenuCheckbox(sys->menu, s, kIdOnlineOption));
    online->setAnchor(kAnchorCenter);
    online->setFontByIndex(1);
    online->setSkin(kSkinCheckboxOff, kMenuSpriteFile, kFrameCheckOff);
    online->setSkin(kSkinCheckboxOn, kMenuSpriteFile, kFrameCheckOn);
    online->setTextId(kTextOnline, 0);
    online->setMargins(10);
    online->setPosition(240, 170);
    MenuCheckbox* usage = addTo(s, new MenuCheckbox(sys->menu, s, kIdUsageOptIn));
    usage->setAnchor(kAnchorCenter);
    usage->setFontByIndex(1);
    usage->setSkin(kSkinCheckboxOff, kMenuSpriteFile, kFrameCheckOff);
    usage->setSkin(kSkinCheckboxOn, kMenuSpriteFile, kFrameCheckOn);
    usage->setTextUtf8("Send anonymous usage reports");
    usage->setMargins(10);
    usage->setPosition(240, 220);
    MenuButton* service = addPlateButton(sys, s, kIdOnline, kFrameOnline, kFrameOnlinePressed, -1,
                                         430, 280);
    service->setMargins(10);
    addBackButton(sys, s);
}

void buildPause(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenPause);
    addLabel(sys, s, kDecorationId, 240, 50, 3, kTextPause, 0);
    addPlateButton(sys, s, kIdResume, 14, 15, kFrameWidePlateShadow, 240, 120);
    addPlateButton(sys, s, kIdQuitRun, 16, 17, kFrameWidePlateShadow, 240, 200);
}

void buildQuestion(MenuSys* sys) {
    MenuContainer* s = newScreen(sys, kScreenQuestion);
    MenuLabel* question = addTo(s, new MenuLabel(sys->menu, s, kDecorationId));
    question->setAnchor(kAnchorCenter);
    question->setFontByIndex(2);
    question->setTextAnchor(kAnchorCenter);
    question->setWrapWidth(440);
    question->setTextId(kTextQuestion, 0);
    question->setSize(480, 100);
    question->setPosition(240, 130);
    addPlateButton(sys, s, kIdQuitYes, 44, 45, kFramePlateShadow, 170, 200);
    addPlateButton(sys, s, kIdQuitNo, 46, 47, kFramePlateShadow, 310, 200);
}

// Game over: the mode's title, this run's result, the best of the mode with the verdict (and a
// rosette for a new best), two lines of the run's details, how the run ended, three buttons.
void buildGameOver(MenuSys* sys, int32_t n) {
    MenuContainer* s = newScreen(sys, n);
    addTo(s, new ItemBg(sys->menu, s, kDecorationId, 0));
    const bool points = n == kScreenGameOverPoints;
    const int32_t table = points ? kTextPointsResult : kTextDistanceResult;
    addLabel(sys, s, kDecorationId, 240, 32, 3, kTextRunTitle, points ? 1 : 0);
    addLabel(sys, s, kResultLabelId, 240, 80, 3, table, 0);
    addLabel(sys, s, kBestLabelId, 240, 122, 2, table, 1);
    addLabel(sys, s, kVerdictLabelId, 240, 150, 2, kTextBestVerdict, 1);
    MenuImage* rosette = addImage(sys, s, kFrameNewBest, 350, 80, kAnchorCenter);
    rosette->id = kNewBestImageId;
    addLabel(sys, s, kExtraLabelId, 240, 180, 2, table, 2);
    addLabel(sys, s, kExtraLabelId + 1, 240, 205, 2, table, 3);
    addLabel(sys, s, kCrashLabelId, 240, 232, 2, kTextCrash, 0);
    addPlateButton(sys, s, kIdRetry, 19, 20, kFramePlateShadow, 80, 290);
    addPlateButton(sys, s, kIdScores, 21, 22, kFramePlateShadow, 240, 290);
    addPlateButton(sys, s, kIdGameOverMenu, 23, 24, kFramePlateShadow, 400, 290);
}

MenuControl* findIn(MenuControl* control, uint32_t id) {
    if (!control) return nullptr;
    if (control->id == id && control->parent) return control;
    if (auto* c = dynamic_cast<MenuContainer*>(control))
        for (int32_t i = 0; i < c->childCount; ++i)
            if (MenuControl* hit = findIn(c->children[i], id)) return hit;
    return nullptr;
}

void ensureContext(MenuSys* sys) {
    if (sys->menu) return;
    sys->menu = new MenuContext;
    menuContextInit(sys->menu, sys);
    MenuContainer* overlay = new MenuContainer(sys->menu, nullptr, kDecorationId);
    overlay->setSize(kLogicalScreenWidth, kLogicalScreenHeight);
    sys->menu->overlay = overlay;
    sys->ticker = new AchievTicker(sys->menu, overlay, kDecorationId);
    overlay->add(sys->ticker);
    MenuImage* panel = addImage(sys, sys->ticker, kFrameAchievementPanel, 150, 20, kAnchorCenter);
    panel->setLayer(1);
    sys->ticker->nextUnlock = [] { return g_link.nextUnlock ? g_link.nextUnlock() : -1; };
}

void fillAchievements(MenuSys* sys) {
    MenuContainer* s = sys->screens[kScreenAchievements];
    for (int32_t i = 0; i < 24; ++i) {
        auto* item = dynamic_cast<AchievMain*>(findIn(s, kAchievementItemId + i));
        if (!item) continue;
        const int32_t a = kMenuAchievementOrder[i];
        item->showAchievement(a, g_link.achievementUnlocked && g_link.achievementUnlocked(a));
    }
}

void fillGameOver(MenuSys* sys, int32_t n) {
    MenuRunResult r{};
    if (!g_link.runResult || !g_link.runResult(&r)) r.mode = n == kScreenGameOverPoints ? 1 : 0;
    const bool points = n == kScreenGameOverPoints;
    setMenuVariable(kVarDistance, static_cast<int32_t>(r.distance));
    setMenuVariable(kVarPoints, r.points);
    setMenuVariable(points ? kVarBestPoints : kVarBestDistance, r.best);
    setMenuVariable(kVarBonus, r.bonusPoints);
    setMenuVariable(kVarCoins, r.coins);
    setMenuVariable(kVarNearMisses, r.nearMisses);
    setMenuVariable(kVarShrubs, r.shrubs);
    MenuContainer* s = sys->screens[n];
    if (MenuControl* verdict = findIn(s, kVerdictLabelId))
        verdict->setTextId(kTextBestVerdict, r.newBest ? 0 : 1);
    if (MenuControl* rosette = findIn(s, kNewBestImageId)) rosette->setVisible(r.newBest);
    if (MenuControl* crash = findIn(s, kCrashLabelId)) {
        crash->setTextId(kTextCrash, r.crashKind == 2 ? 1 : 0);
        crash->setVisible(r.crashKind == 1 || r.crashKind == 2);
    }
}

// The usage tracker's page reports.
void logScreen(const char* name) { createHandlerClient(nullptr)->trackerLogScreen(name); }

void buttonAction(MenuSys* sys, uint32_t id) {
    switch (id) {
        case kIdBack:
            if (sys->current >= kScreenHowToPlay && sys->current <= kScreenSound)
                showScreen(sys, kScreenMainMenu, false);
            break;
        case kIdSkip:
            if (g_link.requestSkip) g_link.requestSkip();
            break;
        case kIdStartDistance:
        case kIdStartPoints:
            if (g_link.startRun) g_link.startRun(id == kIdStartPoints ? 1 : 0);
            break;
        case kIdAbout:
            showScreen(sys, kScreenAbout, false);
            break;
        case kIdHowToPlay:
            showScreen(sys, kScreenHowToPlay, false);
            break;
        case kIdLeaderboard:
        case kIdScores:
            logScreen("OpenFeintScores");
            if (g_connect) g_connect->openLeaderboard(g_link.gameMode ? g_link.gameMode() : 0);
            break;
        case kIdOnline:
            logScreen("OpenFeint");
            if (g_connect) {
                if (g_connect->connected) g_connect->openDashboard();
                else g_connect->connect();
            }
            if (g_link.saveNow) g_link.saveNow();
            break;
        case kIdAchievements:
            logScreen("Achievements");
            showScreen(sys, kScreenAchievements, false);
            break;
        case kIdSound:
            showScreen(sys, kScreenSound, false);
            break;
        case kIdMoreGames:
            logScreen("MoreGames");
            if (g_link.setFlowState) g_link.setFlowState(9);
            break;
        case kIdResume:
            if (g_link.resume) g_link.resume();
            break;
        case kIdQuitRun:
            showScreen(sys, kScreenQuestion, true);
            break;
        case kIdRetry:
            if (g_link.retry) g_link.retry();
            break;
        case kIdGameOverMenu:
        case kIdQuitYes:
            if (g_link.setFlowState) g_link.setFlowState(5);
            break;
        case kIdQuitNo:
            showScreen(sys, kScreenPause, true);
            break;
        default:
            break;
    }
}

}  // namespace

void setMenuGameLink(const MenuGameLink& link) { g_link = link; }
const MenuGameLink& menuGameLink() { return g_link; }

bool MenuSys::onAction(MenuControl* source, int32_t type, int32_t param) {
    if (!source) return true;
    const uint32_t id = source->id;
    switch (type) {
        case kEventClicked:
            buttonAction(this, id);
            break;
        case kEventButtonRefresh:
            if (id == kIdScores) source->setEnabled(g_connect && g_connect->connected);
            break;
        case kEventSliderReleased:
            if (id == kIdVolume) {
                if (g_link.setVolume) g_link.setVolume(paramFloat(param));
                if (g_link.saveNow) g_link.saveNow();
            }
            break;
        case kEventSliderRefresh:
            if (id == kIdVolume)
                if (auto* slider = dynamic_cast<MenuSlider*>(source))
                    slider->setValue(g_link.volume ? g_link.volume() : 0.0f);
            break;
        case kEventScreenShown:
            if (source->parent) break;
            if (id == kScreenAchievements) fillAchievements(this);
            if (id == kScreenGameOverDistance || id == kScreenGameOverPoints)
                fillGameOver(this, static_cast<int32_t>(id));
            break;
        case kEventCheckboxRefresh:
            if (auto* box = dynamic_cast<MenuCheckbox*>(source)) {
                if (id == kIdOnlineOption)
                    box->setChecked(g_link.onlineOption && g_link.onlineOption());
                else if (id == kIdUsageOptIn)
                    box->setChecked(usageTrackerOptIn());
            }
            break;
        case kEventCheckboxChanged:
            if (id == kIdOnlineOption) {
                if (g_link.setOnlineOption) g_link.setOnlineOption(param != 0);
            } else if (id == kIdUsageOptIn) {
                usageTrackerSetOptIn(param != 0);
                if (param != 0) usageTrackerSessionStart();
                if (g_link.saveNow) g_link.saveNow();
            }
            break;
        default:
            break;
    }
    return true;
}

void prepareScreen(MenuSys* menus, int32_t n) {
    ensureContext(menus);
    if (n == kScreenLoading && !menus->screens[kScreenLoading]) buildLoading(menus);
}

void buildMenus(MenuSys* menus, int32_t step) {
    if (menus->built) return;
    ensureContext(menus);
    if (step == 0) {
        for (int32_t i = 0; i < 3; ++i) {
            if (!menus->fonts[i]) menus->fonts[i] = loadSprite(kFontFiles[i]);
            menus->menu->fonts[kFontNumbers[i]] = menus->fonts[i];
        }
    } else if (step == 1) {
        if (!menus->screens[kScreenLoading]) buildLoading(menus);
        if (menus->screens[kScreenMainMenu]) return;
        buildMain(menus);
        buildTextPage(menus, kScreenHowToPlay, kTextHowToPlay);
        buildTextPage(menus, kScreenAbout, kTextAbout);
        buildAchievements(menus);
        buildSound(menus);
        buildPause(menus);
        buildQuestion(menus);
        buildGameOver(menus, kScreenGameOverDistance);
        buildGameOver(menus, kScreenGameOverPoints);
        // The ticker's label takes the medium font once it is there.
        menus->ticker->label->setFontByIndex(2);
    } else if (step == 2) {
        menus->built = true;
    }
}

void showScreen(MenuSys* menus, int32_t n, bool immediate) {
    menus->current = n;
    MenuContext* menu = menus->menu;
    if (!menu) return;
    MenuContainer* screen = n >= 0 && n < kMenuScreens ? menus->screens[n] : nullptr;
    if (immediate) {
        menu->transition = kTransitionIdle;
        menu->fadeValue = 0;
        menu->target = nullptr;
        menuSetScreen(menu, screen);
    } else {
        menuFadeToScreen(menu, screen);
    }
}

void menuUpdate(MenuSys* menus, int32_t milliseconds) {
    if (menus->menu) menuContextTick(menus->menu, milliseconds);
    moreGamesUpdate(milliseconds);
}

void menuDraw(MenuSys* menus, Graphics* g) {
    if (menus->menu) menuContextPaint(menus->menu, g);
}

Sprite* menuFont(MenuSys* menus, const char* name) {
    if (!name) return nullptr;
    for (int32_t i = 0; i < 3; ++i)
        if (std::strcmp(name, kFontFiles[i]) == 0) return menus->fonts[i];
    return nullptr;
}

MenuControl* findMenuControl(MenuSys* menus, int32_t screen, uint32_t id) {
    if (screen < 0 || screen >= kMenuScreens) return nullptr;
    return findIn(menus->screens[screen], id);
}
