// The soak: long play on the harness's virtual clock by a seeded random player (taps, drags and
// tilts across the menus and runs of both modes, retries, returns to the main menu, the pause
// button, minimise and restore), watching for a stuck game, resident memory that keeps growing
// after the first run, and results that do not reach the saved record "info".
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace soak {

// AddressSanitizer keeps freed blocks in its quarantine (up to 256 MB) before reusing them, so
// resident memory wanders by tens of MB there while the game's own allocations stay flat.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kDefaultGrowthLimitKb = 128 * 1024;
#else
constexpr long kDefaultGrowthLimitKb = 8 * 1024;
#endif

struct Options {
    uint32_t seed = 1;
    int frames = 200000;          // 16 ms each: 200,000 frames are about 53 minutes of play
    int sampleEvery = 1000;       // frames between memory samples
    int reportEvery = 10000;      // frames between progress lines (0: none)
    long growthLimitKb = kDefaultGrowthLimitKb;  // resident memory allowed to grow after the
                                                 // first run
    long allocationGrowthLimit = 64;  // live game allocations allowed to grow after it
    int stuckFrames = 30000;      // frames without a finished run that count as a stuck game
    std::string dataFolder;       // the install folder (packres.bin, the WAVs, "info")
    FILE* progress = nullptr;     // progress lines, when set
};

struct MemorySample {
    int frame;
    long rssKb;          // VmRSS of the process
    size_t allocations;  // live allocations of the game's tracked allocator
};

struct Report {
    int frames = 0;
    double seconds = 0;         // wall clock
    uint32_t virtualMs = 0;     // game time played
    int runs[2] = {0, 0};       // finished runs (crashes) by mode: distance, points
    int starts[2] = {0, 0};     // runs started from the main menu, by mode
    int retries = 0;            // runs started again from game over
    int menuReturns = 0;        // game over or a quit run back to the main menu
    int pauseButton = 0;        // pauses by the run's pause button
    int resumes = 0;            // resumes from the pause page
    int minimises = 0;          // minimise / restore pairs
    int taps = 0, drags = 0, tilts = 0;
    int moreGames = 0;          // visits to the cross-promotion screen
    int firstRunEndFrame = -1;  // frame of the first crash
    long baselineKb = 0;        // resident memory at the first sample after the first run
    long growthKb = 0;          // largest resident memory after that, minus the baseline
    size_t baselineAllocations = 0;  // live game allocations at that sample
    long allocationGrowth = 0;       // most live game allocations after it, minus those
    std::vector<MemorySample> memory;
    int recordChecks = 0;       // per-run reads of "info" that agreed
    bool recordAgrees = false;  // the final "info" agrees with every observed run
    std::vector<std::string> failures;
    bool ok() const { return failures.empty(); }
};

// Resident memory of this process in kB (VmRSS of /proc/self/status), or -1.
long residentKb();

// Starts the game when the harness has not (in options.dataFolder) and plays options.frames
// frames. The checks' failures are listed in the report; false when there are any.
bool runSoak(const Options& options, Report* report);

// The report as lines: runs per mode, what the player did, the memory curve (a line every
// everyFrames frames), the record check and the failures.
void printReport(const Report& report, int everyFrames, FILE* out);

}  // namespace soak
