// Fuzz target of the saved record "info": the bytes as they are (mostly refused: short or foreign),
// then the same bytes with the right magic, so the field checks see every kind of value. An
// accepted record must hold every field in its documented range, and writing it out and reading
// it back must give the same values.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/save_info.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void checkRange(const SaveInfo& s) {
    for (int32_t best : s.bestPoints) check(best >= 0);
    for (const ModeRecords& r : s.records) {
        for (int i = 0; i < kRecordSlots; ++i) {
            check(std::isfinite(r.top[i]) && r.top[i] >= 0.0f);
            check(std::isfinite(r.ring[i]) && r.ring[i] >= 0.0f);
            if (i > 0) check(r.top[i - 1] >= r.top[i]);
        }
        check(r.ringIndex >= 0 && r.ringIndex < kRecordSlots);
    }
    for (float d : s.lastDistances) check(std::isfinite(d) && d >= 0.0f);
    check(s.lastIndex >= 0 && s.lastIndex < kLastDistances);
    check(s.runsCounted >= 0 && s.runsCounted <= kRunsForShortRuns);
    check(s.volume >= 0.0f && s.volume <= 1.0f);
}

void checkRoundTrip(const SaveInfo& s) {
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(s, bytes);
    SaveInfo back;
    check(decodeSaveInfo(bytes, sizeof bytes, &back));
    uint8_t again[kSaveInfoBytes];
    encodeSaveInfo(back, again);
    check(std::memcmp(bytes, again, sizeof bytes) == 0);
}

void decode(const uint8_t* data, size_t size) {
    SaveInfo s;
    saveInfoDefaults(&s);
    if (!decodeSaveInfo(data, size, &s)) return;
    checkRange(s);
    checkRoundTrip(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly size bytes, so that a read past the end is caught.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    decode(copy, size);
    if (size >= 4) {
        const uint32_t magic = kSaveMagic;
        for (int i = 0; i < 4; ++i) copy[i] = static_cast<uint8_t>(magic >> (8 * i));
        decode(copy, size);
    }
    delete[] copy;
    return 0;
}
