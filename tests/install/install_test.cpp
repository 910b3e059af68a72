// The README's commands: `make run` starts the game from the build, and `cmake --install <build>
// --prefix <prefix>` into a scratch prefix gives the whole tree a packager ships (programs, data,
// menu entry, icons, software-centre record), and the installed game and harness run from that
// tree alone, keeping results in the user's folder.
#include <gtest/gtest.h>
#include <dirent.h>
#include <ftw.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"

extern char** environ;

namespace {

const std::string kBuild = ZV_BINARY_DIR;
const std::string kId = ZV_APP_ID;
const char* const kPrograms[] = {"zorvane", "zvtool", "zorvane-harness"};
const char* const kDataFiles[] = {"packres.bin", "bush1.wav", "bush2.wav", "hittree.wav",
                                  "pickup.wav", "ambient_short2.wav"};
const int kIconSizes[] = {48, 128, 256};
constexpr int kMainMenuFrame = 90;  // the main menu is up: loading picture and fade are over

struct Outcome {
    int status = -1;  // exit status, -1 when the command did not end normally
    std::string output;
};

// A command line through the shell, its output (both streams) captured.
Outcome shell(const std::string& command) {
    const std::string file = zvtest::makeTempFolder() + "out.txt";
    const int status = std::system((command + " >'" + file + "' 2>&1").c_str());
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.output = zvtest::readFile(file);
    return o;
}

bool onPath(const char* program) {
    return shell(std::string("command -v ") + program).status == 0;
}

std::string realPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// `cmake --install <build> --prefix <prefix>`, as the README gives it. The build's list of what
// it installed is put back afterwards: it is how a player removes their own install.
Outcome installInto(const std::string& prefix) {
    const std::string manifest = kBuild + "/install_manifest.txt";
    const bool hadManifest = access(manifest.c_str(), F_OK) == 0;
    const std::string saved = zvtest::readFile(manifest);
    Outcome o = shell("'" ZV_CMAKE_COMMAND "' --install '" + kBuild + "' --prefix '" + prefix + "'");
    if (hadManifest) zvtest::writeFile(manifest, saved);
    else unlink(manifest.c_str());
    return o;
}

// The tree, installed once for every test of this file.
struct Installed {
    std::string prefix;  // no trailing '/'
    Outcome install;
};

const Installed& installed() {
    static const Installed tree = [] {
        Installed t;
        t.prefix = zvtest::makeTempFolder() + "prefix";
        t.install = installInto(t.prefix);
        return t;
    }();
    return tree;
}

std::vector<std::string>* g_walked;
std::string g_walkRoot;

// Every file and link under the prefix, as paths relative to it, sorted.
std::vector<std::string> filesUnder(const std::string& root) {
    std::vector<std::string> found;
    g_walked = &found;
    g_walkRoot = root + "/";
    nftw(root.c_str(),
         [](const char* path, const struct stat*, int type, FTW*) {
             if (type == FTW_F || type == FTW_SL || type == FTW_SLN)
                 g_walked->push_back(std::string(path).substr(g_walkRoot.size()));
             return 0;
         },
         16, FTW_PHYS);
    std::sort(found.begin(), found.end());
    return found;
}

// key=value lines of a desktop entry's main group.
std::string entryValue(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
    }
    return std::string();
}

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Picture decodePng(const std::string& path) {
    const std::string bytes = zvtest::readFile(path);
    Picture p;
    std::unique_ptr<uint8_t[]> pixels(decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                     bytes.size(), &p.width, &p.height));
    if (pixels) p.rgba.assign(pixels.get(), pixels.get() + static_cast<size_t>(p.width) * p.height * 4);
    return p;
}

size_t distinctColours(const Picture& p) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 < p.rgba.size(); i += 4)
        colours.insert(static_cast<uint32_t>(p.rgba[i]) << 16 | p.rgba[i + 1] << 8 | p.rgba[i + 2]);
    return colours.size();
}

// Names in a folder other than . and .. (files, links and folders alike).
int entriesIn(const std::string& path) {
    int n = 0;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) n += std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..");
        closedir(d);
    }
    return n;
}

// The game started headless with the given variables on top of this process's own (less the
// display, SDL's and the user-folder variables), ended by SIGTERM, or killed if a test gives up.
class GameProcess {
public:
    GameProcess(const std::string& program, const std::vector<std::string>& variables) {
        std::vector<std::string> all;
        for (char** e = environ; *e; ++e) {
            const std::string v = *e;
            if (v.rfind("DISPLAY=", 0) && v.rfind("XDG_DATA_HOME=", 0) && v.rfind("HOME=", 0) &&
                v.rfind("SDL_", 0))
                all.push_back(v);
        }
        all.push_back("SDL_VIDEODRIVER=dummy");
        all.push_back("SDL_AUDIODRIVER=dummy");
        all.insert(all.end(), variables.begin(), variables.end());
        std::vector<char*> env;
        for (std::string& v : all) env.push_back(&v[0]);
        env.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, env.data()) != 0) pid_ = 0;
    }
    ~GameProcess() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
        }
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Waits up to 30 s for a file to appear while the game runs.
    bool waitFor(const std::string& path) {
        for (int i = 0; i < 300 && pid_ > 0 && !poll(); ++i) {
            if (isRegularFile(path)) return true;
            usleep(100 * 1000);
        }
        return false;
    }
    // SIGTERM (SDL's quit), then up to 10 s for the game to end: its exit status, or -1.
    int terminate() {
        if (pid_ <= 0) return -1;
        if (!ended_) kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && !poll(); ++i) usleep(100 * 1000);
        return ended_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    std::string state() const {
        if (pid_ <= 0) return "the game could not be started";
        if (!ended_) return "the game is still running";
        return "the game ended with wait status " + std::to_string(status_);
    }

