// The resource pack: lookups, loads of stored and compressed entries, and packs that lie.
#include "storage/pack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "storage_test_util.h"
#include "tools/writers/pack_writer.h"

using storage_test::RawEntry;
using storage_test::rawPack;
using storage_test::TempFolder;
using storage_test::testBytes;
using storage_test::writeFile;

namespace {

class PackTest : public ::testing::Test {
protected:
    void TearDown() override { closePack(); }

    // Writes a pack of entries and opens it.
    void openBuilt(const std::vector<PackInput>& entries) {
        std::string error;
        ASSERT_TRUE(writePackFile(packPath().c_str(), entries, &error)) << error;
        ASSERT_TRUE(openPack(packPath().c_str()));
    }
    std::string packPath() const { return folder_.file(kPackFileName); }

    // Whether name loads as exactly the expected bytes.
    bool loads(const char* name, const std::vector<uint8_t>& expected) {
        uint8_t* bytes = loadEntry(name);
        if (!bytes) return false;
        bool same = entrySize(name) == static_cast<int32_t>(expected.size()) &&
                    std::equal(expected.begin(), expected.end(), bytes);
        delete[] bytes;
        return same;
    }

    TempFolder folder_;
};

std::vector<uint8_t> zlibStream(const std::vector<uint8_t>& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(length);
    EXPECT_EQ(compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 9),
              Z_OK);
    out.resize(length);
    return out;
}

void expectNoPack(const char* name) {
    EXPECT_EQ(findEntry(name, nullptr), -1);
    EXPECT_EQ(entrySize(name), -1);
    EXPECT_EQ(loadEntry(name), nullptr);
    EXPECT_EQ(packEntryCount(), 0);
}

TEST_F(PackTest, OneLeadingSlashIsSkippedAndNamesMatchExactly) {
    openBuilt({{"world.kvm", testBytes(300, 1, true)},
               {"hud.spr", testBytes(40, 2, false)},
               {"hud.spr.png", testBytes(50, 3, false)}});
    EXPECT_EQ(findEntry("world.kvm", nullptr), 0);
    EXPECT_EQ(findEntry("/world.kvm", nullptr), 0);
    EXPECT_EQ(findEntry("//world.kvm", nullptr), -1);
    EXPECT_EQ(findEntry("/hud.spr", nullptr), 1);
    EXPECT_EQ(findEntry("/hud.spr.png", nullptr), 2);
    // Prefixes, extensions and other cases are other names.
    EXPECT_EQ(findEntry("/hud", nullptr), -1);
    EXPECT_EQ(findEntry("/hud.sp", nullptr), -1);
    EXPECT_EQ(findEntry("/HUD.SPR", nullptr), -1);
    EXPECT_EQ(findEntry("/world.kvmx", nullptr), -1);
    EXPECT_EQ(findEntry("", nullptr), -1);
    EXPECT_EQ(findEntry("/", nullptr), -1);
    EXPECT_TRUE(loads("/world.kvm", testBytes(300, 1, true)));
}

TEST_F(PackTest, DataOffsetsRunOverTheStoredSizesOfEarlierEntries) {
    std::vector<PackInput> entries = {{"a", testBytes(5000, 1, true)},
                                      {"b", testBytes(700, 2, false)},
                                      {"c", testBytes(33, 3, false), PackStorage::kStored}};
    openBuilt(entries);
    PackEntry a, b, c;
    ASSERT_EQ(findEntry("a", &a), 0);
    ASSERT_EQ(findEntry("b", &b), 1);
    ASSERT_EQ(findEntry("c", &c), 2);
    EXPECT_EQ(a.flags & kPackFlagStored, 0);  // text compresses
    EXPECT_EQ(a.unpackedSize, 5000u);
    EXPECT_LT(a.storedSize, 5000u);
    EXPECT_EQ(b.dataOffset, a.dataOffset + a.storedSize);
    EXPECT_EQ(c.dataOffset, b.dataOffset + b.storedSize);
    EXPECT_EQ(a.dataOffset, 8u + 3 * (2 + 8));  // header, then three one-letter names
    std::vector<uint8_t> raw(33);
    ASSERT_TRUE(readRange(raw.data(), c.dataOffset, raw.size()));
    EXPECT_EQ(raw, entries[2].bytes);
    EXPECT_FALSE(readRange(raw.data(), c.dataOffset + 1, raw.size()));  // past the end of the file
}

