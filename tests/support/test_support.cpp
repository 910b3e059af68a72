// Shared test helpers.
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/platform.h"

namespace zvtest {

bool ensureGlContext() {
    static bool ready = false;
    if (ready) return true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::init(SDL_INIT_VIDEO);
    ready = platform::setVideoMode(0, 0, 0, 0) != nullptr;
    EXPECT_TRUE(ready) << "no headless OpenGL ES context";
    return ready;
}

namespace {
std::vector<std::string>& folders() {
    static std::vector<std::string>* list = [] {
        auto* l = new std::vector<std::string>();
        std::atexit([] {
            for (const std::string& f : folders()) {
                std::string cmd = "rm -rf '" + f + "'";
                if (std::system(cmd.c_str()) != 0) {
                }
            }
        });
        return l;
    }();
    return *list;
}
}  // namespace

std::string makeTempFolder() {
    char name[] = "/tmp/zvtest-XXXXXX";
    if (!mkdtemp(name)) return std::string();
    folders().push_back(name);
    return std::string(name) + "/";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

}  // namespace zvtest
