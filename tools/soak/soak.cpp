// The soak's random player, its observations of the game and the record it expects "info" to hold.
#include "tools/soak/soak.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>

#include "app/memory.h"
#include "app/platform_main.h"
#include "game/game_flow.h"
#include "game/game_mode.h"
#include "game/save_info.h"
#include "menu/menu_context.h"
#include "menu/menu_sys.h"
#include "menu/more_games.h"
#include "online/connect.h"
#include "storage/record_store.h"
#include "tools/harness/harness.h"

namespace soak {
namespace {

constexpr int kMaxFailures = 20;  // failures listed; the rest are only counted

// The record as the soak expects it: what "info" held when the soak began, plus every run it saw
// end, applied as the record's rules say (the ten longest, the ring of the last ten, the best
// points, the last three distances of any mode).
void addRun(SaveInfo* m, int32_t mode, float distance, int32_t points) {
    ModeRecords& r = m->records[mode];
    float all[kRecordSlots + 1];
    std::copy(r.top, r.top + kRecordSlots, all);
    all[kRecordSlots] = distance;
    std::sort(all, all + kRecordSlots + 1, [](float a, float b) { return a > b; });
    std::copy(all, all + kRecordSlots, r.top);
    r.ring[r.ringIndex] = distance;
    r.ringIndex = (r.ringIndex + 1) % kRecordSlots;
    m->bestPoints[mode] = std::max(m->bestPoints[mode], points);
    m->lastDistances[m->lastIndex] = distance;
    m->lastIndex = (m->lastIndex + 1) % kLastDistances;
    m->runsCounted = std::min(m->runsCounted + 1, kRunsForShortRuns);
}

// The first field where got differs from want, or "" when they agree.
std::string recordDifference(const SaveInfo& want, const SaveInfo& got) {
    char line[160];
    auto floats = [&](const char* what, const float* a, const float* b, int n) {
        for (int i = 0; i < n; ++i)
            if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
                std::snprintf(line, sizeof line, "%s[%d]: want %.3f, info has %.3f", what, i,
                              static_cast<double>(a[i]), static_cast<double>(b[i]));
                return false;
            }
        return true;
    };
    auto ints = [&](const char* what, int64_t a, int64_t b) {
        if (a == b) return true;
        std::snprintf(line, sizeof line, "%s: want %lld, info has %lld", what,
                      static_cast<long long>(a), static_cast<long long>(b));
        return false;
    };
    static const char* const kTop[2] = {"distance top ten", "points top ten"};
    static const char* const kRing[2] = {"distance last ten", "points last ten"};
    static const char* const kRingIndex[2] = {"distance ring index", "points ring index"};
    static const char* const kBest[2] = {"best distance", "best points"};
    for (int32_t mode = 0; mode < kGameModes; ++mode) {
        const ModeRecords& a = want.records[mode];
        const ModeRecords& b = got.records[mode];
        if (!ints(kBest[mode], want.bestPoints[mode], got.bestPoints[mode]) ||
            !floats(kTop[mode], a.top, b.top, kRecordSlots) ||
            !floats(kRing[mode], a.ring, b.ring, kRecordSlots) ||
            !ints(kRingIndex[mode], a.ringIndex, b.ringIndex))
            return line;
    }
    if (!floats("last distances", want.lastDistances, got.lastDistances, kLastDistances) ||
        !ints("last distances index", want.lastIndex, got.lastIndex) ||
        !ints("runs counted", want.runsCounted, got.runsCounted) ||
        !floats("volume", &want.volume, &got.volume, 1) ||
        !ints("online", want.online, got.online) ||
        !ints("usage tracking", want.usageTracking, got.usageTracking))
        return line;
    for (int32_t i = 0; i < kAchievements; ++i)
        if (!ints(("achievement " + std::to_string(i)).c_str(), want.achievements[i],
                  got.achievements[i]))
            return line;
    return "";
}

// The settings and achievements as the game holds them now: what its next save writes.
void takeSettings(const GameFlow& flow, SaveInfo* m) {
    m->volume = flow.soundSettings.volume;
    m->online = flow.online.enabled();
    m->usageTracking = usageTrackerOptIn();
    for (int32_t i = 0; i < kAchievements; ++i) m->achievements[i] = flow.runStats.unlocked[i];
}

// "info" read from the folder, decoded; false when it is missing, short or foreign.
bool readInfo(SaveInfo* out) {
    int32_t size = static_cast<int32_t>(kSaveInfoBytes);
    uint8_t* bytes = readRecord(kSaveRecordName, &size);
    const bool read = bytes && decodeSaveInfo(bytes, static_cast<size_t>(size), out);
    delete[] bytes;
    return read;
}

// The random player. Pure random taps rarely hit a mode button, so it looks at the screen shown
// and aims at that screen's controls with some probability, and at random points otherwise.
class Player {
public:
    Player(uint32_t seed, Report* report) : rng_(seed), report_(report) {}