TEST_F(PackTest, EmptyEntriesLoadAsZeroLengthBuffers) {
    // An empty zlib stream is still a whole stream of a few bytes.
    openBuilt({{"stored", {}, PackStorage::kStored}, {"deflated", {}, PackStorage::kZlib}});
    for (const char* name : {"stored", "deflated"}) {
        EXPECT_EQ(entrySize(name), 0) << name;
        uint8_t* bytes = loadEntry(name);
        EXPECT_NE(bytes, nullptr) << name;
        delete[] bytes;
    }
}

TEST_F(PackTest, CompressedEntriesOfWholeChunksLoad) {
    // Noise grows a little under zlib; find lengths whose streams are exactly 1 and 3 chunks.
    std::vector<PackInput> entries;
    for (uint32_t chunks : {1u, 3u}) {
        for (size_t length = chunks * kPackChunkBytes - 40; length < chunks * kPackChunkBytes;
             ++length) {
            std::vector<uint8_t> bytes = testBytes(length, chunks, false);
            if (zlibStream(bytes).size() == chunks * kPackChunkBytes) {
                entries.push_back({"chunks" + std::to_string(chunks), bytes, PackStorage::kZlib});
                break;
            }
        }
    }
    ASSERT_EQ(entries.size(), 2u);
    openBuilt(entries);
    for (const PackInput& entry : entries) {
        PackEntry found;
        ASSERT_GE(findEntry(entry.name.c_str(), &found), 0);
        EXPECT_EQ(found.storedSize % kPackChunkBytes, 0u);
        EXPECT_TRUE(loads(entry.name.c_str(), entry.bytes)) << entry.name;
    }
}

TEST_F(PackTest, ManyEntriesRoundTripThroughTheWriter) {
    std::vector<PackInput> entries;
    for (uint32_t i = 0; i < 300; ++i) {
        size_t size = (i * 7919u) % 20000;
        entries.push_back(
            {"dir/entry" + std::to_string(i) + ".bin", testBytes(size, i, i % 3 != 0)});
    }
    openBuilt(entries);
    ASSERT_EQ(packEntryCount(), 300);
    int stored = 0;
    int deflated = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const PackInput& entry = entries[(i * 97) % entries.size()];  // out of pack order
        PackEntry found;
        ASSERT_GE(findEntry(entry.name.c_str(), &found), 0);
        ((found.flags & kPackFlagStored) ? stored : deflated) += 1;
        EXPECT_TRUE(loads(("/" + entry.name).c_str(), entry.bytes)) << entry.name;
    }
    EXPECT_GT(stored, 50);
    EXPECT_GT(deflated, 150);
}

