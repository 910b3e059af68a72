// SaveInfo: the saved record "info" that carries the results, the achievements and the settings
// across launches. 236 bytes, little-endian:
//
//   0  i32 magic 0x00010108         100  10 f32 points mode top ten
//   4  i32 best points, distance    140  10 f32 points mode last-ten ring
//   8  i32 best points, points      180  i32 points mode ring index
//  12  u8  online service enabled   184  24 u8 achievement flags
//  13  3 bytes padding (0)          208  3 f32 last three distances
//  16  10 f32 distance top ten      220  i32 last distances index
//  56  10 f32 distance last-ten     224  i32 runs counted
//  96  i32 distance ring index      228  f32 sound volume
//                                   232  u8 usage tracker flag, then 3 bytes padding (0)
//
// A record shorter than 236 bytes or with another magic is ignored whole. A record with the right
// magic is read field by field and every field that makes no sense is mended, never trusted:
//   - best points below 0 become 0;
//   - a distance (top ten, ring, last three) that is negative, NaN or infinite becomes 0 (empty),
//     and each top ten is put back in order, largest first;
//   - a ring index outside 0..9 and a last-distances index outside 0..2 become 0;
//   - runs counted is held to 0..3;
//   - a flag byte other than 0 or 1 takes its start value: online off, achievement locked, usage
//     tracker on;
//   - a NaN volume becomes 0.75, any other volume is held to 0..1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/records.h"
#include "game/run_stats.h"

constexpr uint32_t kSaveMagic = 0x00010108;
constexpr size_t kSaveInfoBytes = 236;
constexpr const char* kSaveRecordName = "info";

struct SaveInfo {
    int32_t bestPoints[2];   // by game mode
    bool online;             // the online service was enabled
    ModeRecords records[2];  // by game mode
    bool achievements[kAchievements];
    float lastDistances[kLastDistances];
    int32_t lastIndex;       // 0..2
    int32_t runsCounted;     // 0..3
    float volume;            // 0..1
    bool usageTracking;      // the usage tracker's opt-in
};

// The values of a first start: nothing recorded, volume 0.75, usage tracking on.
void saveInfoDefaults(SaveInfo* info);
// The 236 bytes of the record.
void encodeSaveInfo(const SaveInfo& info, uint8_t out[kSaveInfoBytes]);
// Reads a record, mending bad fields as listed above. False (and *info untouched) when the record
// is shorter than 236 bytes or its magic differs.
bool decodeSaveInfo(const uint8_t* data, size_t size, SaveInfo* info);