private:
    bool poll() {
        if (!ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
        return ended_;
    }
    pid_t pid_ = 0;
    bool ended_ = false;
    int status_ = 0;
};

class Install : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(installed().install.status, 0) << installed().install.output;
        prefix = installed().prefix;
    }
    std::string prefix;
};

TEST_F(Install, PutsExactlyTheFilesAPackagerShips) {
    std::vector<std::string> expected;
    for (const char* program : kPrograms) expected.push_back(std::string("bin/") + program);
    for (const char* file : kDataFiles) expected.push_back(std::string("share/zorvane/") + file);
    expected.push_back("share/applications/" + kId + ".desktop");
    for (int size : kIconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        expected.push_back("share/icons/hicolor/" + folder + "/apps/" + kId + ".png");
    }
    expected.push_back("share/metainfo/" + kId + ".metainfo.xml");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesUnder(prefix), expected);

    for (const char* program : kPrograms) {
        const std::string path = prefix + "/bin/" + program;
        EXPECT_TRUE(isRegularFile(path) && access(path.c_str(), X_OK) == 0) << path;
    }
    for (const char* file : kDataFiles) {
        const std::string path = prefix + "/share/zorvane/" + file;
        EXPECT_TRUE(isRegularFile(path)) << path;
        EXPECT_EQ(zvtest::readFile(path), zvtest::readFile(kBuild + "/" + file)) << file;
    }
}

TEST_F(Install, IconsAreSquareCutOutsOfTheirFolderSize) {
    for (int size : kIconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const Picture icon = decodePng(prefix + "/share/icons/hicolor/" + folder + "/apps/" + kId +
                                       ".png");
        ASSERT_EQ(icon.width, size) << folder;
        ASSERT_EQ(icon.height, size) << folder;
        // Rounded corners are see-through; the scene inside is opaque and more than a flat fill.
        EXPECT_EQ(icon.at(0, 0)[3], 0) << folder;
        EXPECT_EQ(icon.at(size - 1, size - 1)[3], 0) << folder;
        EXPECT_EQ(icon.at(size / 2, size / 2)[3], 255) << folder;
        EXPECT_GT(distinctColours(icon), static_cast<size_t>(size)) << folder;
    }
}

TEST_F(Install, MenuEntryAndRecordNameTheSameIdAndTheInstalledPrograms) {
    const std::string entry = zvtest::readFile(prefix + "/share/applications/" + kId + ".desktop");
    EXPECT_EQ(entryValue(entry, "Exec"), prefix + "/bin/zorvane");
    EXPECT_EQ(entryValue(entry, "Icon"), kId);
    EXPECT_EQ(entryValue(entry, "Name"), "Zorvane");

    const std::string record = zvtest::readFile(prefix + "/share/metainfo/" + kId + ".metainfo.xml");
    EXPECT_NE(record.find("<id>" + kId + "</id>"), std::string::npos);
    EXPECT_NE(record.find("<launchable type=\"desktop-id\">" + kId + ".desktop</launchable>"),
              std::string::npos);
    size_t binaries = 0;
    for (size_t at = record.find("<binary>"); at != std::string::npos;
         at = record.find("<binary>", at + 1))
        ++binaries;
    EXPECT_EQ(binaries, std::size(kPrograms));
    for (const char* program : kPrograms)
        EXPECT_NE(record.find(std::string("<binary>") + program + "</binary>"), std::string::npos)
            << program;
}

TEST_F(Install, MenuEntryAndRecordPassTheirValidators) {
    bool any = false;
    if (onPath("desktop-file-validate")) {
        any = true;
        const Outcome o =
            shell("desktop-file-validate '" + prefix + "/share/applications/" + kId + ".desktop'");
        EXPECT_EQ(o.status, 0) << o.output;
        EXPECT_EQ(o.output, "") << "hints or warnings";
    }
    if (onPath("appstreamcli")) {
        any = true;
        const Outcome o = shell("appstreamcli validate --no-net '" + prefix + "/share/metainfo/" +
                                kId + ".metainfo.xml'");
        EXPECT_EQ(o.status, 0) << o.output;
        EXPECT_EQ(o.output.find("W:"), std::string::npos) << o.output;
        EXPECT_EQ(o.output.find("E:"), std::string::npos) << o.output;
    }
    if (!any) GTEST_SKIP() << "neither desktop-file-validate nor appstreamcli is installed";
}