TEST_F(PackTest, MissingPackOrWrongMagicFailsEveryLookupQuietly) {
    std::vector<uint8_t> good = rawPack({{"a", 1, kPackFlagStored, 1}}, {'x'}, 1);
    std::vector<uint8_t> lowerK = good;
    lowerK[0] = 'k';
    std::vector<uint8_t> magicOne = good;
    magicOne[1] = '1';
    ASSERT_TRUE(writeFile(folder_.file("lower-k"), lowerK));
    ASSERT_TRUE(writeFile(folder_.file("magic-one"), magicOne));
    ASSERT_TRUE(writeFile(folder_.file("empty"), {}));
    for (const char* name : {"missing", "lower-k", "magic-one", "empty"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(openPack(folder_.file(name).c_str()));
        expectNoPack("a");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    ASSERT_TRUE(writeFile(folder_.file("good"), good));
    EXPECT_TRUE(openPack(folder_.file("good").c_str()));
    EXPECT_EQ(entrySize("a"), 1);
}

// Each of these directories disagrees with its file: the whole pack is refused.
TEST_F(PackTest, DirectoriesThatDisagreeWithTheFileAreRefused) {
    const std::vector<uint8_t> data(64, 'd');
    const std::vector<RawEntry> two = {{"alpha", 32, kPackFlagStored, 32},
                                       {"beta", 32, kPackFlagStored, 32}};
    const int64_t trueHeader = 8 + (6 + 8) + (5 + 8);
    struct Case {
        const char* what;
        std::vector<uint8_t> pack;
    };
    const Case cases[] = {
        {"entry tail runs past the header size", rawPack(two, data, 2, trueHeader - 3)},
        {"name without its NUL inside the directory", rawPack(two, data, 2, trueHeader - 10)},
        {"entry count larger than the directory", rawPack(two, data, 3)},
        {"stored size past the end of the file",
         rawPack({{"alpha", 32, kPackFlagStored, 32}, {"beta", 33, kPackFlagStored, 33}}, data, 2)},
        {"stored entry larger than its unpacked size",
         rawPack({{"alpha", 32, kPackFlagStored, 31}, {"beta", 32, kPackFlagStored, 32}}, data, 2)},
        {"header size below the header", rawPack(two, data, 2, 4)},
        {"header size past the end of the file", rawPack(two, data, 2, 0xFFFFFFF0)},
        {"header cut short", {'K', '0', 8, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeFile(packPath(), c.pack));
        EXPECT_FALSE(openPack(packPath().c_str()));
        expectNoPack("alpha");
        expectNoPack("beta");
    }
    // The same entries told truthfully load.
    ASSERT_TRUE(writeFile(packPath(), rawPack(two, data, 2)));
    ASSERT_TRUE(openPack(packPath().c_str()));
    EXPECT_TRUE(loads("beta", std::vector<uint8_t>(32, 'd')));
}

TEST_F(PackTest, CompressedEntriesThatDoNotInflateToTheirSizeFail) {
    const std::vector<uint8_t> text = testBytes(4000, 9, true);
    const std::vector<uint8_t> stream = zlibStream(text);
    const uint32_t n = static_cast<uint32_t>(stream.size());
    std::vector<uint8_t> garbage = testBytes(n, 10, false);
    std::vector<uint8_t> data = stream;
    for (int copy = 0; copy < 3; ++copy) data.insert(data.end(), stream.begin(), stream.end());
    data.insert(data.end(), garbage.begin(), garbage.end());
    ASSERT_TRUE(writeFile(packPath(), rawPack({{"exact", n, 0, 4000},
                                               {"unfilled", n, 0, 4001},
                                               {"bomb", n, 0, 3999},
                                               {"cut", n - 1, 0, 4000},
                                               {"stray byte", 1, 0, 4000},
                                               {"garbage", n, 0, 4000}},
                                              data, 6)));
    ASSERT_TRUE(openPack(packPath().c_str()));
    EXPECT_TRUE(loads("exact", text));
    for (const char* name : {"unfilled", "bomb", "cut", "stray byte", "garbage"}) {
        EXPECT_EQ(loadEntry(name), nullptr) << name;
    }
}

TEST_F(PackTest, LoadsFailWhenThePackFileShrinksAfterOpening) {
    std::vector<uint8_t> noise = testBytes(2000, 11, false);
    std::vector<uint8_t> text = testBytes(20000, 12, true);
    openBuilt({{"noise", noise, PackStorage::kStored}, {"text", text}});
    std::vector<uint8_t> pack = storage_test::readFile(packPath());
    pack.resize(pack.size() - 100);
    ASSERT_TRUE(writeFile(packPath(), pack));
    EXPECT_TRUE(loads("noise", noise));
    EXPECT_EQ(loadEntry("text"), nullptr);
    ASSERT_TRUE(writeFile(packPath(), {}));
    EXPECT_EQ(loadEntry("noise"), nullptr);
    std::remove(packPath().c_str());
    EXPECT_EQ(loadEntry("noise"), nullptr);
    EXPECT_EQ(entrySize("noise"), 2000);  // the directory is kept from opening
}

}  // namespace
