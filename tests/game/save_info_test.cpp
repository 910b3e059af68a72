// The saved record "info": its layout and round trip, the records it refuses, how bad fields are
// mended (a sweep of random records through the reader and the game), and the record store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "game_fixture.h"

using gametest::TestGame;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

void putI32(uint8_t* p, int32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

void putF32(uint8_t* p, float f) {
    int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    putI32(p, bits);
}

SaveInfo sampleInfo() {
    SaveInfo s;
    saveInfoDefaults(&s);
    s.bestPoints[0] = 4321;
    s.bestPoints[1] = 98765;
    s.online = true;
    for (int m = 0; m < 2; ++m) {
        for (int i = 0; i < kRecordSlots; ++i) {
            s.records[m].top[i] = 1000.5f * (m + 1) - 37.25f * i;
            s.records[m].ring[i] = 11.0f * i + m;
        }
        s.records[m].ringIndex = 3 + m;
    }
    for (int i = 0; i < kAchievements; i += 3) s.achievements[i] = true;
    s.lastDistances[1] = 250.0f;
    s.lastIndex = 2;
    s.runsCounted = 3;
    s.volume = 0.4f;
    s.usageTracking = false;
    return s;
}

// The encoded bytes stand for the values: two records are the same when their bytes are.
bool sameRecord(const SaveInfo& a, const SaveInfo& b) {
    uint8_t x[kSaveInfoBytes], y[kSaveInfoBytes];
    encodeSaveInfo(a, x);
    encodeSaveInfo(b, y);
    return std::memcmp(x, y, sizeof x) == 0;
}

// Every field within the range the header documents.
void expectInRange(const SaveInfo& s) {
    for (int32_t best : s.bestPoints) EXPECT_GE(best, 0);
    for (const ModeRecords& r : s.records) {
        for (int i = 0; i < kRecordSlots; ++i) {
            EXPECT_TRUE(std::isfinite(r.top[i]) && r.top[i] >= 0.0f) << r.top[i];
            EXPECT_TRUE(std::isfinite(r.ring[i]) && r.ring[i] >= 0.0f) << r.ring[i];
            EXPECT_TRUE(i == 0 || r.top[i - 1] >= r.top[i]);
        }
        EXPECT_TRUE(r.ringIndex >= 0 && r.ringIndex < kRecordSlots) << r.ringIndex;
    }
    for (float d : s.lastDistances) EXPECT_TRUE(std::isfinite(d) && d >= 0.0f) << d;
    EXPECT_TRUE(s.lastIndex >= 0 && s.lastIndex < kLastDistances) << s.lastIndex;
    EXPECT_TRUE(s.runsCounted >= 0 && s.runsCounted <= 3) << s.runsCounted;
    EXPECT_TRUE(s.volume >= 0.0f && s.volume <= 1.0f) << s.volume;
}

TEST(SaveInfoLayout, FieldsSitAtTheirOffsetsAndComeBackTheSame) {
    uint8_t bytes[kSaveInfoBytes];
    const SaveInfo s = sampleInfo();
    encodeSaveInfo(s, bytes);
    const uint8_t head[] = {0x08, 0x01, 0x01, 0x00, 0xE1, 0x10, 0, 0, 0xCD, 0x81, 0x01, 0, 1, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes, head, sizeof head));
    float f;
    std::memcpy(&f, bytes + 100, 4);
    EXPECT_EQ(f, s.records[1].top[0]);
    EXPECT_EQ(bytes[96], 3);
    EXPECT_EQ(bytes[180], 4);
    EXPECT_EQ(bytes[184] * 100 + bytes[185] * 10 + bytes[187], 101);  // flags 0, 1 and 3
    std::memcpy(&f, bytes + 212, 4);
    EXPECT_EQ(f, 250.0f);
    EXPECT_EQ(bytes[220] * 10 + bytes[224], 23);
    std::memcpy(&f, bytes + 228, 4);
    EXPECT_EQ(f, 0.4f);
    EXPECT_EQ(bytes[232] | bytes[233] | bytes[234] | bytes[235], 0);

    SaveInfo back;
    ASSERT_TRUE(decodeSaveInfo(bytes, sizeof bytes, &back));
    EXPECT_TRUE(sameRecord(s, back));
    EXPECT_EQ(back.records[0].ringIndex, 3);
    EXPECT_FALSE(back.usageTracking);
}

TEST(SaveInfoLayout, ShortOrForeignRecordsAreIgnoredWhole) {
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(sampleInfo(), bytes);
    SaveInfo start;
    saveInfoDefaults(&start);
    for (size_t size = 0; size < kSaveInfoBytes; ++size) {
        SaveInfo out = start;
        EXPECT_FALSE(decodeSaveInfo(bytes, size, &out)) << size;
        EXPECT_TRUE(sameRecord(out, start)) << size;
    }
    bytes[3] = 0x01;  // magic 0x01010108
    SaveInfo out = start;
    EXPECT_FALSE(decodeSaveInfo(bytes, sizeof bytes, &out));
    EXPECT_TRUE(sameRecord(out, start));
}

