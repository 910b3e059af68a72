// Shared test helpers.
#include "support/test_support.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

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

std::string linkedGameDataFolder(const std::string& buildFolder) {
    const std::string folder = makeTempFolder();
    const std::string build = buildFolder.empty() || buildFolder.back() == '/' ? buildFolder
                                                                               : buildFolder + "/";
    if (DIR* d = opendir(build.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            const bool wav = name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0;
            if (name == "packres.bin" || wav) {
                EXPECT_EQ(symlink((build + name).c_str(), (folder + name).c_str()), 0) << name;
            }
        }
        closedir(d);
    }
    return folder;
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
