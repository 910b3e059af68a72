// The run's HUD over the world: the distance or the points and multiplier, the near-miss and
// pickup flashes. The pause button is a touch zone the game controls draw.
#pragma once

class Graphics;
struct ForestScene;
struct Run;

void hudDraw(const Run* run, ForestScene* scene, Graphics* g);
