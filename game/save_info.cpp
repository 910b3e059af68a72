// Encoding and checked decoding of the saved record.
#include "game/save_info.h"

#include <cmath>
#include <cstring>

#include "game/sound_settings.h"
#include "storage/byte_reader.h"

namespace {

void putU32(uint8_t* out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
    out[at + 2] = static_cast<uint8_t>(v >> 16);
    out[at + 3] = static_cast<uint8_t>(v >> 24);
}

void putI32(uint8_t* out, size_t at, int32_t v) { putU32(out, at, static_cast<uint32_t>(v)); }

void putF32(uint8_t* out, size_t at, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    putU32(out, at, bits);
}

void putRecords(uint8_t* out, size_t at, const ModeRecords& r) {
    for (int32_t i = 0; i < kRecordSlots; ++i) putF32(out, at + 4 * i, r.top[i]);
    for (int32_t i = 0; i < kRecordSlots; ++i) putF32(out, at + 40 + 4 * i, r.ring[i]);
    putI32(out, at + 80, r.ringIndex);
}

float distanceField(ByteReader& in) {
    const float d = in.f32();
    return std::isfinite(d) && d >= 0.0f ? d : 0.0f;
}

bool flagField(ByteReader& in, bool startValue) {
    const uint8_t b = in.u8();
    return b <= 1 ? b == 1 : startValue;
}

int32_t indexField(ByteReader& in, int32_t count) {
    const int32_t i = in.i32();
    return i >= 0 && i < count ? i : 0;
}

void readRecords(ByteReader& in, ModeRecords* r) {
    for (float& d : r->top) d = distanceField(in);
    for (float& d : r->ring) d = distanceField(in);
    r->ringIndex = indexField(in, kRecordSlots);
    // Largest first, as the insertion keeps it; a stable insertion sort of ten values.
    for (int32_t i = 1; i < kRecordSlots; ++i) {
        const float v = r->top[i];
        int32_t j = i;
        for (; j > 0 && r->top[j - 1] < v; --j) r->top[j] = r->top[j - 1];
        r->top[j] = v;
    }
}

}  // namespace

void saveInfoDefaults(SaveInfo* info) {
    *info = SaveInfo{};
    info->volume = kStartVolume;
    info->usageTracking = true;
}

void encodeSaveInfo(const SaveInfo& info, uint8_t out[kSaveInfoBytes]) {
    std::memset(out, 0, kSaveInfoBytes);
    putU32(out, 0, kSaveMagic);
    putI32(out, 4, info.bestPoints[0]);
    putI32(out, 8, info.bestPoints[1]);
    out[12] = info.online ? 1 : 0;
    putRecords(out, 16, info.records[0]);
    putRecords(out, 100, info.records[1]);
    for (int32_t i = 0; i < kAchievements; ++i) out[184 + i] = info.achievements[i] ? 1 : 0;
    for (int32_t i = 0; i < kLastDistances; ++i) putF32(out, 208 + 4 * i, info.lastDistances[i]);
    putI32(out, 220, info.lastIndex);
    putI32(out, 224, info.runsCounted);
    putF32(out, 228, info.volume);
    out[232] = info.usageTracking ? 1 : 0;
}

bool decodeSaveInfo(const uint8_t* data, size_t size, SaveInfo* info) {
    if (!data || size < kSaveInfoBytes) return false;
    ByteReader in(data, kSaveInfoBytes);
    if (in.u32() != kSaveMagic) return false;

    SaveInfo s{};
    for (int32_t& best : s.bestPoints) {
        best = in.i32();
        if (best < 0) best = 0;
    }
    s.online = flagField(in, false);
    in.skip(3);
    readRecords(in, &s.records[0]);
    readRecords(in, &s.records[1]);
    for (bool& a : s.achievements) a = flagField(in, false);
    for (float& d : s.lastDistances) d = distanceField(in);
    s.lastIndex = indexField(in, kLastDistances);
    const int32_t runs = in.i32();
    s.runsCounted = runs < 0 ? 0 : (runs > kRunsForShortRuns ? kRunsForShortRuns : runs);
    const float volume = in.f32();
    s.volume = std::isnan(volume) ? kStartVolume
                                  : (volume < 0.0f ? 0.0f : (volume > 1.0f ? 1.0f : volume));
    s.usageTracking = flagField(in, true);
    in.skip(3);
    if (in.failed()) return false;  // every read above lies within the 236 bytes
    *info = s;
    return true;
}
