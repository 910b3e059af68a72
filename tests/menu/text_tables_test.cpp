// Menu text tables: the encoding mark, escapes for numbers and other texts, the limits that keep
// a lookup finite and inside its buffer, a missing file, and files that lie about their parts
// (any damage at all is the fuzz target's).
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
using Tables = std::vector<std::vector<std::string>>;

std::string esc(int a, int b) {
    return std::string{'{', static_cast<char>(a), static_cast<char>(b)};
}

Bytes build(const Tables& tables, bool utf8 = true) {
    TextFileDef def;
    def.utf8 = utf8;
    def.tables = tables;
    Bytes file;
    std::string error;
    EXPECT_TRUE(buildTextFile(def, &file, &error)) << error;
    return file;
}

bool use(const Bytes& file) {
    uint8_t* data = new uint8_t[file.size() + 1];
    std::copy(file.begin(), file.end(), data);
    return setTextData(data, file.size());
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
    ASSERT_TRUE(use(build({{"caf\xC3\xA9"}}, true)));
    EXPECT_EQ(text(0, 0), u"caf\u00E9");
    Bytes file = build({{"caf\xC3\xA9"}}, true);
    file[0] = 0;  // no mark: bytes, cut at the room the four characters needed
    ASSERT_TRUE(use(file));
    EXPECT_EQ(text(0, 0), u"caf\u00C3");
    ASSERT_TRUE(use(build({{"caf\xC3\xA9"}}, false)));
    EXPECT_EQ(text(0, 0), u"caf\u00C3\u00A9");
}

TEST_F(TextTables, NumberEscapesShowMenuVariables) {
    // Variable b - 1 for an escape {1 b}; b = 0 names none.
    ASSERT_TRUE(
        use(build({{"Score " + esc(1, 1), esc(1, 3) + "/" + esc(1, 256 - 1) + esc(1, 0)}})));
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

TEST_F(TextTables, TextEscapesInsertOtherTablesEntriesAndUnknownOnesAreEmpty) {
    Tables tables(253);
    tables[252] = {"zero", "one", "two"};
    tables[130] = {"deep"};
    tables[1] = {"a", "b"};
    tables[0] = {"<" + esc(5, 3) + ">", esc(127, 1), esc(2, 1) + esc(3, 1) + "!", esc(5, 9),
                 esc(5, 0), "ab{\x05"};
    ASSERT_TRUE(use(build(tables)));
    EXPECT_EQ(text(0, 0), u"<two>");
    EXPECT_EQ(text(0, 1), u"deep");
    EXPECT_EQ(text(0, 2), u"!") << "the run-time tables 254 and 255 read as empty";
    EXPECT_EQ(text(0, 3), u"") << "an entry past its table inserts nothing";
    EXPECT_EQ(text(0, 4), u"");
    EXPECT_EQ(text(0, 5), u"ab") << "an escape cut short by the end of its text";
    EXPECT_EQ(text(1, 1), u"b");
    const int unknown[][2] = {{1, 2}, {2, 0}, {-1, 0}, {0, -1}, {254, 0}, {255, 0}};
    for (const auto& u : unknown) EXPECT_EQ(text(u[0], u[1]), u"") << u[0] << " " << u[1];
    ASSERT_TRUE(use(build({{"a"}})));
    EXPECT_EQ(text(200, 0), u"") << "a table whose directory slot lies past the file";
}

TEST_F(TextTables, ATextThatRefersToItselfEnds) {
    Tables tables(254);
    tables[0] = {std::string(40, '.')};  // room for more than the nesting allows
    tables[253] = {"a" + esc(4, 1), ""};
    for (int i = 0; i < 1000; ++i) tables[253][1] += esc(4, 2);
    ASSERT_TRUE(use(build(tables)));
    EXPECT_EQ(text(253, 0), u"aaaaaaaaa") << "the text itself and eight nested copies";
    EXPECT_EQ(text(253, 1), u"") << "a thousand self-references per level end quickly";
}

TEST_F(TextTables, FilesThatLieAboutTheirPartsGiveShortOrEmptyTexts) {
    Bytes file = build({{"0123456789" + esc(1, 1)}});
    ASSERT_TRUE(use(file));
    EXPECT_EQ(textBufferSize(), 10 + 11 + 1) << "escapes count at their widest";
    file[6] = 6;  // room for 5 characters and the terminator: the text stops there
    ASSERT_TRUE(use(file));
    EXPECT_EQ(text(0, 0), u"01234");
    file[6] = 0;
    ASSERT_TRUE(use(file));
    EXPECT_EQ(text(0, 0), u"");

    const Bytes good = build({{"abc", "de", "", "f"}});
    EXPECT_FALSE(use(Bytes(good.begin(), good.begin() + kTextHeaderBytes - 1))) << "short header";
    Bytes bad = good;
    bad[2] = static_cast<uint8_t>(good.size());  // the directory starts past the end
    EXPECT_FALSE(use(bad));
    const size_t table = good[good[2] + 2] | good[good[2] + 3] << 8;
    ASSERT_TRUE(use(good));
    EXPECT_EQ(text(0, 3), u"f") << "after an empty entry";
    bad = good;
    bad[table] = 1;  // one entry told: those after it are not read
    ASSERT_TRUE(use(bad));
    EXPECT_EQ(text(0, 1), u"");
    bad[table] = 5;  // five entries promised, four there
    ASSERT_TRUE(use(bad));
    EXPECT_EQ(text(0, 1), u"de");
    EXPECT_EQ(text(0, 4), u"");
    bad[table + 1 + 2 + 3] = 200;  // and the second entry runs past the end
    ASSERT_TRUE(use(bad));
    EXPECT_EQ(text(0, 0), u"abc");
    EXPECT_EQ(text(0, 1), u"");
    EXPECT_EQ(text(0, 3), u"") << "entries after it are lost too";
    ASSERT_TRUE(use(Bytes(good.begin(), good.end() - 1)));  // cut inside the last entry
    EXPECT_EQ(text(0, 3), u"");
}

TEST_F(TextTables, TheFileComesFromThePackAndAMissingOneGivesEmptyTextsAndOneLine) {
    PackInput entry{kMenuTextFile, build({{"Play"}})};
    const std::string path = zvtest::makeTempFolder() + kPackFileName;
    ASSERT_TRUE(writePackFile(path.c_str(), {entry}, nullptr));
    ASSERT_TRUE(openPack(path.c_str()));
    EXPECT_TRUE(loadTexts());
    EXPECT_EQ(text(0, 0), u"Play");

    closePack();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadTexts());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/menu00.txb is missing"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(text(0, 0), u"");
}

}  // namespace
