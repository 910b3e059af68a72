// zorvane-soak: plays the game headless for a long time with a seeded random player and checks
// that it never gets stuck, that its memory stays flat after the first run and that every run's
// result reaches the saved record.
#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/game_flow.h"
#include "game/game_mode.h"
#include "menu/menu_context.h"
#include "menu/menu_sys.h"
#include "tools/harness/harness.h"
#include "tools/soak/soak.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
        "usage: zorvane-soak [--frames N] [--seed S] [--data DIR] [--every N] [--sample N]\n"
        "                    [--growth-limit KB]\n"
        "\n"
        "Plays the game headless on a virtual clock (16 ms a frame) for N frames (default\n"
        "200000, about 53 minutes of play) with a random player seeded by S (default 1).\n"
        "DIR is the install folder (default: a new folder under /tmp linked to the game's data\n"
        "in the build folder this program lives in). Memory is sampled every --sample frames\n"
        "(default 1000) and printed every --every frames (default 10000); resident memory may\n"
        "grow by --growth-limit kB after the first run (default 8192; 131072 under\n"
        "AddressSanitizer, whose quarantine holds freed blocks) and the game's live allocations\n"
        "by 64.\n"
        "Exits with 0 when every check passed, 1 when one failed.\n"
        "\n"
        "zorvane-soak --probe --data DIR [--audio-driver NAME]\n"
        "Starts the game in DIR (with SDL's audio driver NAME), waits for the main menu, taps\n"
        "the distance mode, plays a few frames tilted and prints one line: how far it got.\n");
}

// The probe of a damaged install: how far the game gets with what it finds.
int probe(const std::string& folder, const char* audioDriver) {
    harness::Options h;
    h.dataFolder = folder;
    h.stepMs = 50;  // coarse frames: the loading screen's second and the run's start go by fast
    if (!harness::start(h)) {
        std::printf("probe: start-up failed\n");
        return 1;
    }
    // The harness asks for the dummy audio driver; the audio opens during loading and takes
    // the one named now.
    if (audioDriver) setenv("SDL_AUDIODRIVER", audioDriver, 1);
    const GameFlow& flow = *g_gameFlow;
    bool loading = false, menu = false, run = false, running = false;
    auto menusIdle = [] {
        return g_menuSys && g_menuSys->menu && g_menuSys->menu->transition == kTransitionIdle;
    };
    for (int i = 0; i < 100 && !(flow.state == kFlowMainMenu && menusIdle()); ++i) {
        harness::step();
        loading = loading || flow.state == kFlowLoading;
    }
    menu = flow.state == kFlowMainMenu;
    if (menu) {
        harness::tap(100, 100);  // the left half: the distance mode
        harness::tilt(20.0f);
        for (int i = 0; i < 10 && flow.state != kFlowInRun; ++i) harness::step();
        run = flow.state == kFlowInRun;
        for (int i = 0; i < 15 && flow.state == kFlowInRun; ++i) harness::step();
        running = flow.run.state == kRunStateRunning || flow.run.state == kRunStateCrashed;
    }
    std::printf("probe: loading %d menu %d run %d running %d stages %d frames %d\n", loading,
                menu, run, running, flow.loadStage, harness::frame());
    std::fflush(stdout);
    harness::shutDown();
    return 0;
}

// A new folder under /tmp holding links to packres.bin and the WAV files of the build folder
// above this program's folder; "" when there is no such data.
std::string linkedDataFolder() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    std::string build = self;
    for (int up = 0; up < 2; ++up) build.resize(build.rfind('/'));
    build += "/";
    char folder[] = "/tmp/zorvane-soak-XXXXXX";
    if (!mkdtemp(folder)) return "";
    const std::string data = std::string(folder) + "/";
    bool pack = false;
    if (DIR* d = opendir(build.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            const bool wav = name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0;
            if (name != "packres.bin" && !wav) continue;
            if (symlink((build + name).c_str(), (data + name).c_str()) == 0 &&
                name == "packres.bin")
                pack = true;
        }
        closedir(d);
    }
    if (!pack) std::fprintf(stderr, "zorvane-soak: no packres.bin in %s\n", build.c_str());
    return pack ? data : "";
}

}  // namespace

int main(int argc, char** argv) {
    soak::Options options;
    int every = 10000;
    bool probing = false;
    const char* audioDriver = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zorvane-soak: %s needs a value\n", a);
                std::exit(2);
            }
            return argv[++i];
        };
        if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) { usage(stdout); return 0; }
        else if (!std::strcmp(a, "--frames")) options.frames = std::atoi(value());
        else if (!std::strcmp(a, "--seed")) options.seed = static_cast<uint32_t>(std::strtoul(value(), nullptr, 10));
        else if (!std::strcmp(a, "--data")) options.dataFolder = value();
        else if (!std::strcmp(a, "--every")) every = std::atoi(value());
        else if (!std::strcmp(a, "--sample")) options.sampleEvery = std::atoi(value());
        else if (!std::strcmp(a, "--growth-limit")) options.growthLimitKb = std::atol(value());
        else if (!std::strcmp(a, "--probe")) probing = true;
        else if (!std::strcmp(a, "--audio-driver")) audioDriver = value();
        else { usage(stderr); return 2; }
    }
    if (options.frames <= 0 || every <= 0 || options.sampleEvery <= 0) { usage(stderr); return 2; }
    options.reportEvery = every;
    if (probing) {
        if (options.dataFolder.empty()) { usage(stderr); return 2; }
        return probe(options.dataFolder, audioDriver);
    }
    // The game prints as it plays (its sounds on stdout, its events on stderr): all of that goes
    // to stderr, and stdout keeps the soak's own lines.
    std::fflush(stdout);
    FILE* out = nullptr;
    const int own = dup(STDOUT_FILENO);
    if (own >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) >= 0) out = fdopen(own, "w");
    if (!out) out = stdout;
    options.progress = out;
    if (options.dataFolder.empty()) options.dataFolder = linkedDataFolder();
    if (options.dataFolder.empty()) return 1;
    if (options.dataFolder.back() != '/') options.dataFolder += '/';
    std::fprintf(out, "zorvane-soak: %d frames, seed %u, folder %s\n", options.frames,
                 options.seed, options.dataFolder.c_str());
    std::fflush(out);

    soak::Report report;
    const bool ok = soak::runSoak(options, &report);
    soak::printReport(report, every, out);
    std::fflush(out);
    harness::shutDown();
    return ok ? 0 : 1;
}
