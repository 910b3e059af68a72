// Menu text tables: the encoding mark, escapes for numbers and other texts, the limits that keep
// a lookup finite and inside its buffer, a missing file, and damaged files.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "menu/text_tables.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/writers/pack_writer.h"
#include "tools/writers/text_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string esc(int a, int b) {
    return std::string{'{', static_cast<char>(a), static_cast<char>(b)};
}

// Loads the file built from the tables (the stored bytes of each entry).
void load(const std::vector<std::vector<std::string>>& tables, bool utf8 = true) {
    TextFileDef def;
    def.utf8 = utf8;
    def.tables = tables;
    Bytes file;
    std::string error;
    ASSERT_TRUE(buildTextFile(def, &file, &error)) << error;
    uint8_t* data = new uint8_t[file.size()];
    std::copy(file.begin(), file.end(), data);
    ASSERT_TRUE(setTextData(data, file.size()));
}

std::u16string text(int table, int entry) {
    int length = -1;
    const uint16_t* chars = getText(table, entry, &length);
    EXPECT_EQ(chars[length], 0) << "the text is terminated";
    return std::u16string(chars, chars + length);
}

class TextTables : public ::testing::Test {
protected:
    void TearDown() override {
        unloadTexts();
        resetMenuVariables();
    }
};

TEST_F(TextTables, TheMarkDecidesBetweenUtf8AndOneBytePerCharacter) {
    load({{"caf\xC3\xA9"}}, true);
    EXPECT_EQ(text(0, 0), u"caf\u00E9");
    load({{"caf\xC3\xA9"}}, false);
    EXPECT_EQ(text(0, 0), u"caf\u00C3\u00A9");
}

TEST_F(TextTables, NumberEscapesShowMenuVariables) {
    load({{"Score " + esc(1, 1), esc(1, 3) + "/" + esc(1, 256 - 1)}});
    EXPECT_EQ(text(0, 0), u"Score 0");
    setMenuVariable(0, 1200);
    setMenuVariable(2, INT_MIN);
    setMenuVariable(254, -7);
    EXPECT_EQ(text(0, 0), u"Score 1200");
    EXPECT_EQ(text(0, 1), u"-2147483648/-7");
    setMenuVariable(256, 5);  // outside: ignored
    EXPECT_EQ(menuVariable(256), 0);

    uint16_t digits[12];
    const int n = formatTextNumber(1000000000, digits, 12);
    EXPECT_EQ(std::u16string(digits, digits + n), u"1000000000");
    EXPECT_EQ(formatTextNumber(-45, digits, 2), 2) << "stops at its room";
}

TEST_F(TextTables, TextEscapesInsertOtherTablesEntries) {
    std::vector<std::vector<std::string>> tables(253);
    tables[252] = {"zero", "one", "two"};
    tables[130] = {"deep"};
    tables[0] = {"<" + std::string("\x7B\x05\x03") + ">", esc(127, 1), esc(2, 1) + esc(3, 1) + "!",
                 esc(5, 9), esc(5, 0)};
    load(tables);
    EXPECT_EQ(text(0, 0), u"<two>");
    EXPECT_EQ(text(0, 1), u"deep");
    EXPECT_EQ(text(0, 2), u"!") << "the run-time tables 254 and 255 read as empty";
    EXPECT_EQ(text(0, 3), u"") << "an entry past its table inserts nothing";
    EXPECT_EQ(text(0, 4), u"");
    EXPECT_EQ(text(254, 0), u"");
    EXPECT_EQ(text(255, 0), u"");
}

TEST_F(TextTables, UnknownEntriesAndTablesAreEmpty) {
    load({{"a", "b"}, {}});
    EXPECT_EQ(text(0, 1), u"b");
    EXPECT_EQ(text(0, 2), u"");
    EXPECT_EQ(text(1, 0), u"");
    EXPECT_EQ(text(-1, 0), u"");
    EXPECT_EQ(text(0, -1), u"");
    EXPECT_EQ(text(200, 0), u"") << "a table whose directory slot lies past the file";
}

