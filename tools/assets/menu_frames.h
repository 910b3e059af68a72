// Frame numbers of the menu sprites "/menu_main.spr" and "/mgcomponents.spr": what each frame
// shows and which widget skin it is meant for. docs/menu_frames.md gives the same table with the
// sizes and the placement the pictures were drawn for.
#pragma once

// "/menu_main.spr"
enum MenuMainFrame : int {
    kMenuOnline = 0,              // round button, globe: the online service (id 9)
    kMenuOnlinePressed = 1,
    kMenuNewBest = 2,             // gold rosette beside a new best result
    kMenuAchievements = 3,        // main screen button id 10 (trophy)
    kMenuAchievementsPressed = 4,
    kMenuHowToPlay = 5,           // main screen button id 7 ("?")
    kMenuHowToPlayPressed = 6,
    kMenuAbout = 7,               // main screen button id 6 ("i")
    kMenuAboutPressed = 8,
    kMenuSpinRing = 9,            // turning skin behind the 64 x 64 round buttons
    kMenuBack = 10,               // back button (left arrow)
    kMenuBackPressed = 11,
    kMenuBackSpinRing = 12,       // turning skin behind the back button
    kMenuWidePlateShadow = 13,    // background of the pause screen's buttons 13 and 14
    kMenuResume = 14,             // pause button 13: plate with a play sign
    kMenuResumePressed = 15,
    kMenuQuitRun = 16,            // pause button 14: plate with a house
    kMenuQuitRunPressed = 17,
    kMenuPlateShadow = 18,        // background of the game-over and question buttons
    kMenuRetry = 19,              // game-over button 15
    kMenuRetryPressed = 20,
    kMenuLeaderboard = 21,        // game-over button 16
    kMenuLeaderboardPressed = 22,
    kMenuMainMenu = 23,           // game-over button 17
    kMenuMainMenuPressed = 24,
    kMenuSound = 25,              // main screen button id 11 (speaker)
    kMenuSoundPressed = 26,
    kMenuSeparator = 27,          // between achievements
    kMenuStarLocked = 28,         // AchievStar 0x8000012D
    kMenuStarUnlocked = 29,       // AchievStar 0x8000012E
    kMenuStarSparkle = 30,        // AchievStar 0x8000012F, turned over the unlocked star
    kMenuAchievementPanel = 31,   // soft panel behind one achievement entry
    kMenuMoreGames = 32,          // main screen button id 12 (four tiles)
    kMenuMoreGamesPressed = 33,
    kMenuCheckboxOff = 34,        // MenuCheckbox 0x400001
    kMenuCheckboxOn = 35,         // MenuCheckbox 0x400002
    kMenuHeadingOrnament = 36,    // under a page title
    kMenuTextPanel = 37,          // dark panel behind the text pages (440 x 280 label)
    kMenuSliderTrack = 38,        // MenuSlider 0x300001
    kMenuSliderKnob = 39,         // MenuSlider 0x300003
    kMenuSliderIcon = 40,         // MenuSlider 0x300002 (quiet speaker)
    kMenuLoudIcon = 41,           // loud speaker, for the far end of the track
    kMenuArrowUp = 42,            // achievements page, scroll indicators
    kMenuArrowDown = 43,
    kMenuYes = 44,                // question button 19
    kMenuYesPressed = 45,
    kMenuNo = 46,                 // question button 20
    kMenuNoPressed = 47,
    kMenuMainFrameCount = 48,
};

// "/mgcomponents.spr"; the numbers between are empty frames.
enum MoreGamesFrame : int {
    kMgBackPressed = 0,
    kMgBack = 1,
    kMgNoIcon = 3,                // stands in for a game without an icon
    kMgGet = 6,                   // the "get" button, both states
    kMgIconShadow = 10,           // drawn 2 pixels right of and below each icon
    kMgShotBorder = 11,           // drawn 4 pixels up and left of each screenshot
    kMgColumnTop = 14,            // the right panel: top, repeated middle, bottom
    kMgColumnMiddle = 15,
    kMgColumnBottom = 16,
    kMgFrameCount = 17,
};
