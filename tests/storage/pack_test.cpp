// The resource pack and its writer: lookups, loads of stored and compressed entries, packs that
// lie about their contents, and what the writer refuses.
#include "storage/pack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/test_support.h"
#include "tools/writers/pack_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr PackStorage kStored = PackStorage::kStored, kZlib = PackStorage::kZlib;

// The same seed gives the same bytes: noise, or letters of a small alphabet that zlib halves.
Bytes testBytes(size_t size, uint32_t seed, bool compressible) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = compressible ? "tree coin night\n"[seed >> 28] : static_cast<uint8_t>(seed >> 24);
    }
    return bytes;
}

Bytes zlibStream(const Bytes& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 9);
    out.resize(length);
    return out;
}

// pack with a little-endian field rewritten. In a pack of one-letter names, entry i's stored size
// is at 10 + 10 i, its flags at 13 + 10 i and its unpacked size at 14 + 10 i (3, 1, 3 bytes).
Bytes with(Bytes pack, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) pack[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return pack;
}

class PackTest : public ::testing::Test {
protected:
    void TearDown() override { closePack(); }
    Bytes built(const std::vector<PackInput>& entries) {
        Bytes pack;
        std::string error;
        EXPECT_TRUE(buildPack(entries, &pack, &error)) << error;
        return pack;
    }
    bool open(const Bytes& pack) {
        EXPECT_TRUE(zvtest::writeFile(path_, std::string(pack.begin(), pack.end())));
        return openPack(path_.c_str());
    }
    // Whether name loads as exactly the expected bytes.
    static bool loads(const std::string& name, const Bytes& expected) {
        uint8_t* bytes = loadEntry(name.c_str());
        bool same = bytes && entrySize(name.c_str()) == static_cast<int32_t>(expected.size()) &&
                    std::equal(expected.begin(), expected.end(), bytes);
        delete[] bytes;
        return same;
    }
    const std::string path_ = zvtest::makeTempFolder() + kPackFileName;
};

// Stored and compressed entries of many sizes, empty ones, and zlib streams of exactly one and
// three input chunks; each entry's data follows the one before it in pack order. Lookups skip one
// leading '/' and match names exactly.
TEST_F(PackTest, EntriesRoundTripThroughTheWriterAndAreFoundByTheirExactName) {
    std::vector<PackInput> entries = {{"stored", {}, kStored}, {"deflated", {}, kZlib}};
    for (uint32_t chunks : {1u, 3u}) {
        size_t length = chunks * kPackChunkBytes - 40;
        while (zlibStream(testBytes(length, chunks, false)).size() != chunks * kPackChunkBytes)
            ASSERT_LT(++length, chunks * kPackChunkBytes);
        entries.push_back({"chunk" + std::to_string(chunks), testBytes(length, chunks, 0), kZlib});
    }
    for (uint32_t i = 0; i < 40; ++i)
        entries.push_back({"dir/entry" + std::to_string(i), testBytes(i * 997 % 20000, i, i % 3)});
    ASSERT_TRUE(open(built(entries)));
    ASSERT_EQ(packEntryCount(), static_cast<int>(entries.size()));
    uint64_t offset = 8;
    for (const PackInput& entry : entries) offset += entry.name.size() + 9;
    int stored = 0;
    for (int i = 0; i < packEntryCount(); ++i) {
        PackEntry found;
        const std::string name = packEntryName(i, &found);
        EXPECT_EQ(found.dataOffset, offset) << name;
        offset += found.storedSize;
        if (found.flags & kPackFlagStored) ++stored;
        EXPECT_TRUE(loads("/" + name, entries[i].bytes)) << name;
    }
    EXPECT_EQ(stored, 15);  // the empty stored entry and the noise, which zlib would not shrink
    PackEntry last;
    ASSERT_EQ(findEntry(entries.back().name.c_str(), &last), packEntryCount() - 1);
    Bytes raw(last.storedSize);
    ASSERT_TRUE(readRange(raw.data(), last.dataOffset, raw.size()));
    EXPECT_EQ(raw, entries.back().bytes);  // stored as is
    EXPECT_FALSE(readRange(raw.data(), last.dataOffset + 1, raw.size()));  // past the file end
    const std::pair<const char*, int> names[] = {
        {"stored", 0}, {"/deflated", 1}, {"//stored", -1}, {"/dir/entry1", 5}, {"dir/entry", -1},
        {"/dir/entry1x", -1}, {"/DIR/ENTRY1", -1}, {"", -1}, {"/", -1}, {nullptr, -1}};
    for (const auto& [name, index] : names) EXPECT_EQ(findEntry(name, nullptr), index) << name;
    EXPECT_EQ(packEntryName(packEntryCount(), nullptr), nullptr);
    EXPECT_EQ(packEntryName(-1, nullptr), nullptr);
}

