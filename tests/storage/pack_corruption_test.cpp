// Damaged packs: every truncation of a good pack and every flipped byte of its header, directory
// and compressed data. Nothing may crash or touch memory outside its buffers (run it under the
// sanitizers too), and what loads must be what was packed, or the size the directory now claims.
#include <gtest/gtest.h>

#include "app/memory.h"
#include "storage/pack.h"
#include "storage_test_util.h"
#include "tools/writers/pack_writer.h"

using storage_test::TempFolder;
using storage_test::testBytes;
using storage_test::writeFile;

namespace {

class PackCorruption : public ::testing::Test {
protected:
    void SetUp() override {
        entries_ = {{"world.kvm", testBytes(3000, 1, true)},
                    {"hud.spr", testBytes(200, 2, false)},
                    {"empty", {}},
                    {"menu00.txb", testBytes(1500, 3, true)}};
        std::string error;
        ASSERT_TRUE(buildPack(entries_, &good_, &error)) << error;
        headerSize_ = good_[2] | good_[3] << 8;
    }
    void TearDown() override { closePack(); }

    // Opens bytes as the pack and loads every entry the directory names and every entry packed.
    // Returns how many packed entries came back as packed.
    int loadAll(const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(writeFile(path(), bytes));
        openPack(path().c_str());
        for (int i = 0; i < packEntryCount(); ++i) {
            PackEntry entry;
            std::string name = packEntryName(i, &entry);
            uint8_t* loaded = loadEntry(name.c_str());
            if (loaded) {
                EXPECT_EQ(allocationSize(loaded), entry.unpackedSize);
            }
            delete[] loaded;
        }
        int intact = 0;
        for (const PackInput& entry : entries_) {
            uint8_t* loaded = loadEntry(entry.name.c_str());
            if (loaded &&
                entrySize(entry.name.c_str()) == static_cast<int32_t>(entry.bytes.size()) &&
                std::equal(entry.bytes.begin(), entry.bytes.end(), loaded)) {
                ++intact;
            }
            delete[] loaded;
        }
        return intact;
    }
    std::string path() const { return folder_.file(kPackFileName); }

    TempFolder folder_;
    std::vector<PackInput> entries_;
    std::vector<uint8_t> good_;
    size_t headerSize_ = 0;
};

TEST_F(PackCorruption, EveryTruncationRefusesThePack) {
    for (size_t length = 0; length < good_.size(); ++length) {
        std::vector<uint8_t> cut(good_.begin(), good_.begin() + length);
        EXPECT_EQ(loadAll(cut), 0) << "cut at " << length;
        EXPECT_EQ(packEntryCount(), 0) << "cut at " << length;
    }
    EXPECT_EQ(loadAll(good_), static_cast<int>(entries_.size()));
}

TEST_F(PackCorruption, FlippedHeaderAndDirectoryBytesNeverCrash) {
    ASSERT_GT(headerSize_, 8u);
    for (size_t at = 0; at < headerSize_; ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good_;
            bad[at] ^= mask;
            int intact = loadAll(bad);
            if (at < 2) {
                EXPECT_EQ(intact, 0) << "a wrong magic at byte " << at;
            }
        }
    }
}

TEST_F(PackCorruption, FlippedCompressedBytesNeverLoadAsWrongData) {
    PackEntry world;
    ASSERT_TRUE(writeFile(path(), good_));
    ASSERT_TRUE(openPack(path().c_str()));
    ASSERT_GE(findEntry("world.kvm", &world), 0);
    ASSERT_EQ(world.flags & kPackFlagStored, 0);
    const PackInput& original = entries_[0];
    for (size_t at = world.dataOffset; at < world.dataOffset + world.storedSize; ++at) {
        std::vector<uint8_t> bad = good_;
        bad[at] ^= 0x01 << (at % 8);
        ASSERT_TRUE(writeFile(path(), bad));
        uint8_t* loaded = loadEntry("world.kvm");  // the directory is unchanged: no reopening
        if (loaded) {
            EXPECT_TRUE(std::equal(original.bytes.begin(), original.bytes.end(), loaded))
                << "flipped byte " << at << " loaded as other data";
        }
        delete[] loaded;
    }
}

}  // namespace
