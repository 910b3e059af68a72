// Key-value text: the held text, the line scan and the more-games string table.
#include "storage/kv_text.h"

#include <cstring>

#include "storage/pack.h"

namespace {

struct KeyValueText {
    uint8_t* data;  // the loaded entry; null when no text is held
    size_t size;    // bytes of data
};

struct MoreGamesStrings {
    char** slots;  // owned by the more-games screen
    int slotCount;
};

KeyValueText g_text;
MoreGamesStrings g_moreGamesStrings;

}  // namespace

bool loadText(const char* name) {
    unloadText();
    int32_t size = entrySize(name);
    if (size < 0) return false;
    g_text.data = loadEntry(name);
    if (!g_text.data) return false;
    g_text.size = static_cast<size_t>(size);
    return true;
}

void unloadText() {
    delete[] g_text.data;
    g_text.data = nullptr;
    g_text.size = 0;
}

void findTextValue(const uint8_t* text, size_t size, const char* key, char* out) {
    enum State { kReadingKey, kBeforeValue, kReadingValue, kSkipLine };
    out[0] = '\0';
    size_t keyLength = std::strlen(key);
    State state = kReadingKey;
    size_t keyStart = 0;  // index of the current line's first byte
    size_t k = 0;         // characters of the value stored so far
    for (size_t i = 0; i < size; ++i) {
        uint8_t c = text[i];
        if (c == '\n' || c == '\r') {
            if (state == kReadingValue) out[k] = '\0';
            state = kReadingKey;
            keyStart = i + 1;
            k = 0;
            continue;
        }
        switch (state) {
            case kReadingKey:
                if (c == ':') {
                    bool match =
                        i - keyStart == keyLength && !std::memcmp(text + keyStart, key, keyLength);
                    // A matching line replaces what an earlier one found, even with no value.
                    if (match) out[0] = '\0';
                    state = match ? kBeforeValue : kSkipLine;
                }
                break;
            case kBeforeValue:
                if (c == ' ' || c == '\t') break;
                state = kReadingValue;
                [[fallthrough]];
            case kReadingValue:
                if (k < kTextFieldBytes - 1) out[k++] = static_cast<char>(c);
                break;
            case kSkipLine:
                break;
        }
    }
    if (state == kReadingValue) out[k] = '\0';
}

void textValue(const char* key, char* out) { findTextValue(g_text.data, g_text.size, key, out); }

int32_t textInteger(const char* key) {
    char value[kTextFieldBytes];
    textValue(key, value);
    int64_t number = 0;
    for (const char* p = value; *p >= '0' && *p <= '9'; ++p) {
        number = number * 10 + (*p - '0');
        if (number > INT32_MAX) return INT32_MAX;
    }
    return static_cast<int32_t>(number);
}

bool textString(const char* key, int slot) {
    if (!g_moreGamesStrings.slots || slot < 0 || slot >= g_moreGamesStrings.slotCount) return false;
    char value[kTextFieldBytes];
    textValue(key, value);
    size_t length = std::strlen(value);
    char* copy = new char[length + 1];
    std::memcpy(copy, value, length + 1);
    delete[] g_moreGamesStrings.slots[slot];
    g_moreGamesStrings.slots[slot] = copy;
    return true;
}

void bindMoreGamesStrings(char** slots, int slotCount) {
    g_moreGamesStrings.slots = slots;
    g_moreGamesStrings.slotCount = slots ? slotCount : 0;
}
