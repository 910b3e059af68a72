// Menu text tables: the loaded "/menu00.txb", the menu variables, and the decoding of a text
// with its escapes into the shared character buffer.
#include "menu/text_tables.h"

#include <cstdio>

#include "gfx2d/sprite.h"
#include "storage/byte_reader.h"
#include "storage/pack.h"

namespace {

struct TextFile {
    uint8_t* data;        // owned: the whole file; null when none is loaded
    size_t size;
    bool utf8;            // texts are UTF-8 (the 'K' 0x12 mark)
    size_t directory;     // offset of the table directory
    uint16_t* buffer;     // owned: the decode buffer
    int bufferSize;       // characters of buffer, its terminator included
};
TextFile g_texts;
int32_t g_menuVariables[kMenuVariableCount];
uint16_t g_emptyText[1];

// Where one lookup writes: the buffer, its room for characters, and what is left of its work.
struct Decoder {
    uint16_t* out;
    int capacity;   // characters, the terminator excluded
    int count;
    int insertionsLeft;
    bool full() const { return count >= capacity; }
    void put(uint16_t c) {
        if (count < capacity) out[count++] = c;
    }
};

// The bytes of an entry of a file table; false when the table or entry is unknown or runs past
// the end of the file.
bool findEntry(int table, int entry, const uint8_t** bytes, int* length) {
    if (!g_texts.data || table < 0 || table > kLastFileTable || entry < 0) return false;
    ByteReader r(g_texts.data, g_texts.size);
    r.seek(g_texts.directory + static_cast<size_t>(table) * 2);
    const uint16_t offset = r.u16();
    r.seek(offset);
    const int count = r.u8();
    if (r.failed() || entry >= count) return false;
    for (int k = 0; k < entry; ++k) r.skip(r.u16());
    const uint16_t n = r.u16();
    const uint8_t* p = r.take(n);
    if (!p && n != 0) return false;
    if (r.failed()) return false;
    *bytes = p;
    *length = n;
    return true;
}

void decodeText(int table, int entry, int depth, Decoder* d);

void expandEscape(uint8_t a, uint8_t b, int depth, Decoder* d) {
    if (a == kEscapeVariable) {
        if (b >= 1) d->count += formatTextNumber(g_menuVariables[b - 1], d->out + d->count,
                                                 d->capacity - d->count);
        return;
    }
    if (depth >= kMaxTextNesting || d->insertionsLeft <= 0) return;
    --d->insertionsLeft;
    decodeText(kEscapeTableBase - static_cast<int8_t>(a), b - 1, depth + 1, d);
}

// Decodes a text at the decoder's position. The run-time tables 254 and 255 are never filled
// by this game and read as empty.
void decodeText(int table, int entry, int depth, Decoder* d) {
    const uint8_t* p;
    int n;
    if (!findEntry(table, entry, &p, &n)) return;
    for (int i = 0; i < n && !d->full();) {
        const uint8_t c = p[i];
        if (c == kTextEscape) {
            if (n - i < 3) break;  // an escape cut short by the end of its text
            expandEscape(p[i + 1], p[i + 2], depth, d);
            i += 3;
        } else if (g_texts.utf8 && c >= 0x80) {
            size_t used;
            d->put(decodeUtf8Char(p + i, static_cast<size_t>(n - i), &used));
            i += static_cast<int>(used);
        } else {
            d->put(c);
            ++i;
        }
    }
}

}  // namespace

bool setTextData(uint8_t* data, size_t size) {
    unloadTexts();
    if (!data) return false;
    if (size < kTextHeaderBytes || static_cast<size_t>(data[2]) + 2 > size) {
        delete[] data;
        return false;
    }
    g_texts.data = data;
    g_texts.size = size;
    g_texts.utf8 = data[0] == kTextUtf8Mark0 && data[1] == kTextUtf8Mark1;
    g_texts.directory = static_cast<size_t>(data[2]) + 2;
    g_texts.bufferSize = data[6] | (data[7] << 8);
    if (g_texts.bufferSize < 1) g_texts.bufferSize = 1;
    g_texts.buffer = new uint16_t[g_texts.bufferSize];
    return true;
}

bool loadTexts() {
    const int32_t size = entrySize(kMenuTextFile);
    uint8_t* data = size >= 0 ? loadEntry(kMenuTextFile) : nullptr;
    if (!data) {
        unloadTexts();
        std::fprintf(stderr, "menu texts: %s is missing; texts will be empty\n", kMenuTextFile);
        return false;
    }
    if (!setTextData(data, static_cast<size_t>(size))) {
        std::fprintf(stderr, "menu texts: %s is damaged; texts will be empty\n", kMenuTextFile);
        return false;
    }
    return true;
}

void unloadTexts() {
    delete[] g_texts.data;
    delete[] g_texts.buffer;
    g_texts = TextFile{};
}

const uint16_t* getText(int table, int entry, int* length) {
    if (length) *length = 0;
    if (!g_texts.buffer) return g_emptyText;
    Decoder d{g_texts.buffer, g_texts.bufferSize - 1, 0, kMaxTextInsertions};
    decodeText(table, entry, 0, &d);
    d.out[d.count] = 0;
    if (length) *length = d.count;
    return d.out;
}

void setMenuVariable(int index, int32_t value) {
    if (index >= 0 && index < kMenuVariableCount) g_menuVariables[index] = value;
}

int32_t menuVariable(int index) {
    return index >= 0 && index < kMenuVariableCount ? g_menuVariables[index] : 0;
}

void resetMenuVariables() {
    for (int32_t& v : g_menuVariables) v = 0;
}

int formatTextNumber(int32_t value, uint16_t* out, int capacity) {
    int count = 0;
    int64_t magnitude = value;
    if (magnitude < 0) {
        if (count < capacity) out[count++] = '-';
        magnitude = -magnitude;
    }
    // Ten places, highest first; leading zeros are skipped but the last digit always written.
    int64_t place = 1000000000;
    bool started = false;
    for (int i = 0; i < 10; ++i, place /= 10) {
        const int digit = static_cast<int>((magnitude / place) % 10);
        if (digit != 0 || started || i == 9) {
            started = true;
            if (count < capacity) out[count++] = static_cast<uint16_t>('0' + digit);
        }
    }
    return count;
}

bool textsLoaded() { return g_texts.data != nullptr; }
bool textsAreUtf8() { return g_texts.utf8; }
int textBufferSize() { return g_texts.bufferSize; }

int textTableCount() {
    if (!g_texts.data) return 0;
    size_t lowest = g_texts.size;
    int count = 0;
    for (size_t pos = g_texts.directory; count <= kLastFileTable && pos + 2 <= g_texts.size &&
                                         pos < lowest;
         pos += 2, ++count) {
        const size_t offset = g_texts.data[pos] | (g_texts.data[pos + 1] << 8);
        if (offset < lowest) lowest = offset;
    }
    return count;
}

int textEntryCount(int table) {
    if (!g_texts.data || table < 0 || table > kLastFileTable) return 0;
    ByteReader r(g_texts.data, g_texts.size);
    r.seek(g_texts.directory + static_cast<size_t>(table) * 2);
    r.seek(r.u16());
    const int count = r.u8();
    return r.failed() ? 0 : count;
}

bool textEntryBytes(int table, int entry, const uint8_t** bytes, int* length) {
    return findEntry(table, entry, bytes, length);
}
