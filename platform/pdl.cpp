// Stand-ins for the phone's PDL library, the clock, and the data folder: on a desktop the game's
// install folder is the player's own folder, with the game data linked into it from wherever
// the program found it, so that rebuilding or reinstalling never touches saved results.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {
namespace {

std::string g_dataFolder;  // with a trailing '/'
uint32_t (*g_clock)();

std::string withSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool isFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void makeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
    }
}

std::string programFolder() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "./";
    buffer[n] = 0;
    std::string path(buffer);
    return path.substr(0, path.rfind('/') + 1);
}

// Where the game's data lives: beside the program (a build) or in <prefix>/share/zorvane/.
std::string findGameData() {
    std::string here = programFolder();
    const std::string candidates[] = {here, here + "../share/zorvane/", here + "../"};
    for (const std::string& c : candidates) {
        if (isFile(c + "packres.bin")) return c;
    }
    return std::string();
}

bool isGameDataName(const char* name) {
    size_t n = std::strlen(name);
    return !std::strcmp(name, "packres.bin") || (n > 4 && !std::strcmp(name + n - 4, ".wav"));
}

// Links every data file into the user folder, replacing old links; removes links whose data is
// gone. Regular files (the saved record above all) are never touched. An install into the user's
// own data prefix (~/.local) puts the data in the user folder itself: then there is nothing to do.
void linkGameData(const std::string& userFolder, const std::string& dataFolder) {
    char resolved[4096];
    std::string source = !dataFolder.empty() && realpath(dataFolder.c_str(), resolved)
                             ? withSlash(resolved)
                             : dataFolder;
    if (!source.empty() && realpath(userFolder.c_str(), resolved) && withSlash(resolved) == source)
        return;
    if (DIR* d = opendir(userFolder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string path = userFolder + e->d_name;
            struct stat st;
            if (isGameDataName(e->d_name) && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
                unlink(path.c_str());
        }
        closedir(d);
    }
    if (source.empty()) return;
    int kept = 0;  // data files of the user folder's own, used instead of the program's
    if (DIR* d = opendir(source.c_str())) {
        while (dirent* e = readdir(d)) {
            if (!isGameDataName(e->d_name) || !isFile(source + e->d_name)) continue;
            std::string link = userFolder + e->d_name;
            struct stat st;
            if (lstat(link.c_str(), &st) == 0) {
                ++kept;
                continue;
            }
            if (symlink((source + e->d_name).c_str(), link.c_str()) != 0)
                std::fprintf(stderr, "zorvane: cannot link %s into %s\n", e->d_name,
                             userFolder.c_str());
        }
        closedir(d);
    }
    if (kept > 0)
        std::fprintf(stderr, "zorvane: the game data already in %s (an install into ~/.local?) is "
                             "used, not the data in %s\n", userFolder.c_str(), source.c_str());
}

}  // namespace

const char* dataFolder() {
    if (g_dataFolder.empty()) {
        const char* xdg = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        std::string base = xdg && *xdg ? withSlash(xdg)
                                       : withSlash(home && *home ? home : ".") + ".local/share/";
        g_dataFolder = base + "zorvane/";
        makeFolders(g_dataFolder);
        linkGameData(g_dataFolder, findGameData());
    }
    return g_dataFolder.c_str();
}

void setDataFolder(const char* path) {
    g_dataFolder = path ? withSlash(path) : std::string();
}

bool linkGameDataInto(const char* folder) {
    const std::string data = findGameData();
    linkGameData(withSlash(folder), data);
    return !data.empty();
}

uint32_t ticks() { return g_clock ? g_clock() : SDL_GetTicks(); }

double millisecondsSinceProcessStart() {
    // /proc/self/stat: "pid (name) state ...", the start time being field 22, in clock ticks
    // since boot on the boot-time clock. The name may hold spaces and parentheses, so the
    // fields are counted from the last ')'.
    char text[1024];
    FILE* file = std::fopen("/proc/self/stat", "r");
    if (!file) return -1;
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = 0;
    const char* field = std::strrchr(text, ')');
    if (!field) return -1;
    for (int i = 2; i < 22 && field; ++i) field = std::strchr(field + 1, ' ');
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now;
    if (!field || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    const double startMs = std::strtod(field + 1, nullptr) * 1000.0 / ticksPerSecond;
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6 -
           startMs;
}

void setClock(uint32_t (*clock)()) { g_clock = clock; }

int glSetAttribute(int, int) {
    // The desktop context is always OpenGL ES 1.1; the attribute has nothing left to choose.
    return 0;
}

int init(uint32_t sdlFlags) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    bool dummy = driver && !std::strcmp(driver, "dummy");
    const char* display = std::getenv("DISPLAY");
    if (!dummy && (!display || !*display)) {
        std::fprintf(stderr,
                     "zorvane: no display. To run without one, set SDL_VIDEODRIVER=dummy "
                     "(and SDL_AUDIODRIVER=dummy).\n");
        std::exit(1);
    }
    if (!dummy && !driver) setenv("SDL_VIDEODRIVER", "x11", 1);  // never a text-mode driver
    int result = SDL_Init(sdlFlags);
    char name[32] = "";
    if (SDL_VideoDriverName(name, sizeof name) && std::strcmp(name, "x11") != 0 &&
        std::strcmp(name, "dummy") != 0) {
        std::fprintf(stderr,
                     "zorvane: SDL chose the '%s' video driver; the game needs an X11 display, or "
                     "SDL_VIDEODRIVER=dummy to run headless.\n", name);
        std::exit(1);
    }
    if (!dummy && !name[0]) {
        std::fprintf(stderr, "zorvane: the X11 display '%s' could not be opened (%s). To run "
                             "without one, set SDL_VIDEODRIVER=dummy.\n", display, SDL_GetError());
        std::exit(1);
    }
    return result;
}

}  // namespace platform

const char* PDL_GetHardware() { return "desktop"; }

int PDL_GetScreenMetrics(PDL_ScreenMetrics* metrics) {
    if (!metrics) return -1;
    metrics->horizontalPixels = platform::kScreenWidth;
    metrics->verticalPixels = platform::kScreenHeight;
    metrics->horizontalDPI = 160;
    metrics->verticalDPI = 160;
    metrics->aspectRatio = 1.0;
    return 0;
}

int PDL_GetCallingPath(char* buffer, int bufferLength) {
    const char* folder = platform::dataFolder();
    size_t n = std::strlen(folder);
    if (!buffer || bufferLength <= 0 || n + 1 > static_cast<size_t>(bufferLength)) return -1;
    std::memcpy(buffer, folder, n + 1);
    return 0;
}

void PDL_Quit() { platform::closeVideo(); }