    // Input for the next pass.
    void act() {
        const int frame = harness::frame();
        if (gesture_ > 0) {  // a drag in progress: move, then let go
            if (--gesture_ == 1) {
                harness::drag(gx_, gy_);
            } else {
                harness::release(gx_, gy_);
            }
            return;
        }
        if (minimised_) {
            if (frame >= restoreAt_) {
                harness::restore();
                minimised_ = false;
            }
            return;
        }
        if (--cooldown_ > 0) return;
        cooldown_ = between(3, 30);
        if (chance(0.004)) {
            harness::minimise();
            minimised_ = true;
            restoreAt_ = frame + between(5, 400);
            ++report_->minimises;
            return;
        }
        if (chance(0.1)) tilt();
        const GameFlow& flow = *g_gameFlow;
        const MenuContext* menu = g_menuSys ? g_menuSys->menu : nullptr;
        const bool idle = menu && menu->transition == kTransitionIdle;
        const int32_t shown = menu && menu->screen ? static_cast<int32_t>(menu->screen->id) : -1;
        switch (flow.state) {
            case kFlowMainMenu:
                if (!idle || shown != kScreenMainMenu) {
                    if (idle && shown >= kScreenHowToPlay && shown <= kScreenSound)
                        onPage(shown);
                    else if (chance(0.2))
                        randomTouch();
                } else if (chance(0.5)) {
                    // Mostly the mode with fewer finished runs, so that both get played.
                    const bool fewerPoints = report_->runs[kModePoints] < report_->runs[kModeDistance];
                    const bool points = chance(0.75) ? fewerPoints : chance(0.5);
                    tapControl(kScreenMainMenu, points ? kIdStartPoints : kIdStartDistance);
                } else if (chance(0.25)) {
                    static const uint32_t kPages[5] = {kIdHowToPlay, kIdAbout, kIdSound,
                                                       kIdAchievements, kIdMoreGames};
                    // The cross-promotion screen is a long way round: less often.
                    tapControl(kScreenMainMenu, kPages[between(0, chance(0.3) ? 4 : 3)]);
                } else {
                    randomTouch();
                }
                break;
            case kFlowInRun:
                if (chance(0.25)) tilt();
                if (chance(0.03)) {
                    harness::tap(kPauseButtonX, kPauseButtonY);
                    ++report_->taps;
                } else if (chance(0.05)) {
                    randomTouch();
                }
                break;
            case kFlowPaused:
                if (!idle) break;
                if (shown == kScreenQuestion) {
                    tapControl(kScreenQuestion, chance(0.6) ? kIdQuitYes : kIdQuitNo);
                } else if (shown == kScreenPause) {
                    const double r = uniform();
                    if (r < 0.6) tapControl(kScreenPause, kIdResume);
                    else if (r < 0.8) tapControl(kScreenPause, kIdQuitRun);
                    else randomTouch();
                }
                break;
            case kFlowGameOver:
                if (!idle) break;
                if (shown == kScreenGameOverDistance || shown == kScreenGameOverPoints) {
                    // A retry plays the same mode again: less often when that mode is ahead.
                    const int32_t mode = flow.run.mode == kModePoints ? 1 : 0;
                    const bool ahead = report_->runs[mode] > report_->runs[1 - mode];
                    const double r = uniform();
                    if (r < (ahead ? 0.2 : 0.5)) tapControl(shown, kIdRetry);
                    else if (r < 0.85) tapControl(shown, kIdGameOverMenu);
                    else if (r < 0.9) tapControl(shown, kIdScores);
                    else randomTouch();
                }
                break;
            case kFlowMoreGames:
                if (chance(0.4)) {
                    const MoreGamesScreen* s = moreGamesScreen();
                    const FlowButton& back = s->buttons[0];
                    if (back.shown) {
                        tapAt(back.x + back.width / 2, back.y + back.height / 2);
                        break;
                    }
                }
                randomTouch();
                break;
            default:  // starting and loading
                if (chance(0.3)) randomTouch();
                break;
        }
    }

private:
    double uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
    bool chance(double p) { return uniform() < p; }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    void tapAt(int x, int y) {
        x = std::clamp(x, 0, 479);
        y = std::clamp(y, 0, 319);
        harness::tap(x, y);
        ++report_->taps;
    }
    void tilt() {
        // Mostly well off the straight line and held a while, so that runs end in the trees
        // before long; now and then a small correction.
        const float sign = chance(0.5) ? -1.0f : 1.0f;
        const float degrees = chance(0.8) ? sign * static_cast<float>(between(15, 35))
                                          : static_cast<float>(between(-10, 10));
        harness::tilt(degrees);
        ++report_->tilts;
    }
    // A random point inside the control (its own place on the screen), or nothing when the
    // control is missing or empty.
    void tapControl(int32_t screen, uint32_t id) {
        MenuControl* c = findMenuControl(g_menuSys, screen, id);
        if (!c || c->width <= 0 || c->height <= 0) {
            randomTouch();
            return;
        }
        int32_t x = c->x + between(c->width / 4, c->width * 3 / 4);
        int32_t y = c->y + between(c->height / 4, c->height * 3 / 4);
        c->parentToScreen(&x, &y);
        tapAt(x, y);
    }
    // A page of the main menu: back, a drag (the volume slider, the achievements' scrolling) or
    // a tap (the checkboxes).
    void onPage(int32_t shown) {
        const double r = uniform();
        if (r < 0.35) tapControl(shown, kIdBack);
        else if (r < 0.65) randomDrag();
        else if (shown == kScreenSound && r < 0.75)
            tapControl(shown, chance(0.5) ? kIdUsageOptIn : kIdOnlineOption);
        else randomTouch();
    }
    void randomTouch() {
        if (chance(0.3)) randomDrag();
        else tapAt(between(0, 479), between(0, 319));
    }
    void randomDrag() {
        const int x = between(0, 479), y = between(0, 319);
        harness::press(x, y);
        gx_ = std::clamp(x + between(-200, 200), 0, 479);
        gy_ = std::clamp(y + between(-150, 150), 0, 319);
        gesture_ = 2;
        ++report_->drags;
    }

