// zvtool: builds and inspects the game's data files. One executable, one subcommand per format.
#include <cstdio>
#include <cstring>

#include "tools/zvtool/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command kCommands[] = {
    {"pack", packCommand, "create, list and extract resource packs"},
    {"model", modelCommand, "inspect model files"},
    {"texture", textureCommand, "decode, encode and inspect textures (PNG, PVR, ATC)"},
    {"sprite", spriteCommand, "render the frames of a sprite as a contact sheet"},
    {"font", fontCommand, "build a bitmap font from TrueType; render sample text"},
    {"text", textCommand, "build and dump menu text files"},
    {"assets", assetsCommand, "build the game's pack and sounds; preview them"},
    {"icon", iconCommand, "write the desktop icon at one size"},
};

void usage(FILE* out) {
    std::fprintf(out, "usage: zvtool COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'zvtool COMMAND' alone prints that command's usage.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& c : kCommands) {
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "zvtool: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