// Each of these files is refused whole, quietly: no entry of it can be found or loaded.
TEST_F(PackTest, FilesThatAreNotPacksOrDisagreeWithTheirDirectoryAreRefused) {
    const Bytes good = built({{"a", Bytes(32, 'd'), kStored}, {"b", Bytes(32, 'd'), kStored}});
    const std::pair<const char*, Bytes> cases[] = {
        {"empty file", {}},
        {"wrong magic", with(good, 0, 'k', 1)},
        {"wrong magic version", with(good, 1, '1', 1)},
        {"header cut short", Bytes(good.begin(), good.begin() + 5)},
        {"entry tail past the header size", with(good, 2, 25, 4)},
        {"name without its NUL in the directory", with(good, 2, 19, 4)},
        {"entry count past the directory", with(good, 6, 3, 2)},
        {"stored size past the file end", with(with(good, 20, 33, 3), 24, 33, 3)},
        {"stored entry larger than unpacked", with(good, 24, 31, 3)},
        {"header size below the header", with(good, 2, 4, 4)},
        {"header size past the file end", with(good, 2, 0xFFFFFFF0, 4)},
    };
    for (const auto& [what, bytes] : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(open(bytes)) << what;
        EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(),
                  "") << what;
        EXPECT_EQ(packEntryCount(), 0) << what;
        EXPECT_EQ(entrySize("a"), -1) << what;
        EXPECT_EQ(loadEntry("a"), nullptr) << what;
    }
    EXPECT_FALSE(openPack((path_ + ".missing").c_str()));
    EXPECT_FALSE(openPack(nullptr));
    ASSERT_TRUE(open(good));
    EXPECT_TRUE(loads("b", Bytes(32, 'd')));
}

TEST_F(PackTest, CompressedEntriesThatDoNotInflateToTheirSizeFail) {
    const Bytes text = testBytes(4000, 9, true);
    Bytes pack = built({{"e", text, kZlib}, {"u", text, kZlib}, {"b", text, kZlib},
                        {"c", text, kZlib}, {"s", text, kZlib}, {"g", testBytes(900, 1, false)}});
    const uint32_t n = static_cast<uint32_t>(zlibStream(text).size());
    pack = with(with(pack, 24, 4001, 3), 34, 3999, 3);  // unfilled buffer, a zip bomb
    pack = with(with(pack, 40, n - 1, 3), 50, 1, 3);    // a stream cut short, a stray byte
    ASSERT_TRUE(open(with(pack, 63, 0, 1)));            // stored noise taken for a stream
    EXPECT_TRUE(loads("e", text));
    for (const char* name : {"u", "b", "c", "s", "g"}) EXPECT_EQ(loadEntry(name), nullptr) << name;
}

TEST_F(PackTest, LoadsFailWhenThePackFileShrinksAfterOpening) {
    const Bytes noise = testBytes(2000, 11, false), text = testBytes(20000, 12, true);
    Bytes pack = built({{"noise", noise, kStored}, {"text", text}});
    ASSERT_TRUE(open(pack));
    pack.resize(pack.size() - 100);
    ASSERT_TRUE(zvtest::writeFile(path_, std::string(pack.begin(), pack.end())));
    EXPECT_TRUE(loads("noise", noise));
    EXPECT_EQ(loadEntry("text"), nullptr);
    ASSERT_TRUE(zvtest::writeFile(path_, ""));
    EXPECT_EQ(loadEntry("noise"), nullptr);
    std::remove(path_.c_str());
    EXPECT_EQ(loadEntry("noise"), nullptr);
    EXPECT_EQ(entrySize("noise"), 2000);  // the directory is kept from opening
}

TEST(PackWriter, GivesTheSameBytesForTheSameEntriesAndRefusesWhatAPackCannotHold) {
    std::vector<PackInput> most(0xFFFF), largest = {{"largest", Bytes(kPackMaxSize24), kStored}};
    for (size_t i = 0; i < most.size(); ++i) most[i].name = std::to_string(i);
    const std::vector<PackInput> tooMany(0x10000), menu = {{"/menu00.txb", testBytes(90, 1, true)}};
    const std::vector<PackInput> twice = {{"a", {1}}, {"/a", {2}}}, empty = {{"", {1}}},
                                 slash = {{"/", {1}}}, nul = {{std::string("a\0b", 3), {1}}};
    const std::pair<const std::vector<PackInput>*, const char*> cases[] = {
        {&twice, "twice"},      {&empty, "bad entry name"}, {&slash, "bad entry name"},
        {&nul, "bad entry name"}, {&tooMany, "too many"},   {&most, ""},
        {&largest, ""},         {&menu, ""}};
    Bytes first, second;
    for (const auto& [entries, reason] : cases) {
        std::string error;
        EXPECT_EQ(buildPack(*entries, &first, &error), !*reason) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    largest[0].bytes.push_back(0);
    std::string error;
    EXPECT_FALSE(buildPack(largest, &second, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    ASSERT_TRUE(buildPack(menu, &second, &error)) << error;
    EXPECT_EQ(first, second);
    const std::string pack(first.begin(), first.end());
    EXPECT_EQ(pack.find("/menu00.txb"), std::string::npos);  // stored without its leading '/'
    EXPECT_NE(pack.find(std::string("menu00.txb\0", 11)), std::string::npos);
}

}  // namespace
