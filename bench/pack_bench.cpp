// Pack loading speed: every entry of a 10 MiB pack of 200 compressed entries, loaded through the
// 512-byte streaming inflate, against zlib's whole-buffer uncompress of the same streams held in
// memory (and read from the pack first), and against reading the raw file as cat would.
// With --table, one row for bench/run_all.sh: loadEntry against the in-memory uncompress.
#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_table.h"
#include "storage/pack.h"
#include "tools/writers/pack_writer.h"

namespace {

constexpr int kEntries = 200;
constexpr size_t kPackBytes = 10u << 20;  // unpacked
constexpr int kRounds = 15;               // best of

uint32_t g_random = 12345;
uint32_t nextRandom() {
    g_random = g_random * 1664525u + 1013904223u;
    return g_random >> 8;
}

// Entry contents in the manner of the game's assets: runs of word-like text (menus, model names,
// key-value lists) between runs of noisy numeric data (vertices, texels) that compress less.
std::vector<uint8_t> assetLikeBytes(size_t size) {
    static const char* const kWords[] = {"tree", "shrub", "coin",   "marker", "forest", "night",
                                         "mesh", "frame", "sprite", "menu",   "runner", "score"};
    std::vector<uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        size_t run = 256 + nextRandom() % 4096;
        if (nextRandom() % 2) {
            while (run-- > 0 && bytes.size() < size) {
                const char* w = kWords[nextRandom() % 12];
                while (*w && bytes.size() < size) bytes.push_back(static_cast<uint8_t>(*w++));
                if (bytes.size() < size) bytes.push_back(nextRandom() % 8 ? ' ' : '\n');
            }
        } else {
            uint8_t level = static_cast<uint8_t>(nextRandom());
            while (run-- > 0 && bytes.size() < size) {
                level = static_cast<uint8_t>(level + nextRandom() % 9 - 4);  // a noisy slope
                bytes.push_back(level);
            }
        }
    }
    return bytes;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A way of getting the bytes, timed as the best of the rounds it runs in.
struct Method {
    const char* label;
    std::function<void()> work;
    double best = 1e30;  // seconds
};

// Runs the methods in turn, round after round, so that a slow spell of a busy machine falls on
// all of them alike; keeps each method's best round.
void timeInTurn(std::vector<Method>* methods) {
    for (int round = 0; round < kRounds; ++round) {
        for (Method& method : *methods) {
            auto start = std::chrono::steady_clock::now();
            method.work();
            method.best = std::min(method.best, seconds(start));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool table = bench::tableMode(argc, argv);
    std::string folder = (std::filesystem::temp_directory_path() / "zv-pack-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string path = folder + "/" + kPackFileName;

    // Entry sizes spread between half and one and a half times the mean, in pairs that add up to
    // twice the mean; the last entry also takes the remainder, so the total is exactly 10 MiB.
    std::vector<PackInput> entries;
    size_t total = 0;
    const size_t mean = kPackBytes / kEntries;
    size_t spread = 0;
    for (int i = 0; i < kEntries; ++i) {
        if (i % 2 == 0) spread = nextRandom() % mean;
        size_t size = i % 2 == 0 ? mean / 2 + spread : mean + mean / 2 - spread;
        if (i + 1 == kEntries) size += kPackBytes - kEntries * mean;
        entries.push_back(
            {"asset" + std::to_string(i) + ".bin", assetLikeBytes(size), PackStorage::kZlib});
        total += size;
    }
    std::string error;
    if (!writePackFile(path.c_str(), entries, &error) || !openPack(path.c_str())) {
        std::fprintf(stderr, "pack_bench: %s\n", error.c_str());
        return 1;
    }

    // The compressed streams, held in memory for the whole-buffer baseline.
    std::vector<std::vector<uint8_t>> streams;
    size_t storedTotal = 0;
    for (const PackInput& entry : entries) {
        PackEntry found;
        findEntry(entry.name.c_str(), &found);
        streams.emplace_back(found.storedSize);
        readRange(streams.back().data(), found.dataOffset, found.storedSize);
        storedTotal += found.storedSize;
    }
    size_t fileBytes = std::filesystem::file_size(path);

    bool allLoaded = true;
    auto uncompressAll = [&](bool readFirst) {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (readFirst) {
                PackEntry found;
                findEntry(entries[i].name.c_str(), &found);
                readRange(streams[i].data(), found.dataOffset, found.storedSize);
            }
            uLongf length = static_cast<uLongf>(entries[i].bytes.size());
            auto* bytes = new uint8_t[length];
            allLoaded = allLoaded && uncompress(bytes, &length, streams[i].data(),
                                                static_cast<uLong>(streams[i].size())) == Z_OK;
            delete[] bytes;
        }
    };
    std::vector<uint8_t> block(65536);
    std::vector<Method> methods = {
        {"loadEntry (512-byte streaming inflate)",
         [&] {
             for (const PackInput& entry : entries) {
                 uint8_t* bytes = loadEntry(entry.name.c_str());
                 allLoaded = allLoaded && bytes;
                 delete[] bytes;
             }
         }},
        {"uncompress, streams in memory", [&] { uncompressAll(false); }},
        {"readRange + uncompress, whole buffer", [&] { uncompressAll(true); }},
        {"raw file read, 64 KiB blocks",
         [&] {
             FILE* f = std::fopen(path.c_str(), "rb");
             while (f && std::fread(block.data(), 1, block.size(), f) == block.size()) {
             }
             if (f) std::fclose(f);
         }},
    };
    timeInTurn(&methods);

    const double mib = 1024.0 * 1024.0;
    if (table) {
        bench::tableRow("pack inflate: 10 MiB in 200 entries, loadEntry", methods[0].best * 1e3,
                        "ms", methods[1].best * 1e3, "zlib uncompress, in memory");
    } else {
        std::printf("pack: %d entries, %.2f MiB unpacked, %.2f MiB stored (%.1f %%), "
                    "file %.2f MiB\n",
                    kEntries, total / mib, storedTotal / mib, 100.0 * storedTotal / total,
                    fileBytes / mib);
        std::printf("best of %d rounds; MiB/s of unpacked bytes (of file bytes for the raw "
                    "read)\n",
                    kRounds);
        for (size_t i = 0; i < methods.size(); ++i) {
            double bytes = i + 1 < methods.size() ? total : fileBytes;
            std::printf("  %-40s %9.1f MiB/s %8.2f ms\n", methods[i].label,
                        bytes / mib / methods[i].best, methods[i].best * 1e3);
        }
        std::printf("  loadEntry / in-memory uncompress         %9.2f x\n",
                    methods[0].best / methods[1].best);
        std::printf("  loadEntry / readRange + uncompress       %9.2f x\n",
                    methods[0].best / methods[2].best);
    }

    closePack();
    std::filesystem::remove_all(folder);
    if (!allLoaded) {
        std::fprintf(stderr, "pack_bench: an entry failed to load\n");
        return 1;
    }
    return 0;
}