    std::mt19937 rng_;
    Report* report_;
    int cooldown_ = 1;
    bool minimised_ = false;
    int restoreAt_ = 0;
    int gesture_ = 0;  // passes left of a drag: 2 move, 1 release
    int gx_ = 0, gy_ = 0;
};

void fail(Report* report, const std::string& why) {
    if (static_cast<int>(report->failures.size()) < kMaxFailures)
        report->failures.push_back("frame " + std::to_string(harness::frame()) + ": " + why);
}

}  // namespace

long residentKb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kb;
}

bool runSoak(const Options& options, Report* report) {
    *report = Report{};
    const auto began = std::chrono::steady_clock::now();
    if (!harness::started()) {
        harness::Options h;
        h.dataFolder = options.dataFolder;
        if (!harness::start(h)) {
            fail(report, "the game did not start");
            return false;
        }
    }
    // Another user of this process's harness may have pointed the record store elsewhere.
    setRecordBasePath(g_platform.basePath);
    GameFlow& flow = *g_gameFlow;

    // What "info" holds now; a first start has none and begins from the first-start values.
    SaveInfo expected;
    if (!readInfo(&expected)) saveInfoDefaults(&expected);

    Player player(options.seed, report);
    const uint32_t startMs = harness::now();
    int32_t runState = flow.run.state, flowState = flow.state;
    int lastRunEnd = harness::frame();
    bool stuckReported = false;
    const int sampleEvery = std::max(1, options.sampleEvery);
    for (int i = 0; i < options.frames; ++i) {
        player.act();
        if (!harness::step()) {
            fail(report, "the game quit");
            break;
        }
        ++report->frames;
        const int frame = harness::frame();

        if (flow.state != flowState) {
            if (flow.state == kFlowInRun && flowState == kFlowMainMenu)
                ++report->starts[flow.run.mode == kModePoints ? 1 : 0];
            if (flow.state == kFlowInRun && flowState == kFlowGameOver) ++report->retries;
            if (flow.state == kFlowInRun && flowState == kFlowPaused) ++report->resumes;
            if (flow.state == kFlowMainMenu &&
                (flowState == kFlowGameOver || flowState == kFlowPaused))
                ++report->menuReturns;
            if (flow.state == kFlowPaused && !harness::paused()) ++report->pauseButton;
            if (flow.state == kFlowMoreGames) ++report->moreGames;
            flowState = flow.state;
        }
        // A run ends in a crash, which saves at once: the result as the game-over page gets it,
        // then "info" as it lies in the folder now.
        if (flow.run.state == kRunStateCrashed && runState != kRunStateCrashed) {
            MenuRunResult result{};
            const MenuGameLink& link = menuGameLink();
            if (!link.runResult || !link.runResult(&result)) {
                fail(report, "no run result");
            } else {
                const int32_t mode = result.mode;
                ++report->runs[mode];
                addRun(&expected, mode, result.distance, result.points);
                if (result.best != expected.bestPoints[mode])
                    fail(report, "the game's best " + std::to_string(result.best) +
                                     " differs from the best of the runs seen " +
                                     std::to_string(expected.bestPoints[mode]));
                takeSettings(flow, &expected);
                SaveInfo saved;
                if (!readInfo(&saved)) {
                    fail(report, "no readable \"info\" after a run");
                } else {
                    const std::string difference = recordDifference(expected, saved);
                    if (difference.empty()) ++report->recordChecks;
                    else fail(report, "after a run, " + difference);
                }
            }
            if (report->firstRunEndFrame < 0) report->firstRunEndFrame = frame;
            lastRunEnd = frame;
        }
        runState = flow.run.state;
        if (!stuckReported && frame - lastRunEnd > options.stuckFrames) {
            fail(report, "no run has ended for " + std::to_string(options.stuckFrames) +
                             " frames (flow state " + std::to_string(flow.state) + ")");
            stuckReported = true;
        }

        if (report->frames % sampleEvery == 0 || i + 1 == options.frames) {
            report->memory.push_back({report->frames, residentKb(), trackedAllocationCount()});
            // Memory is compared from the first sample after the first run: by then every asset
            // a run uses is loaded.
            if (report->firstRunEndFrame >= 0) {
                const MemorySample& now = report->memory.back();
                if (report->baselineKb == 0) {
                    report->baselineKb = now.rssKb;
                    report->baselineAllocations = now.allocations;
                }
                report->growthKb = std::max(report->growthKb, now.rssKb - report->baselineKb);
                report->allocationGrowth =
                    std::max(report->allocationGrowth,
                             static_cast<long>(now.allocations) -
                                 static_cast<long>(report->baselineAllocations));
            }
        }
        if (options.progress && options.reportEvery > 0 && report->frames % options.reportEvery == 0) {
            std::fprintf(options.progress,
                         "soak: frame %d, %.1f s, %ld kB resident, %zu live allocations, "
                         "runs %d distance + %d points\n",
                         report->frames,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - began)
                             .count(),
                         residentKb(), trackedAllocationCount(), report->runs[0],
                         report->runs[1]);
            std::fflush(options.progress);
        }
    }
    report->virtualMs = harness::now() - startMs;

    // The end: the game's own loader reads "info" back into the game, as a next start would.
    if (harness::paused()) {
        harness::restore();
        harness::step();
    }
    takeSettings(flow, &expected);
    if (!gameFlowLoadSaved(&flow)) {
        fail(report, "the game's loader could not read \"info\" at the end");
    } else {
        const std::string difference = recordDifference(expected, flow.saveInfo);
        report->recordAgrees = difference.empty();
        if (!difference.empty()) fail(report, "at the end, " + difference);
    }

    if (report->runs[0] == 0 || report->runs[1] == 0)
        fail(report, "a mode was never played to its end");
    if (report->firstRunEndFrame >= 0 && report->growthKb > options.growthLimitKb)
        fail(report, "resident memory grew by " + std::to_string(report->growthKb) +
                         " kB after the first run (limit " +
                         std::to_string(options.growthLimitKb) + " kB)");
    if (report->firstRunEndFrame >= 0 && report->allocationGrowth > options.allocationGrowthLimit)
        fail(report, "live game allocations grew by " + std::to_string(report->allocationGrowth) +
                         " after the first run (limit " +
                         std::to_string(options.allocationGrowthLimit) + ")");
    report->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return report->ok();
}

