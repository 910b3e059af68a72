// The zvtool subcommands; each takes the arguments after its own name and returns the exit status.
#pragma once

#include <cstdint>
#include <vector>

int packCommand(int argc, char** argv);
int modelCommand(int argc, char** argv);
int textureCommand(int argc, char** argv);
int spriteCommand(int argc, char** argv);
int fontCommand(int argc, char** argv);
int textCommand(int argc, char** argv);
int assetsCommand(int argc, char** argv);
int iconCommand(int argc, char** argv);

// Shared by the sprite, font and assets commands (sprite_cmd.cpp): the game's 2D drawing on a
// headless screen, and a sprite loaded by the game's loader from a .spr on disk (its picture
// beside it) or, with packPath, from that pack.
struct Sprite;
bool openHeadlessScreen();
Sprite* loadToolSprite(const char* path, const char* packPath);
// A contact sheet of the given frames drawn by the game's sprite code on the headless screen,
// each under its number, as RGBA pixels. False when the screen cannot be read back.
bool renderFrameSheet(const Sprite* sprite, const std::vector<int>& frames,
                      std::vector<uint8_t>* rgba, int* width, int* height);
// A number in 3 x 5 digits at (x, y) of an RGBA picture (the sheets' labels).
void drawSheetNumber(std::vector<uint8_t>* rgba, int width, int height, int x, int y, int number);
