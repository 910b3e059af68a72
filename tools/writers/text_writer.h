// Text-table writer: builds the menu text file "/menu00.txb" from tables of entries, and reads
// and writes the human-editable source the texts are kept in.
//
// Source format (UTF-8, one entry per line):
//   # ...            a comment line (an entry that starts with '#' is written "\#")
//   @bytes           before the first table: store one byte per character (Latin-1) instead of
//                    UTF-8
//   [N]              starts table N (0..253); every line after it is one entry of that table,
//                    an empty line an empty entry, until the next [N]. Tables not given are
//                    empty.
// Inside an entry:
//   {var N}          menu variable N (0..254) as a decimal number
//   {text T E}       entry E (0..254) of table T (130..255; 254 and 255 are filled at run time)
//   {esc A B}        a raw escape: the bytes '{' A B
//   \n \\ \# \[      line feed, backslash, '#' and '[' (the last two needed at a line's start)
//   \xHH             one raw byte, hexadecimal
// A '{' that starts none of the escapes above is an error: the file format has no literal '{'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TextFileDef {
    bool utf8 = true;
    // tables[t][e]: the stored bytes of entry e of table t, escapes already encoded.
    std::vector<std::vector<std::string>> tables;
};

// The file bytes. The header's decode buffer size is the longest text once its escapes are
// expanded (variables counted at 11 characters, nested texts as the game expands them) plus
// the terminator. False, with a one-line reason in *error, for more than 254 tables, more than
// 255 entries in a table, an entry over 65535 bytes, or a file past 64 KiB.
bool buildTextFile(const TextFileDef& def, std::vector<uint8_t>* out, std::string* error);

// Parses the source format. False, with the line number and reason in *error, on a bad table
// header, an unknown escape, a table given twice, or (in byte mode) a character above 255.
bool parseTextSource(const std::string& source, TextFileDef* out, std::string* error);

// One stored entry in the source notation (the inverse of an entry line). Bytes the notation
// cannot show as characters (malformed UTF-8, cut escapes, control bytes) come out as \xHH.
std::string entryToSource(const uint8_t* bytes, size_t length, bool utf8);

// The source text of a whole definition: "@bytes" when needed, then every non-empty table.
std::string formatTextSource(const TextFileDef& def);
