// Key-value text: small text entries of the pack made of "key: value" lines, read by the
// more-games screen. One text is held at a time. Lines end at '\n' or '\r'; a key runs to the
// first ':' of its line and is compared exactly; spaces and tabs after the ':' are skipped and the
// value runs to the end of the line. When a key occurs twice the later line wins.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of a value buffer: up to 255 characters and the NUL. Longer values are cut.
constexpr size_t kTextFieldBytes = 256;

// Releases the text held so far and loads the named pack entry as the text. False when the
// entry is missing (no text is held then).
bool loadText(const char* name);
void unloadText();

// The value of key in the held text, in out (kTextFieldBytes long); the empty string when the
// key or the text is missing.
void textValue(const char* key, char* out);
// The decimal number at the start of key's value: digits up to the first other byte, 0 when the
// value does not start with a digit, INT32_MAX when the digits run higher.
int32_t textInteger(const char* key);
// Stores a heap copy of key's value in slot `slot` of the more-games string table, releasing
// the string the slot held. False when no table is bound or slot lies outside it.
bool textString(const char* key, int slot);

// The more-games screen owns its string table (slotCount slots, each null or a string made by
// textString) and binds it here before reading its text; null unbinds.
void bindMoreGamesStrings(char** slots, int slotCount);

// The scan behind textValue over any text of size bytes (text may be null when size is 0).
void findTextValue(const uint8_t* text, size_t size, const char* key, char* out);
