// zvtool pack: creates resource packs from files or a folder, lists them, and unpacks them.
// Listing and unpacking go through the game's own pack reader, so they see what the game sees.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "storage/pack.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/pack_writer.h"
#include "tools/zvtool/commands.h"

namespace fs = std::filesystem;

namespace {

void usage(FILE* out) {
    std::fprintf(
        out,
        "usage: zvtool pack create OUT FILE...    pack the files, each named by its file name\n"
        "       zvtool pack create OUT DIR        pack every file under DIR, named by its\n"
        "                                         path relative to DIR, in sorted order\n"
        "       zvtool pack list PACK             name, stored size, unpacked size and\n"
        "                                         stored/zlib of every entry\n"
        "       zvtool pack extract PACK [NAME...] [-C DIR]\n"
        "                                         write the named entries (all entries when\n"
        "                                         none is named) under DIR (default: .)\n");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "zvtool pack: %s\n", message.c_str());
    return 1;
}

bool readWholeFile(const fs::path& path, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) {
        bytes->insert(bytes->end(), block, block + n);
    }
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Files to pack: every regular file under folder with names relative to it, sorted by name. A
// pack written into the folder it packs (out) is not packed into itself.
bool collectFolder(const fs::path& folder, const fs::path& out, std::vector<PackInput>* entries,
                   std::string* error) {
    std::error_code ec;
    std::vector<std::pair<std::string, fs::path>> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code notThere;
        if (it->is_regular_file() && !fs::equivalent(it->path(), out, notThere)) {
            files.emplace_back(it->path().lexically_relative(folder).generic_string(), it->path());
        }
    }
    if (ec) {
        *error = "cannot read folder " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const auto& [name, path] : files) {
        PackInput entry;
        entry.name = name;
        if (!readWholeFile(path, &entry.bytes)) {
            *error = "cannot read " + path.string();
            return false;
        }
        entries->push_back(std::move(entry));
    }
    return true;
}

int create(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const char* out = argv[0];
    std::vector<PackInput> entries;
    std::string error;
    std::error_code ec;
    if (argc == 2 && fs::is_directory(argv[1], ec)) {
        if (!collectFolder(argv[1], out, &entries, &error)) return fail(error);
    } else {
        for (int i = 1; i < argc; ++i) {
            if (fs::is_directory(argv[i], ec)) {
                return fail(std::string(argv[i]) + " is a folder; give one folder alone, or files");
            }
            PackInput entry;
            entry.name = fs::path(argv[i]).filename().string();
            if (!readWholeFile(argv[i], &entry.bytes))
                return fail(std::string("cannot read ") + argv[i]);
            entries.push_back(std::move(entry));
        }
    }
    if (!writePackFile(out, entries, &error)) return fail(error);
    return 0;
}

bool openOrComplain(const char* path) {
    if (openPack(path)) return true;
    fail(std::string(path) + " is not a resource pack, or cannot be read");
    return false;
}

int list(int argc, char** argv) {
    if (argc != 1) {
        usage(stderr);
        return 2;
    }
    if (!openOrComplain(argv[0])) return 1;
    int width = 4;
    for (int i = 0; i < packEntryCount(); ++i) {
        width = std::max(width, static_cast<int>(std::strlen(packEntryName(i, nullptr))));
    }
    std::printf("%-*s %10s %10s  %s\n", width, "name", "stored", "unpacked", "kind");
    for (int i = 0; i < packEntryCount(); ++i) {
        PackEntry entry;
        const char* name = packEntryName(i, &entry);
        std::printf("%-*s %10u %10u  %s\n", width, name, entry.storedSize, entry.unpackedSize,
                    (entry.flags & kPackFlagStored) ? "stored" : "zlib");
    }
    closePack();
    return 0;
}

// A name from a pack may only lead below the output folder: no absolute path, no "..".
bool safeRelativeName(const std::string& name) {
    fs::path path(name);
    if (name.empty() || path.is_absolute()) return false;
    for (const fs::path& part : path) {
        if (part == ".." || part == "." || part.empty()) return false;
    }
    return true;
}

int extract(int argc, char** argv) {
    const char* packPath = nullptr;
    fs::path folder = ".";
    std::vector<std::string> names;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-C")) {
            if (++i == argc) {
                usage(stderr);
                return 2;
            }
            folder = argv[i];
        } else if (!packPath) {
            packPath = argv[i];
        } else {
            names.push_back(argv[i][0] == '/' ? argv[i] + 1 : argv[i]);
        }
    }
    if (!packPath) {
        usage(stderr);
        return 2;
    }
    if (!openOrComplain(packPath)) return 1;
    if (names.empty()) {
        for (int i = 0; i < packEntryCount(); ++i) names.push_back(packEntryName(i, nullptr));
    }
    for (const std::string& name : names) {
        if (findEntry(name.c_str(), nullptr) < 0)
            return fail("no entry '" + name + "' in " + packPath);
        if (!safeRelativeName(name))
            return fail("entry name '" + name + "' leads outside the folder");
    }
    for (const std::string& name : names) {
        uint8_t* bytes = loadEntry(name.c_str());
        if (!bytes) return fail("entry '" + name + "' is damaged");
        fs::path target = folder / name;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        bool written =
            writeWholeFile(target.string(), bytes, static_cast<size_t>(entrySize(name.c_str())));
        delete[] bytes;
        if (!written) return fail("cannot write " + target.string());
    }
    closePack();
    return 0;
}

}  // namespace

int packCommand(int argc, char** argv) {
    if (argc < 1) {
        usage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[0], "create")) return create(argc - 1, argv + 1);
    if (!std::strcmp(argv[0], "list")) return list(argc - 1, argv + 1);
    if (!std::strcmp(argv[0], "extract")) return extract(argc - 1, argv + 1);
    if (!std::strcmp(argv[0], "-h") || !std::strcmp(argv[0], "--help")) {
        usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "zvtool pack: unknown action '%s'\n", argv[0]);
    usage(stderr);
    return 2;
}
