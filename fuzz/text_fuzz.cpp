// Fuzz target of the menu text reader: any bytes as "/menu00.txb", then lookups of every table the
// directory may name and of the tables escapes reach. No text may pass the decode buffer, and
// every lookup must end (self-referring escapes included).
#include <climits>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "menu/text_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!setTextData(fuzzcheck::heapCopy(data, size), size)) return 0;
    setMenuVariable(0, INT_MIN);
    setMenuVariable(1, -1);
    setMenuVariable(2, INT_MAX);
    const int room = textBufferSize() - 1;
    const int tables = textTableCount();
    for (int t = -1; t <= kLastFileTable + 2; ++t) {
        if (t > tables + 1 && t < 128) t = 128;  // the far tables only escapes name usually
        for (int e = 0; e <= textEntryCount(t) && e < 24; ++e) {
            int length = -1;
            const uint16_t* text = getText(t, e, &length);
            fuzzcheck::require(length >= 0 && length <= room && text[length] == 0);
        }
    }
    unloadTexts();
    return 0;
}
