// The game's process entry. It takes no arguments and reads no environment of its own.
#include "app/platform_main.h"

int main(int, char**) { return platformMain(); }
