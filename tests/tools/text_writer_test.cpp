// The text writer: the source notation read and written back, and the file it builds read by the
// game's own text reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menu/text_tables.h"
#include "tools/writers/text_writer.h"

namespace {

// A source in the canonical form the writer prints (no comments, tables in order).
const char kSource[] =
    "[0]\n"
    "Play\n"
    "Score: {var 0} of {var 254}\n"
    "\n"
    "\\#1 [in brackets] back\\\\slash, line\\nfeed\n"
    "\\[x] starts like a table\n"
    "caf\xC3\xA9 \xE2\x82\xAC {text 252 1}{text 255 0}\n"
    "[2]\n"
    "{esc 1 0}{esc 0 7}\\x7F\\x01\n"
    "[130]\n"
    "deep\n"
    "[252]\n"
    "zero\n"
    "one {text 130 0}\n";

TEST(TextWriter, TheSourceReadsBackAsWrittenAndTheGameReadsTheFile) {
    TextFileDef def;
    std::string error;
    ASSERT_TRUE(parseTextSource(kSource, &def, &error)) << error;
    EXPECT_EQ(def.tables.size(), 253u);
    EXPECT_EQ(formatTextSource(def), kSource);

    // In byte mode one byte a character; the game reads the file back.
    TextFileDef narrow;
    std::vector<uint8_t> file;
    ASSERT_TRUE(parseTextSource("# texts\n@bytes\n[0]\ncaf\xC3\xA9 {var 0}\n", &narrow, nullptr));
    EXPECT_EQ(narrow.tables[0][0], std::string("caf\xE9 {\x01\x01", 8));
    ASSERT_TRUE(buildTextFile(narrow, &file, nullptr));
    uint8_t* data = new uint8_t[file.size()];
    std::copy(file.begin(), file.end(), data);
    ASSERT_TRUE(setTextData(data, file.size()));
    EXPECT_FALSE(textsAreUtf8());
    int length = 0;
    const uint16_t* chars = getText(0, 0, &length);
    EXPECT_EQ(std::u16string(chars, chars + length), u"caf\u00E9 0");
    unloadTexts();

    // Stored bytes the notation cannot spell come out as hex.
    const uint8_t bytes[] = {'a', 0xC3, 'b', 0x80, 0x7B, 0x01};
    EXPECT_EQ(entryToSource(bytes, sizeof bytes, true), "a\\xC3b\\x80\\x7B\\x01");
    EXPECT_EQ(entryToSource(bytes, 4, false), "a\xC3\x83" "b\xC2\x80");
}

TEST(TextWriter, BadSourcesAreRefusedWithTheirLine) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"[0]\na {b}\n", "line 2"},
        {"[0]\n{var 255}\n", "line 2"},
        {"[0]\n{text 129 0}\n", "line 2"},
        {"[0]\nopen {var 1\n", "line 2"},
        {"[0]\nx\n[0]\n", "line 3"},
        {"[254]\n", "line 1"},
        {"entry\n[0]\n", "line 1"},
        {"[0]\n\\q\n", "line 2"},
        {"@bytes\n[0]\n\xE2\x82\xAC\n", "line 3"},
        {"[0]\n\xF0\x9F\x98\x80\n", "line 2"},
        {"[0]\n\xC3\n", "line 2"},
    };
    for (const auto& [source, where] : bad) {
        TextFileDef def;
        std::string error;
        EXPECT_FALSE(parseTextSource(source, &def, &error)) << source;
        EXPECT_EQ(error.rfind(where, 0), 0u) << source << " -> " << error;
    }
    TextFileDef tooMany;
    tooMany.tables.resize(1);
    tooMany.tables[0].resize(256);
    std::vector<uint8_t> file;
    EXPECT_FALSE(buildTextFile(tooMany, &file, nullptr));
}

}  // namespace
