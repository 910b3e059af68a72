// The README's commands: `make run` starts the game from the build, and `cmake --install <build>
// --prefix <prefix>` into a scratch prefix gives the whole tree a packager ships (programs, data,
// menu entry, icons, software-centre record), and the installed game and harness run from that
// tree alone, keeping results in the user's folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

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
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, zvtest::readFile(file)};
}

// The game started headless with the given variables instead of this process's display, SDL and
// user-folder ones, until its first main menu frame (when it has read its data and its record).
Outcome playToMainMenu(const std::string& program, const std::string& variables) {
    return shell("env -u DISPLAY -u HOME -u XDG_DATA_HOME SDL_VIDEODRIVER=dummy "
                 "SDL_AUDIODRIVER=dummy ZV_EXIT_AT_MENU=1 " + variables + " timeout 60 '" +
                 program + "'");
}

bool isRegularFile(const std::string& path) {
    return fs::is_regular_file(fs::symlink_status(path));
}

std::string realPath(const std::string& path) {
    std::error_code error;
    return fs::canonical(path, error).string();
}

// `cmake --install <build> --prefix <prefix>`, as the README gives it. The build's list of what
// it installed is put back afterwards: it is how a player removes their own install.
Outcome installInto(const std::string& prefix) {
    const std::string manifest = kBuild + "/install_manifest.txt";
    const bool hadManifest = access(manifest.c_str(), F_OK) == 0;
    const std::string saved = zvtest::readFile(manifest);
    Outcome o =
        shell("'" ZV_CMAKE_COMMAND "' --install '" + kBuild + "' --prefix '" + prefix + "'");
    if (hadManifest) zvtest::writeFile(manifest, saved);
    else unlink(manifest.c_str());
    return o;
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
    uint8_t alpha(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3]; }
    size_t colours() const {
        std::set<uint32_t> seen;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4)
            seen.insert(static_cast<uint32_t>(rgba[i]) << 16 | rgba[i + 1] << 8 | rgba[i + 2]);
        return seen.size();
    }
};

Picture decodePng(const std::string& path) {
    const std::string bytes = zvtest::readFile(path);
    Picture p;
    std::unique_ptr<uint8_t[]> pixels(decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                     bytes.size(), &p.width, &p.height));
    if (pixels) p.rgba.assign(pixels.get(), pixels.get() + size_t{4} * p.width * p.height);
    return p;
}

// The tree, installed once for every test of this file.
class Install : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::string root = zvtest::makeTempFolder() + "prefix";
        static const Outcome install = installInto(root);
        ASSERT_EQ(install.status, 0) << install.output;
        prefix = root;
    }
    std::string prefix;  // no trailing '/'
};

TEST_F(Install, PutsExactlyTheFilesAPackagerShips) {
    std::vector<std::string> expected = {"share/applications/" + kId + ".desktop",
                                         "share/metainfo/" + kId + ".metainfo.xml"};
    for (const char* program : kPrograms) expected.push_back(std::string("bin/") + program);
    for (const char* file : kDataFiles) expected.push_back(std::string("share/zorvane/") + file);
    for (int size : kIconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        expected.push_back("share/icons/hicolor/" + folder + "/apps/" + kId + ".png");
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> found;  // every file and link, as paths relative to the prefix
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(prefix))
        if (e.symlink_status().type() != fs::file_type::directory)
            found.push_back(fs::relative(e.path(), prefix).string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);

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
        SCOPED_TRACE(folder);
        const Picture icon =
            decodePng(prefix + "/share/icons/hicolor/" + folder + "/apps/" + kId + ".png");
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        // Rounded corners are see-through; the scene inside is opaque and more than a flat fill.
        EXPECT_EQ(icon.alpha(0, 0), 0);
        EXPECT_EQ(icon.alpha(size - 1, size - 1), 0);
        EXPECT_EQ(icon.alpha(size / 2, size / 2), 255);
        EXPECT_GT(icon.colours(), static_cast<size_t>(size));
    }
}

TEST_F(Install, MenuEntryAndRecordNameTheSameIdAndTheInstalledPrograms) {
    const std::string entry = zvtest::readFile(prefix + "/share/applications/" + kId + ".desktop");
    EXPECT_EQ(entryValue(entry, "Exec"), prefix + "/bin/zorvane");
    EXPECT_EQ(entryValue(entry, "Icon"), kId);
    EXPECT_EQ(entryValue(entry, "Name"), "Zorvane");

    const std::string record =
        zvtest::readFile(prefix + "/share/metainfo/" + kId + ".metainfo.xml");
    EXPECT_NE(record.find("<id>" + kId + "</id>"), std::string::npos);
    EXPECT_NE(record.find("<launchable type=\"desktop-id\">" + kId + ".desktop</launchable>"),
              std::string::npos);
    std::string binaries;
    for (size_t at = record.find("<binary>"); at != std::string::npos;
         at = record.find("<binary>", at + 1))
        binaries += record.substr(at + 8, record.find("</binary>", at) - at - 8) + " ";
    EXPECT_EQ(binaries, "zorvane zvtool zorvane-harness ");
}