TEST(SaveInfoMending, NonsenseFieldsAreClampedOrReset) {
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(sampleInfo(), bytes);
    putI32(bytes + 4, -50);        // best points
    bytes[12] = 7;                 // online flag
    putF32(bytes + 16, kNaN);      // distance top ten
    putF32(bytes + 20, kInfinity);
    putF32(bytes + 24, -3.0f);
    putF32(bytes + 28, 5000.0f);   // out of order
    putF32(bytes + 60, -kInfinity);  // ring
    putI32(bytes + 96, -1);        // ring indexes
    putI32(bytes + 180, 10);
    bytes[184] = 2;                // achievement flags
    bytes[187] = 0xFF;
    putF32(bytes + 208, kNaN);     // last distances
    putI32(bytes + 220, 3);        // their index
    putI32(bytes + 224, -7);       // runs counted
    putF32(bytes + 228, 5.0f);     // volume
    bytes[232] = 9;                // usage tracker flag
    SaveInfo s;
    ASSERT_TRUE(decodeSaveInfo(bytes, sizeof bytes, &s));
    expectInRange(s);
    EXPECT_EQ(s.bestPoints[0], 0);
    EXPECT_FALSE(s.online);
    EXPECT_FLOAT_EQ(s.records[0].top[0], 5000.0f);
    EXPECT_FLOAT_EQ(s.records[0].top[1], 1000.5f - 37.25f * 4);
    EXPECT_FLOAT_EQ(s.records[0].top[7], 0.0f);
    EXPECT_FLOAT_EQ(s.records[0].ring[1], 0.0f);
    EXPECT_EQ(s.records[0].ringIndex + s.records[1].ringIndex, 0);
    EXPECT_FALSE(s.achievements[0]);
    EXPECT_FALSE(s.achievements[3]);
    EXPECT_TRUE(s.achievements[6]);
    EXPECT_EQ(s.lastIndex, 0);
    EXPECT_EQ(s.runsCounted, 0);
    EXPECT_FLOAT_EQ(s.volume, 1.0f);
    EXPECT_TRUE(s.usageTracking);
    putF32(bytes + 228, kNaN);
    putI32(bytes + 224, 400);
    ASSERT_TRUE(decodeSaveInfo(bytes, sizeof bytes, &s));
    EXPECT_FLOAT_EQ(s.volume, 0.75f);
    EXPECT_EQ(s.runsCounted, 3);
}

TEST(SaveInfoMending, ThousandsOfRandomRecordsLandInRangeAndPlaySafely) {
    std::mt19937 random(20240611);
    uint8_t bytes[kSaveInfoBytes];
    for (int round = 0; round < 4000; ++round) {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        if (round % 2) {  // small flags and indexes, so the kept paths are reached too
            for (int i = 184; i < 208; ++i) bytes[i] &= 1;
            bytes[12] &= 1;
            bytes[232] &= 1;
            putI32(bytes + 96, static_cast<int32_t>(random() % 12) - 1);
        }
        putI32(bytes, 0x00010108);
        SaveInfo s;
        ASSERT_TRUE(decodeSaveInfo(bytes, sizeof bytes, &s));
        expectInRange(s);
        if (HasFailure()) FAIL() << "round " << round;
        if (round % 100) continue;
        // A mended record then goes through the game: markers, records and achievements.
        TestGame game;
        applySaveInfo(&game.flow(), s);
        ::Run& run = game.run();
        for (int32_t mode : {kModeDistance, kModePoints}) {
            gameFlowStartRun(&game.flow(), mode);
            run.runner.position = {0.0f, s.records[mode].top[0] - 20.0f};
            run.generator.nextRowY = run.runner.position.y;
            generateRows(&run);
            runSetState(&run, kRunStateCrashed);
        }
        expectInRange(game.flow().saveInfo);
    }
}

TEST(SaveInfoStore, ACrashWritesInfoAndTheNextStartReadsItBack) {
    TestGame game;
    EXPECT_FALSE(gameFlowLoadSaved(&game.flow()));  // a first start finds nothing
    gametest::startBareRun(game, kModePoints);
    game.runner().speed = 12.0f;
    gametest::placeObstacle(game.run(), 0, 0.0f, 6.0f, 0.5f);
    while (game.run().state == kRunStateRunning) game.runFrame(16);
    const SaveInfo written = game.flow().saveInfo;
    EXPECT_GT(written.records[kModePoints].top[0], 4.0f);
    EXPECT_EQ(written.bestPoints[kModePoints], game.flow().runStats.points);

    TestGame next;
    setRecordBasePath(game.folder.c_str());
    ASSERT_TRUE(gameFlowLoadSaved(&next.flow()));
    EXPECT_TRUE(sameRecord(next.flow().saveInfo, written));
    EXPECT_EQ(next.run().records.modes[kModePoints].top[0], written.records[kModePoints].top[0]);
    EXPECT_EQ(next.flow().bestScores.modes[kModePoints].best, written.bestPoints[kModePoints]);
    EXPECT_EQ(next.flow().runStats.runsCounted, 1);

    // An older, shorter layout is not applied; the values stay as they are.
    uint8_t bytes[kSaveInfoBytes];
    encodeSaveInfo(sampleInfo(), bytes);
    ASSERT_TRUE(writeRecord("info", bytes, kSaveInfoBytes - 1));
    EXPECT_FALSE(gameFlowLoadSaved(&next.flow()));
    EXPECT_EQ(next.flow().bestScores.modes[kModePoints].best, written.bestPoints[kModePoints]);
    ASSERT_TRUE(writeRecord("info", bytes, kSaveInfoBytes));
    EXPECT_TRUE(gameFlowLoadSaved(&next.flow()));
    EXPECT_EQ(next.flow().bestScores.modes[kModePoints].best, 98765);
    EXPECT_FLOAT_EQ(next.flow().soundSettings.volume, 0.4f);
    EXPECT_TRUE(next.flow().runStats.unlocked[21]);
}

}  // namespace
