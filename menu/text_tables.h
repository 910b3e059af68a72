// Menu texts: every text the menus and the HUD show by number comes from "/menu00.txb", read
// once and kept. A text is addressed by (table, entry) and decoded on each lookup into one
// shared buffer of 16-bit characters, expanding its escapes: menu variables as decimal numbers
// and the texts of other tables.
//
// "/menu00.txb", little-endian:
//   0   'K' 0x12        the mark of UTF-8 texts; anything else: one byte per character
//   2   u8 n            the table directory starts at n + 2
//   3   3 bytes         not read
//   6   u16             decode buffer size in characters (longest text plus its terminator)
//   n+2 u16 per table   offset of each table from the start of the file, by table number
// A table: u8 entry count, then per entry a u16 byte length and the bytes. Inside a text the
// byte '{' starts a three-byte escape '{' a b: a = 1 inserts menu variable b - 1 as a number;
// any other a (signed) inserts entry b - 1 of table 257 - a (a = 2, 3: the run-time tables
// 255, 254; a = 4 .. 127: file tables 253 .. 130).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kMenuTextFile = "/menu00.txb";
constexpr uint8_t kTextUtf8Mark0 = 0x4B;  // 'K'
constexpr uint8_t kTextUtf8Mark1 = 0x12;
constexpr int kTextHeaderBytes = 8;
constexpr uint8_t kTextEscape = 0x7B;     // '{'
constexpr uint8_t kEscapeVariable = 1;    // a of a menu-variable escape
constexpr int kEscapeTableBase = 257;     // an escape's a names table 257 - a
constexpr int kLastFileTable = 253;       // tables above are the run-time tables 254 and 255
constexpr int kMenuVariableCount = 256;
// Escapes inside escapes: texts nested deeper than this insert nothing, so a text that refers
// to itself ends.
constexpr int kMaxTextNesting = 8;
// Texts inserted by escapes during one lookup, at most; later escapes insert nothing (a text of
// many self-references would otherwise take for ever while writing nothing).
constexpr int kMaxTextInsertions = 256;

// Reads "/menu00.txb" from the pack. When it is missing or too short for its header and
// directory, one line on stderr says so and every lookup gives the empty text. False then.
bool loadTexts();
// The same from a file in memory (a new[] buffer, taken over whatever the outcome); quiet.
bool setTextData(uint8_t* data, size_t size);
// Forgets the texts: every lookup gives the empty text.
void unloadTexts();

// Decodes entry `entry` of table `table` into the shared buffer and returns it, terminated by a
// 0 character; *length (when not null) gets the characters written. Unknown tables and entries,
// the run-time tables 254 and 255 and texts without a loaded file give the empty text. A text
// longer than the buffer stops at its end. The next lookup overwrites the buffer.
const uint16_t* getText(int table, int entry, int* length);

// The 256 menu variables the escapes show, all 0 at start; indices outside are ignored (read 0).
void setMenuVariable(int index, int32_t value);
int32_t menuVariable(int index);
void resetMenuVariables();

// ---- For the tools that show a text file ------------------------------------------------------

bool textsLoaded();
bool textsAreUtf8();
// Characters the decode buffer holds, its terminator included.
int textBufferSize();
// Tables the directory holds, taken as the slots before the lowest table offset it names.
int textTableCount();
// Entries of a table, 0 for an unknown table.
int textEntryCount(int table);
// The stored bytes of an entry, escapes unexpanded. False for an unknown entry.
bool textEntryBytes(int table, int entry, const uint8_t** bytes, int* length);

// Writes value in decimal (a leading '-' when negative, no leading zeros) into out, at most
// capacity characters; returns the characters written.
int formatTextNumber(int32_t value, uint16_t* out, int capacity);
