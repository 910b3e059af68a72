// The cross-promotion screen: the games listed in "/kvmoregames.txt" with their icons and
// screenshots, a list of icons scrolled by dragging that snaps to an item, a panel describing the
// chosen game, a back button and a get button. Drawn with the 2D context, not built from widgets.
#pragma once

#include <cstdint>

#include "gfx2d/sprite.h"

class Graphics;

constexpr const char* kMoreGamesFile = "/kvmoregames.txt";
constexpr const char* kMoreGamesComponents = "/mgcomponents.spr";
constexpr int32_t kMaxMoreGames = 32;          // a larger count in the file is cut to this
constexpr int32_t kMaxMoreGamesShots = 8;      // screenshots loaded per game
constexpr int32_t kMoreGamesTextSlots = 2 + 3 * kMaxMoreGames;
constexpr int32_t kDefaultIconSize = 57;       // px, without a first icon
constexpr int32_t kScrollPush = 40000;         // 16.16, towards the middle of the nearest item
constexpr int32_t kMaxFrameStepMs = 250;

struct MoreGame {
    Sprite* icon;                          // null: the components' stand-in frame
    const char* name;                      // never null ("" when missing)
    const char* description;
    const char* link;
    int32_t screenCount;                   // as the file says
    Sprite* screens[kMaxMoreGamesShots];   // the first min(count, 8), null when missing
};

struct MoreGamesData {
    int32_t count;
    const char* title;
    const char* backText;
    MoreGame games[kMaxMoreGames];
    Sprite* components;
    char* strings[kMoreGamesTextSlots];    // owned copies of the text values
};

enum MoreGamesFailure : int32_t {
    kMoreGamesOk = 0,
    kMoreGamesNoComponents = 1,
    kMoreGamesNoLargeFont = 2,
    kMoreGamesNoSmallFont = 3,
};

struct MoreGamesScreen {
    bool active, finished;
    int32_t failure;             // MoreGamesFailure
    int32_t clockMs;             // advanced by the updates
    int32_t startMs, lastUpdateMs;
    int32_t pressed, result;     // button index or -1
    int32_t iconWidth, iconHeight;
    int32_t titleHeight;
    int32_t pitch;               // px between items
    int32_t areaX, areaY, areaWidth, areaHeight;  // the drag area
    int32_t current;             // chosen game
    int32_t position;            // 16.16 px along the list
    int32_t velocity;            // 16.16
    bool dragging;
    int32_t dragStartPosition, dragStartY, dragStartMs;
    int32_t latestY, latestMs;
    FlowButton buttons[2];       // 0 back, 1 get
    int32_t linkRequests;        // times the platform was asked to open a link
};

// Reads the components sprite and the list (the strings are copied); false when the text file is
// missing, which leaves no games.
bool loadMoreGames();
void unloadMoreGames();
const MoreGamesData* moreGamesData();
const MoreGamesScreen* moreGamesScreen();

void moreGamesSetFonts(Sprite* large, Sprite* small);
void moreGamesStart();
bool moreGamesFinished();
// Once per frame with the frame time.
void moreGamesUpdate(int32_t milliseconds);
void moreGamesDraw(Graphics* g);
void moreGamesPointerPress(int x, int y);
void moreGamesPointerDrag(int x, int y);
void moreGamesPointerRelease(int x, int y);

// One step of the list's scrolling over dt ms (what the update runs).
void moreGamesScrollStep(MoreGamesScreen* s, int32_t count, int32_t dt);
// Where the platform would open a game's page; does nothing on this platform.
void openPlatformLink(const char* link);
