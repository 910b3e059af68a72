// The zvtool subcommands; each takes the arguments after its own name and returns the exit status.
#pragma once

int packCommand(int argc, char** argv);
int modelCommand(int argc, char** argv);
int textureCommand(int argc, char** argv);
int spriteCommand(int argc, char** argv);
int fontCommand(int argc, char** argv);
int textCommand(int argc, char** argv);

// Shared by the sprite and font commands (sprite_cmd.cpp): the game's 2D drawing on a headless
// screen, and a sprite loaded by the game's loader from a .spr on disk (its picture beside it)
// or, with packPath, from that pack.
struct Sprite;
bool openHeadlessScreen();
Sprite* loadToolSprite(const char* path, const char* packPath);
