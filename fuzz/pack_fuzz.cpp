// Fuzz target of the resource pack: any bytes as "packres.bin", then every lookup and load the
// directory allows. A load must give null or a buffer of exactly the size the directory claims.
#include <cstdint>
#include <string>

#include "app/memory.h"
#include "fuzz/fuzz_checks.h"
#include "storage/pack.h"

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzcheck::scratchPath(kPackFileName);
    fuzzcheck::writeFile(path, data, size);
    openPack(path.c_str());
    for (int i = 0; i < packEntryCount(); ++i) {
        PackEntry entry;
        const char* name = packEntryName(i, &entry);
        require(name != nullptr);
        uint8_t* bytes = loadEntry(name);  // the first entry of that name, when names repeat
        require(!bytes || allocationSize(bytes) == static_cast<size_t>(entrySize(name)));
        delete[] bytes;
        uint8_t head[16];
        readRange(head, entry.dataOffset,
                  entry.storedSize < sizeof head ? entry.storedSize : sizeof head);
    }
    findEntry("/world.kvm", nullptr);
    closePack();
    return 0;
}