TEST_F(TextTables, ATextThatRefersToItselfEnds) {
    std::vector<std::vector<std::string>> tables(254);
    tables[253] = {"a" + esc(4, 1), std::string(3000, ' ')};
    for (int i = 0; i < 1000; ++i) tables[253][1].replace(i * 3, 3, esc(4, 2));
    load(tables);
    EXPECT_EQ(text(253, 0), u"aaaaaaaaa") << "the text itself and eight nested copies";
    EXPECT_EQ(text(253, 1), u"") << "a thousand self-references per level end quickly";
}

TEST_F(TextTables, ATextStopsAtTheEndOfTheBuffer) {
    // The header promised room for 6 characters (5 and the terminator); the text is longer.
    TextFileDef def;
    def.tables = {{"0123456789" + esc(1, 1)}};
    Bytes file;
    ASSERT_TRUE(buildTextFile(def, &file, nullptr));
    EXPECT_EQ(file[6] | file[7] << 8, 10 + 11 + 1) << "escapes count at their widest";
    file[6] = 6;
    file[7] = 0;
    uint8_t* data = new uint8_t[file.size()];
    std::copy(file.begin(), file.end(), data);
    ASSERT_TRUE(setTextData(data, file.size()));
    EXPECT_EQ(text(0, 0), u"01234");
    file[6] = 0;
    data = new uint8_t[file.size()];
    std::copy(file.begin(), file.end(), data);
    ASSERT_TRUE(setTextData(data, file.size()));
    EXPECT_EQ(text(0, 0), u"");
}

TEST_F(TextTables, AMissingFileGivesEmptyTextsAndOneLine) {
    closePack();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadTexts());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/menu00.txb is missing"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(text(0, 0), u"");
}

TEST_F(TextTables, TheFileIsReadFromThePack) {
    TextFileDef def;
    def.tables = {{"Play"}};
    PackInput entry;
    entry.name = kMenuTextFile;
    ASSERT_TRUE(buildTextFile(def, &entry.bytes, nullptr));
    const std::string path = zvtest::makeTempFolder() + "packres.bin";
    ASSERT_TRUE(writePackFile(path.c_str(), {entry}, nullptr));
    ASSERT_TRUE(openPack(path.c_str()));
    EXPECT_TRUE(loadTexts());
    EXPECT_EQ(text(0, 0), u"Play");
    closePack();
}

TEST_F(TextTables, TruncatedOrCorruptedFilesStayInsideTheirBuffers) {
    std::vector<std::vector<std::string>> tables(253);
    tables[0] = {"Score " + esc(1, 1), "caf\xC3\xA9 \xE2\x82\xAC", esc(5, 2) + esc(4, 1)};
    tables[2] = {"x", "y" + esc(5, 1)};
    tables[252] = {"one", "two" + esc(127, 1)};
    tables[130] = {esc(4, 1)};
    TextFileDef def;
    def.tables = tables;
    Bytes good;
    ASSERT_TRUE(buildTextFile(def, &good, nullptr));
    auto sweep = [](const Bytes& bytes) {
        uint8_t* data = new uint8_t[bytes.size() + 1];
        std::copy(bytes.begin(), bytes.end(), data);
        if (!setTextData(data, bytes.size())) return;
        const int room = textBufferSize() - 1;
        for (int t : {0, 1, 2, 130, 252, 253, 254, 255}) {
            for (int e = 0; e < 4; ++e) {
                int length = 0;
                getText(t, e, &length);
                ASSERT_LE(length, room);
            }
        }
    };
    for (size_t n = 0; n <= good.size(); ++n) sweep(Bytes(good.begin(), good.begin() + n));
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t v : {uint8_t{0}, uint8_t{0xFF}, uint8_t{0x7B}, uint8_t(good[i] ^ 0x40)}) {
            Bytes bytes = good;
            bytes[i] = v;
            sweep(bytes);
        }
    }
}

}  // namespace
