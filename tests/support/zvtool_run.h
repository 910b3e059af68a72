// Runs the built zvtool (headless) with a scratch folder for its output, and reads back the PNG
// pictures it writes with the game's own reader.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx2d/png_reader.h"
#include "support/test_support.h"

namespace zvtest {

struct ToolRun {
    int status;  // the exit status; -1 when the tool is missing or did not exit
    std::string out, err;
};

// zvtool with the arguments, its output and errors kept in folder ("out" and "err").
inline ToolRun runZvtool(const std::string& folder, const std::vector<std::string>& args) {
    const std::string tool = ZV_BINARY_DIR "/tools/zvtool";
    if (!std::filesystem::exists(tool)) {
        ADD_FAILURE() << "zvtool is not built";
        return {-1, "", ""};
    }
    std::string command = "SDL_VIDEODRIVER=dummy '" + tool + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " > '" + folder + "out' 2> '" + folder + "err'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(folder + "out"),
            readFile(folder + "err")};
}

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;  // empty when the file is missing or not a PNG the game reads
    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

inline Picture readPngFile(const std::string& path) {
    const std::string bytes = readFile(path);
    Picture p;
    uint8_t* rgba = decodePngImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &p.width, &p.height);
    if (rgba) p.rgba.assign(rgba, rgba + static_cast<size_t>(p.width) * p.height * 4);
    delete[] rgba;
    return p;
}

}  // namespace zvtest
