// Fuzz target of the resource pack: any bytes as "packres.bin", then every lookup and load the
// directory allows. A load must give null or a buffer of exactly the size the directory claims.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/memory.h"
#include "storage/pack.h"

namespace {

// One scratch file for the whole run, rewritten for every input and removed at exit.
std::string g_scratchPath;

void removeScratch() { unlink(g_scratchPath.c_str()); }

const std::string& scratchPath() {
    if (g_scratchPath.empty()) {
        char pattern[] = "/tmp/zv-pack-fuzz-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd < 0) abort();
        close(fd);
        g_scratchPath = pattern;
        atexit(removeScratch);
    }
    return g_scratchPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f) abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    openPack(scratchPath().c_str());
    for (int i = 0; i < packEntryCount(); ++i) {
        PackEntry entry;
        const char* name = packEntryName(i, &entry);
        if (!name) abort();
        uint8_t* bytes = loadEntry(name);  // the first entry of that name, when names repeat
        if (bytes && allocationSize(bytes) != static_cast<size_t>(entrySize(name))) abort();
        delete[] bytes;
        uint8_t head[16];
        readRange(head, entry.dataOffset,
                  entry.storedSize < sizeof head ? entry.storedSize : sizeof head);
    }
    findEntry("/world.kvm", nullptr);
    closePack();
    return 0;
}
