// zvtool icon: writes the game's desktop icon at one size as a PNG, painted by the asset code.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assets/app_icon.h"
#include "tools/writers/png_writer.h"
#include "tools/zvtool/commands.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: zvtool icon SIZE OUT.png\n"
                 "  Writes the desktop icon, SIZE x SIZE pixels (%d..%d), as an RGBA PNG: the\n"
                 "  moonlit forest and the gold initial of the loading picture in a rounded\n"
                 "  square. The same size always gives the same bytes.\n",
                 world::kAppIconMinSize, world::kAppIconMaxSize);
}

}  // namespace

int iconCommand(int argc, char** argv) {
    if (argc != 2) {
        usage();
        return 2;
    }
    char* end = nullptr;
    const long size = std::strtol(argv[0], &end, 10);
    if (end == argv[0] || *end || size < world::kAppIconMinSize || size > world::kAppIconMaxSize) {
        std::fprintf(stderr, "zvtool icon: the size must be a number from %d to %d\n",
                     world::kAppIconMinSize, world::kAppIconMaxSize);
        return 2;
    }
    const world::WorldPicture icon = world::paintAppIcon(static_cast<int>(size));
    std::string error;
    if (icon.rgba.empty() ||
        !writePngRgbaFile(argv[1], icon.rgba.data(), icon.width, icon.height, &error)) {
        std::fprintf(stderr, "zvtool icon: %s\n", error.empty() ? "no picture" : error.c_str());
        return 1;
    }
    return 0;
}
