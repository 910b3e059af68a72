// zorvane-harness: runs the game headless on a virtual clock from a script of timed input and
// writes chosen frames as upright 480 x 320 PNG pictures.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <string>
#include <vector>

#include "tools/harness/harness.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
        "usage: zorvane-harness [--data DIR] [--step MS] [--frames N] [--capture FRAME:FILE.png]...\n"
        "                       [SCRIPT]\n"
        "\n"
        "Runs the game headless with a virtual clock (MS per frame, default 16) in the install\n"
        "folder DIR (default: a new folder under /tmp; it needs packres.bin to show the game).\n"
        "\n"
        "Script lines (# starts a comment; points are logical landscape pixels, 480 x 320):\n"
        "  at FRAME COMMAND   run until FRAME, then do COMMAND\n"
        "  tap X Y | press X Y | drag X Y | release X Y\n"
        "  tilt DEGREES       roll the device (positive steers right, -35..35)\n"
        "  minimise | restore | quit\n"
        "  capture FILE.png   write the current picture\n"
        "  run N              run N frames\n"
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
    if (options.dataFolder.empty()) {
        char folder[] = "/tmp/zorvane-harness-XXXXXX";
        if (!mkdtemp(folder)) { std::perror("zorvane-harness"); return 1; }
        options.dataFolder = folder;
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