void printReport(const Report& r, int everyFrames, FILE* out) {
    std::fprintf(out, "soak: %d frames (%.1f min of play) in %.1f s\n", r.frames,
                 r.virtualMs / 60000.0, r.seconds);
    std::fprintf(out, "runs ended: %d distance, %d points (started from the menu: %d distance, "
                      "%d points; retries %d; back to the menu %d)\n",
                 r.runs[0], r.runs[1], r.starts[0], r.starts[1], r.retries, r.menuReturns);
    std::fprintf(out, "player: %d taps, %d drags, %d tilts, %d pause button, %d resumes, "
                      "%d minimise/restore, %d cross-promotion visits\n",
                 r.taps, r.drags, r.tilts, r.pauseButton, r.resumes, r.minimises, r.moreGames);
    std::fprintf(out, "memory (frame, resident kB, live game allocations):\n");
    int next = 0;
    for (size_t i = 0; i < r.memory.size(); ++i) {
        const MemorySample& s = r.memory[i];
        if (s.frame >= next || i + 1 == r.memory.size()) {
            std::fprintf(out, "  %7d %8ld %7zu\n", s.frame, s.rssKb, s.allocations);
            while (next <= s.frame) next += std::max(1, everyFrames);
        }
    }
    if (r.firstRunEndFrame >= 0)
        std::fprintf(out, "first run ended at frame %d; after it: %ld kB resident and %zu live "
                          "allocations, growth since %ld kB and %ld allocations\n",
                     r.firstRunEndFrame, r.baselineKb, r.baselineAllocations, r.growthKb,
                     r.allocationGrowth);
    std::fprintf(out, "record: %d per-run checks of \"info\" agreed; at the end it %s\n",
                 r.recordChecks, r.recordAgrees ? "agrees with every run seen" : "DISAGREES");
    for (const std::string& f : r.failures) std::fprintf(out, "FAILED: %s\n", f.c_str());
    std::fprintf(out, "%s\n", r.ok() ? "soak passed" : "soak FAILED");
}

}  // namespace soak
