// The look of the game's 2D art: a night forest in deep blues and greens, warm gold accents and
// light lettering. Every sprite takes its colours and its button shapes from here, so the HUD,
// the menus and the cross-promotion page read as one set.
#pragma once

#include "tools/assets/canvas.h"

namespace art {

// Night blues, from the darkest.
inline Colour ink() { return rgb(0x07121D); }
inline Colour midnight() { return rgb(0x0C1F30); }
inline Colour deepBlue() { return rgb(0x143049); }
inline Colour duskBlue() { return rgb(0x24506C); }
inline Colour mistBlue() { return rgb(0x6F8FA6); }
// Forest greens.
inline Colour pine() { return rgb(0x1B4A3C); }
inline Colour moss() { return rgb(0x3F7A4E); }
inline Colour fern() { return rgb(0x7DB86A); }
// Warm accents.
inline Colour gold() { return rgb(0xF2C14E); }
inline Colour paleGold() { return rgb(0xFFE3A0); }
inline Colour amber() { return rgb(0xD9922B); }
inline Colour ember() { return rgb(0xB8642A); }
// Lettering and icons on dark ground.
inline Colour ivory() { return rgb(0xF4EEDC); }
inline Colour slate() { return rgb(0x3A4E63); }

// A round button of radius r centred at (cx, cy) in a canvas: a soft shadow, a gold rim and a
// night-blue face (normal), or a gold face (pressed). The icon goes on top in iconColour().
void paintRoundButton(Canvas* c, float cx, float cy, float r, bool pressed);
// A plate button filling (x0, y0)-(x1, y1): rounded ends, the same rim and faces.
void paintPlate(Canvas* c, float x0, float y0, float x1, float y1, bool pressed);
// The shadow drawn under a plate of that rectangle.
void paintPlateShadow(Canvas* c, float x0, float y0, float x1, float y1);
// The colour of an icon on a button face.
Colour iconColour(bool pressed);
// A dark translucent disc behind HUD icons, so they read over the forest.
void paintHudBackdrop(Canvas* c, float cx, float cy, float r);
// A ring of firefly dots of radius r around (cx, cy): the turning skin behind the menu
// buttons. `dots` dots, their sizes and brightness varying round the ring.
void paintFireflyRing(Canvas* c, float cx, float cy, float r, float dotRadius, int dots);

// Icons: shapes in a square of side s centred at (cx, cy), to be filled with one paint.
namespace icon {

Shape play(float cx, float cy, float s);
Shape pause(float cx, float cy, float s);
Shape home(float cx, float cy, float s);
Shape trophy(float cx, float cy, float s);
Shape question(float cx, float cy, float s);
Shape info(float cx, float cy, float s);
// waves: 0 to 2 sound waves in front of the cone.
Shape speaker(float cx, float cy, float s, int waves);
Shape grid(float cx, float cy, float s);
Shape globe(float cx, float cy, float s);
Shape retry(float cx, float cy, float s);
Shape podium(float cx, float cy, float s);
Shape check(float cx, float cy, float s);
Shape cross(float cx, float cy, float s);
Shape arrowLeft(float cx, float cy, float s);
// A chevron pointing up (up = true) or down.
Shape chevron(float cx, float cy, float s, bool up);
Shape download(float cx, float cy, float s);

}  // namespace icon
}  // namespace art
