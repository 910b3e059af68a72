// The pack writer: what it refuses, and that its output depends on the entries alone.
#include "tools/writers/pack_writer.h"

#include <gtest/gtest.h>

#include "storage/pack.h"
#include "storage_test_util.h"

using storage_test::testBytes;

namespace {

TEST(PackWriter, SameEntriesGiveTheSameBytes) {
    std::vector<PackInput> entries = {{"/menu00.txb", testBytes(9000, 1, true)},
                                      {"hud.png", testBytes(900, 2, false)}};
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(buildPack(entries, &first, &error)) << error;
    ASSERT_TRUE(buildPack(entries, &second, &error)) << error;
    EXPECT_EQ(first, second);
    // The leading '/' is not part of the stored name.
    std::string pack(first.begin(), first.end());
    EXPECT_NE(pack.find(std::string("menu00.txb\0", 11)), std::string::npos);
    EXPECT_EQ(pack.find("/menu00.txb"), std::string::npos);
}

TEST(PackWriter, RefusesWhatThePackCannotHold) {
    std::vector<uint8_t> pack;
    std::string error;
    EXPECT_FALSE(buildPack({{"a", {1}}, {"/a", {2}}}, &pack, &error));
    EXPECT_NE(error.find("twice"), std::string::npos) << error;
    EXPECT_FALSE(buildPack({{"", {1}}}, &pack, &error));
    EXPECT_FALSE(buildPack({{"/", {1}}}, &pack, &error));
    EXPECT_FALSE(buildPack({{std::string("a\0b", 3), {1}}}, &pack, &error));
    std::vector<uint8_t> huge(kPackMaxSize24 + 1, 0);
    EXPECT_FALSE(buildPack({{"huge", huge, PackStorage::kStored}}, &pack, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    huge.pop_back();
    EXPECT_TRUE(buildPack({{"largest", huge}}, &pack, &error)) << error;
    std::vector<PackInput> many(0x10000, PackInput{"", {}});
    for (size_t i = 0; i < many.size(); ++i) many[i].name = std::to_string(i);
    EXPECT_FALSE(buildPack(many, &pack, &error));
    many.pop_back();
    EXPECT_TRUE(buildPack(many, &pack, &error)) << error;
}

}  // namespace