TEST_F(Install, MenuEntryAndRecordPassTheirValidators) {
    bool any = false;
    if (shell("command -v desktop-file-validate").status == 0) {
        any = true;
        const Outcome o =
            shell("desktop-file-validate '" + prefix + "/share/applications/" + kId + ".desktop'");
        EXPECT_EQ(o.status, 0) << o.output;
        EXPECT_EQ(o.output, "") << "hints or warnings";
    }
    if (shell("command -v appstreamcli").status == 0) {
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
        fs::create_directory(scratch);
        const Outcome o = shell("cd / && TMPDIR='" + scratch + "' '" + harness +
                                "' --frames 0 --capture " + std::to_string(kMainMenuFrame) + ":" +
                                work + name + ".png");
        EXPECT_EQ(o.status, 0) << harness << "\n" << o.output;
        EXPECT_TRUE(fs::is_empty(scratch)) << harness << " left its scratch folder behind";
        return decodePng(work + name + ".png");
    };
    const Picture built = capture(kBuild + "/tools/zorvane-harness", "build");
    const Picture fromPrefix = capture(prefix + "/bin/zorvane-harness", "installed");
    ASSERT_EQ(built.width, 480);
    ASSERT_EQ(built.height, 320);
    EXPECT_TRUE(fromPrefix.rgba == built.rgba) << "the installed harness drew another picture";
    // The night forest under the menu, not the blank screen of a game without its data.
    EXPECT_GT(built.colours(), 2000u);
}

TEST_F(Install, InstalledGameReadsThePrefixAndKeepsItsRecordInTheUserFolder) {
    const std::string xdg = zvtest::makeTempFolder();
    const std::string user = xdg + "zorvane/";
    // Links left by an earlier copy of the game elsewhere (a build folder since removed).
    fs::create_directory(user);
    fs::create_symlink("/nonexistent/build/packres.bin", user + "packres.bin");
    fs::create_symlink("/nonexistent/build/hittree.wav", user + "hittree.wav");

    const Outcome game = playToMainMenu(prefix + "/bin/zorvane", "XDG_DATA_HOME='" + xdg + "'");
    EXPECT_EQ(game.status, 0) << game.output;
    EXPECT_TRUE(isRegularFile(user + "info")) << "no record in the user folder";
    const std::string data = realPath(prefix + "/share/zorvane") + "/";
    for (const char* file : kDataFiles) {
        EXPECT_TRUE(fs::is_symlink(user + file)) << file;
        EXPECT_EQ(realPath(user + file), data + file);
    }
}

TEST(InstallIntoLocal, ReplacesTheBuildsLinksAndPlaysWithTheDataInPlace) {
    // The usual form, --prefix ~/.local, with the default user folder ~/.local/share/zorvane/:
    // the install's data folder is the user folder, where a build of the game left links.
    const std::string home = zvtest::makeTempFolder();
    const std::string user = home + ".local/share/zorvane/";
    fs::create_directories(user);
    for (const char* file : kDataFiles) fs::create_symlink(kBuild + "/" + file, user + file);

    const Outcome install = installInto(home + ".local");
    ASSERT_EQ(install.status, 0) << install.output;
    for (const char* file : kDataFiles) {
        EXPECT_TRUE(isRegularFile(user + file)) << file << " is still a link into the build";
        EXPECT_EQ(zvtest::readFile(user + file), zvtest::readFile(kBuild + "/" + file)) << file;
    }
    const Outcome game = playToMainMenu(home + ".local/bin/zorvane", "HOME='" + home + "'");
    EXPECT_EQ(game.status, 0) << game.output;
    EXPECT_TRUE(isRegularFile(user + "info")) << "no record in the user folder";
    for (const char* file : kDataFiles)
        EXPECT_TRUE(isRegularFile(user + file)) << file << " was replaced";
}

TEST(QuickStart, MakeRunStartsTheBuiltGameThroughToItsMainMenu) {
    // `make run` as the README gives it, on this build (headless, ending at the main menu): the
    // package check, configure and build steps find everything in place and the game starts.
    const std::string xdg = zvtest::makeTempFolder();
    const Outcome run = shell("cd '" ZV_SOURCE_DIR "' && SDL_VIDEODRIVER=dummy "
                              "SDL_AUDIODRIVER=dummy ZV_EXIT_AT_MENU=1 XDG_DATA_HOME='" + xdg +
                              "' make run BUILD='" + kBuild + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("zorvane: main menu after "), std::string::npos) << run.output;
    EXPECT_EQ(access((xdg + "zorvane/info").c_str(), F_OK), 0) << "no record in the user folder";
    EXPECT_EQ(realPath(xdg + "zorvane/packres.bin"), realPath(kBuild + "/packres.bin"));
}

}  // namespace