TEST_F(Install, InstalledHarnessShowsTheSameMainMenuAsTheBuild) {
    // Both run without --data: each links the data it finds into a scratch folder of its own, so
    // the installed one can only have read <prefix>/share/zorvane.
    const std::string work = zvtest::makeTempFolder();
    auto capture = [&](const std::string& harness, const std::string& name) {
        const std::string scratch = work + name + "-tmp";
        mkdir(scratch.c_str(), 0755);
        const Outcome o = shell("cd / && TMPDIR='" + scratch + "' '" + harness +
                                "' --frames 0 --capture " + std::to_string(kMainMenuFrame) + ":" +
                                work + name + ".png");
        EXPECT_EQ(o.status, 0) << harness << "\n" << o.output;
        EXPECT_EQ(entriesIn(scratch), 0) << harness << " left its scratch folder behind";
        return work + name + ".png";
    };
    const Picture built = decodePng(capture(kBuild + "/tools/zorvane-harness", "build"));
    const Picture fromPrefix = decodePng(capture(prefix + "/bin/zorvane-harness", "installed"));
    ASSERT_EQ(built.width, 480);
    ASSERT_EQ(built.height, 320);
    EXPECT_TRUE(fromPrefix.rgba == built.rgba) << "the installed harness drew another picture";
    // The night forest under the menu, not the blank screen of a game without its data.
    EXPECT_GT(distinctColours(built), 2000u);
}

TEST_F(Install, InstalledGameReadsThePrefixAndKeepsItsRecordInTheUserFolder) {
    const std::string xdg = zvtest::makeTempFolder();
    const std::string user = xdg + "zorvane/";
    // Links left by an earlier copy of the game elsewhere (a build folder since removed).
    ASSERT_EQ(mkdir(user.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/nonexistent/build/packres.bin", (user + "packres.bin").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent/build/hittree.wav", (user + "hittree.wav").c_str()), 0);

    GameProcess game(prefix + "/bin/zorvane", {"XDG_DATA_HOME=" + xdg});
    ASSERT_TRUE(game.waitFor(user + "info")) << game.state();
    const std::string data = realPath(prefix + "/share/zorvane") + "/";
    for (const char* file : kDataFiles) {
        struct stat st;
        ASSERT_EQ(lstat((user + file).c_str(), &st), 0) << file;
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << file;
        EXPECT_EQ(realPath(user + file), data + file);
    }
    EXPECT_EQ(game.terminate(), 0) << game.state();
}

TEST(InstallIntoLocal, ReplacesTheBuildsLinksAndPlaysWithTheDataInPlace) {
    // The usual form, --prefix ~/.local, with the default user folder ~/.local/share/zorvane/:
    // the install's data folder is the user folder, where a build of the game left links.
    const std::string home = zvtest::makeTempFolder();
    const std::string local = home + ".local";
    const std::string user = local + "/share/zorvane/";
    ASSERT_EQ(shell("mkdir -p '" + user + "'").status, 0);
    for (const char* file : kDataFiles)
        ASSERT_EQ(symlink((kBuild + "/" + file).c_str(), (user + file).c_str()), 0) << file;

    const Outcome install = installInto(local);
    ASSERT_EQ(install.status, 0) << install.output;
    for (const char* file : kDataFiles) {
        EXPECT_TRUE(isRegularFile(user + file)) << file << " is still a link into the build";
        EXPECT_EQ(zvtest::readFile(user + file), zvtest::readFile(kBuild + "/" + file)) << file;
    }

    GameProcess game(local + "/bin/zorvane", {"HOME=" + home});
    ASSERT_TRUE(game.waitFor(user + "info")) << game.state();
    EXPECT_EQ(game.terminate(), 0) << game.state();
    for (const char* file : kDataFiles)
        EXPECT_TRUE(isRegularFile(user + file)) << file << " was replaced";
}

TEST(QuickStart, MakeRunStartsTheBuiltGameThroughToItsMainMenu) {
    // `make run` as the README gives it, on this build (headless, ending at the main menu): the
    // package check, configure and build steps find everything in place and the game starts.
    const std::string xdg = zvtest::makeTempFolder();
    const Outcome run = shell("cd '" ZV_SOURCE_DIR "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy"
                              " ZV_EXIT_AT_MENU=1 XDG_DATA_HOME='" + xdg + "' make run BUILD='" +
                              kBuild + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("zorvane: main menu after "), std::string::npos) << run.output;
    EXPECT_EQ(access((xdg + "zorvane/info").c_str(), F_OK), 0) << "no record in the user folder";
    EXPECT_EQ(realPath(xdg + "zorvane/packres.bin"), realPath(kBuild + "/packres.bin"));
}

}  // namespace
