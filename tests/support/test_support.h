// Shared test helpers: a headless OpenGL ES 1.1 context and scratch folders.
#pragma once

#include <string>

namespace zvtest {

// Makes the real Mesa OpenGL ES 1.1 context current (headless, drawing into the portrait
// framebuffer), once per process. Fails the calling test when it cannot be had.
bool ensureGlContext();

// A new empty folder under the system's temporary folder (removed at exit), with a trailing '/'.
std::string makeTempFolder();

// A new scratch folder (as makeTempFolder) holding links to the game's data in buildFolder: the
// pack and every WAV, as an install folder holds them.
std::string linkedGameDataFolder(const std::string& buildFolder);

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace zvtest
