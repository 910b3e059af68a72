// Whole-file writes through a partial file and a rename.
#include "tools/writers/file_writer.h"

#include <cstdio>

bool writeWholeFile(const std::string& path, const uint8_t* bytes, size_t size,
                    std::string* error) {
    const std::string partial = path + ".partial";
    FILE* f = std::fopen(partial.c_str(), "wb");
    bool ok = f && (size == 0 || std::fwrite(bytes, 1, size, f) == size);
    if (f) ok = std::fclose(f) == 0 && ok;
    if (ok) ok = std::rename(partial.c_str(), path.c_str()) == 0;
    if (!ok) {
        if (f) std::remove(partial.c_str());
        if (error) *error = "cannot write " + path;
    }
    return ok;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
    return writeWholeFile(path, bytes.data(), bytes.size(), error);
}
