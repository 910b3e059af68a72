// zorvane-harness: runs the game headless on a virtual clock from a script of timed input and
// writes chosen frames as upright 480 x 320 PNG pictures.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/harness/harness.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
        "usage: zorvane-harness [--data DIR] [--step MS] [--frames N] [--capture FRAME:FILE.png]...\n"
        "                       [SCRIPT]\n"
        "\n"
        "Runs the game headless with a virtual clock (MS per frame, default 16) in the install\n"
        "folder DIR, which needs packres.bin to show the game. Without --data the game runs in a\n"
        "new folder under $TMPDIR (or /tmp), removed at the end, with the game's data linked in\n"
        "from where the game itself finds it: beside this program or in <prefix>/share/zorvane.\n"
        "\n"
        "Script lines (# starts a comment; points are logical landscape pixels, 480 x 320):\n"
        "  at FRAME COMMAND   run until FRAME, then do COMMAND\n"
        "  tap X Y | press X Y | drag X Y | release X Y\n"
        "  tilt DEGREES       roll the device (positive steers right, -35..35)\n"
        "  minimise | restore | quit\n"
        "  capture FILE.png   write the current picture\n"
        "  animate FROM TO EVERY FILE.png [SHRINK [COLOURS]]\n"
        "                     record frames FROM, FROM+EVERY, ... up to TO as an animated PNG\n"
        "                     (APNG; each frame shown EVERY x MS), shrunk SHRINK times (1, 2, 4,\n"
        "                     5 or 8, box average; default 1 = 480 x 320), with one palette of\n"
        "                     COLOURS (2..255, default 255; 0 = truecolour RGB). Later lines\n"
        "                     still run while it records; the script goes on until TO.\n"
        "  run N              run N frames\n"
        "Frames count passes from start-up; 'at' and 'animate' frames must not have passed.\n"
        "Without a quit the game runs --frames frames (default 120) after the script and stops.\n");
}

// Merges two scripts by frame: each line belongs to the frame of the last 'at' before it.
std::string mergeByFrame(const std::string& a, const std::string& b) {
    struct Line { long frame; int order; std::string text; };
    std::vector<Line> all;
    int order = 0;
    for (const std::string* s : {&a, &b}) {
        std::istringstream in(*s);
        std::string text;
        long frame = 0;
        while (std::getline(in, text)) {
            std::istringstream words(text);
            std::string first;
            long n;
            if (words >> first && first == "at" && words >> n) frame = n;
            all.push_back({frame, order++, text});
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Line& x, const Line& y) { return x.frame < y.frame; });
    std::string out;
    for (const Line& l : all) out += l.text + "\n";
    return out;
}

// A scratch install folder for one run: the game's data linked in, the record written there.
struct ScratchFolder {
    std::string path;  // with a trailing '/'; empty until made
    ~ScratchFolder() {
        if (path.empty()) return;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                    unlink((path + e->d_name).c_str());
            }
            closedir(d);
        }
        rmdir(path.c_str());
    }
    bool make() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zorvane-harness-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back(0);
        if (!mkdtemp(name.data())) return false;
        path = std::string(name.data()) + "/";
        if (!platform::linkGameDataInto(path.c_str()))
            std::fprintf(stderr, "zorvane-harness: the game's data (packres.bin) is neither beside "
                                 "this program nor in its ../share/zorvane/\n");
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    harness::Options options;
    int frames = 120;
    std::string scriptPath;
    std::string captures;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zorvane-harness: %s needs a value\n", a);
                std::exit(2);
            }
            return argv[++i];
        };
        if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) { usage(stdout); return 0; }
        else if (!std::strcmp(a, "--data")) options.dataFolder = value();
        else if (!std::strcmp(a, "--step")) options.stepMs = static_cast<uint32_t>(std::atoi(value()));
        else if (!std::strcmp(a, "--frames")) frames = std::atoi(value());
        else if (!std::strcmp(a, "--capture")) {
            std::string c = value();
            size_t colon = c.find(':');
            if (colon == std::string::npos) { usage(stderr); return 2; }
            captures += "at " + c.substr(0, colon) + " capture " + c.substr(colon + 1) + "\n";
        } else if (a[0] == '-') { usage(stderr); return 2; }
        else scriptPath = a;
    }
    std::string script;
    if (!scriptPath.empty()) {
        std::ifstream in(scriptPath);
        if (!in) { std::fprintf(stderr, "zorvane-harness: cannot read %s\n", scriptPath.c_str()); return 2; }
        std::stringstream ss;
        ss << in.rdbuf();
        script = ss.str();
    }
    ScratchFolder scratch;
    if (options.dataFolder.empty()) {
        if (!scratch.make()) { std::perror("zorvane-harness"); return 1; }
        options.dataFolder = scratch.path;
    }
    if (!harness::start(options)) { std::fprintf(stderr, "zorvane-harness: start-up failed\n"); return 1; }
    std::string error;
    // Captures given on the command line are merged in frame order with the script's lines.
    if (!harness::runScript(mergeByFrame(script, captures), &error)) {
        std::fprintf(stderr, "zorvane-harness: %s\n", error.c_str());
        return 2;
    }
    harness::run(frames);
    harness::shutDown();
    return 0;
}
