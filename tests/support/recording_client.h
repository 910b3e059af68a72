// A client layer that records every call the game makes into the online service and the usage
// tracker, as one line each, and hands out distinct handles: 1000 + n for the n-th leaderboard,
// 2000 + n for the n-th achievement. Installed for the life of the object.
#pragma once

#include <string>
#include <vector>

#include "online/online_client.h"

namespace onlinetest {

class RecordingClient : public OnlineClient {
public:
    RecordingClient() { installOnlineClient(this); }
    ~RecordingClient() override { installOnlineClient(nullptr); }

    void initialise(const char* name, const char* key, const char* secret, int32_t boards,
                    int32_t achievements) override {
        add("initialise", name, key, secret, boards, achievements);
    }
    OnlineHandle registerLeaderboard(const char* id) override {
        add("registerLeaderboard", id);
        return 1000 + boards_++;
    }
    OnlineHandle registerAchievement(const char* id) override {
        add("registerAchievement", id);
        return 2000 + achievements_++;
    }
    void signIn() override { add("signIn"); }
    void openDashboard() override { add("openDashboard"); }
    void openLeaderboard(OnlineHandle board) override { add("openLeaderboard", board); }
    void submitScore(OnlineHandle board, int32_t s) override { add("submitScore", board, s); }
    void unlockAchievements(const OnlineHandle* list, int32_t count) override {
        add("unlock", count);
        for (int32_t i = 0; i < count; ++i) calls.back() += " " + std::to_string(list[i]);
    }
    void trackerStart() override { add("trackerStart"); }
    void trackerLogScreen(const char* name) override { add("screen", name); }
    void trackerLogGameStart(int32_t mode, int32_t a, int32_t b) override {
        add("gameStart", mode, a, b);
    }
    void trackerLogGameEnd(int32_t distance, int32_t points, int32_t kind) override {
        add("gameEnd", distance, points, kind);
    }
    int32_t trackerFrame() override { ++frames; return 0; }

    // The calls so far (frame calls are only counted), and forgetting them.
    std::vector<std::string> calls;
    int frames = 0;
    void clear() { calls.clear(); frames = 0; }

private:
    static std::string text(const char* s) { return s; }
    static std::string text(int64_t n) { return std::to_string(n); }
    template <typename... Parts>
    void add(const char* what, Parts... parts) {
        calls.push_back(what);
        ((calls.back() += " " + text(parts)), ...);
    }
    uint32_t boards_ = 0, achievements_ = 0;
};

}  // namespace onlinetest
