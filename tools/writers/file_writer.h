// Writing a whole file for the tools: the bytes land under the final name only once they are all
// on disk, so a failed or interrupted write never leaves a cut-short file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes bytes to path through path + ".partial" and a rename over any file already there. On
// failure the old file (if any) is untouched, the partial file is removed, and error (when given)
// says "cannot write <path>".
bool writeWholeFile(const std::string& path, const uint8_t* bytes, size_t size,
                    std::string* error = nullptr);
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string* error = nullptr);
