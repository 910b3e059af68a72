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
    RecordingClient(const RecordingClient&) = delete;
    RecordingClient& operator=(const RecordingClient&) = delete;

    void initialise(const char* gameName, const char* key, const char* secret,
                    int32_t leaderboards, int32_t achievements) override {
        add("initialise " + std::string(gameName) + " " + key + " " + secret + " " +
            std::to_string(leaderboards) + " " + std::to_string(achievements));
    }
    OnlineHandle registerLeaderboard(const char* id) override {
        add(std::string("registerLeaderboard ") + id);
        return 1000 + boards_++;
    }
    OnlineHandle registerAchievement(const char* id) override {
        add(std::string("registerAchievement ") + id);
        return 2000 + achievements_++;
    }
    void signIn() override { add("signIn"); }
    void openDashboard() override { add("openDashboard"); }
    void openLeaderboard(OnlineHandle board) override {
        add("openLeaderboard " + std::to_string(board));
    }
    void submitScore(OnlineHandle board, int32_t score) override {
        add("submitScore " + std::to_string(board) + " " + std::to_string(score));
    }
    void unlockAchievements(const OnlineHandle* list, int32_t count) override {
        std::string line = "unlock " + std::to_string(count);
        for (int32_t i = 0; i < count; ++i) line += " " + std::to_string(list[i]);
        add(line);
    }
    void trackerStart() override { add("trackerStart"); }
    void trackerLogScreen(const char* name) override { add(std::string("screen ") + name); }
    void trackerLogGameStart(int32_t mode, int32_t a, int32_t b) override {
        add("gameStart " + std::to_string(mode) + " " + std::to_string(a) + " " + std::to_string(b));
    }
    void trackerLogGameEnd(int32_t distance, int32_t points, int32_t kind) override {
        add("gameEnd " + std::to_string(distance) + " " + std::to_string(points) + " " +
            std::to_string(kind));
    }
    int32_t trackerFrame() override {
        ++frames;
        return 0;
    }

    // The calls so far (frame calls are only counted), and forgetting them.
    std::vector<std::string> calls;
    int frames = 0;
    void clear() {
        calls.clear();
        frames = 0;
    }

private:
    void add(const std::string& line) { calls.push_back(line); }
    uint32_t boards_ = 0;
    uint32_t achievements_ = 0;
};

}  // namespace onlinetest
