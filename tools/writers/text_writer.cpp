// Text-table writer: the source notation both ways, and the file layout with its decode buffer
// size worked out the way the game expands texts.
#include "tools/writers/text_writer.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "gfx2d/sprite.h"
#include "menu/text_tables.h"

namespace {

constexpr int kNumberChars = 11;  // "-2147483648"
constexpr int kMaxTables = kLastFileTable + 1;
constexpr int kMaxEntries = 255;

void putU16(std::vector<uint8_t>* out, size_t v) {
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void appendUtf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendHexByte(std::string* out, uint8_t b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", b);
    *out += hex;
}

// Characters one lookup of (table, entry) writes, with the game's nesting and insertion limits.
int expandedLength(const TextFileDef& def, int table, int entry, int depth, int* insertionsLeft) {
    if (table < 0 || table >= static_cast<int>(def.tables.size()) || entry < 0 ||
        entry >= static_cast<int>(def.tables[table].size())) {
        return 0;
    }
    const std::string& text = def.tables[table][entry];
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    int count = 0;
    for (size_t i = 0; i < n && count < 65535;) {
        if (p[i] == kTextEscape) {
            if (n - i < 3) break;
            const uint8_t a = p[i + 1], b = p[i + 2];
            i += 3;
            if (a == kEscapeVariable) {
                if (b >= 1) count += kNumberChars;
            } else if (depth < kMaxTextNesting && *insertionsLeft > 0) {
                --*insertionsLeft;
                count += expandedLength(def, kEscapeTableBase - static_cast<int8_t>(a), b - 1,
                                        depth + 1, insertionsLeft);
            }
        } else if (def.utf8 && p[i] >= 0x80) {
            size_t used;
            decodeUtf8Char(p + i, n - i, &used);
            i += used;
            ++count;
        } else {
            ++i;
            ++count;
        }
    }
    return count;
}

// Decodes one standard UTF-8 character of the source; false when malformed.
bool readSourceChar(const std::string& s, size_t* i, uint32_t* c) {
    const uint8_t lead = static_cast<uint8_t>(s[*i]);
    int extra;
    if (lead < 0x80) extra = 0;
    else if ((lead & 0xE0) == 0xC0) extra = 1;
    else if ((lead & 0xF0) == 0xE0) extra = 2;
    else if ((lead & 0xF8) == 0xF0) extra = 3;
    else return false;
    if (*i + extra >= s.size()) return false;
    uint32_t v = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) {
        const uint8_t b = static_cast<uint8_t>(s[*i + k]);
        if ((b & 0xC0) != 0x80) return false;
        v = (v << 6) | (b & 0x3F);
    }
    *i += 1 + extra;
    *c = v;
    return true;
}

bool parseNumber(const std::string& word, long lo, long hi, int* out) {
    if (word.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (*end != 0 || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

// One escape "{...}" starting at s[*i]; appends its three bytes.
bool parseEscape(const std::string& s, size_t* i, std::string* bytes, std::string* why) {
    const size_t close = s.find('}', *i);
    if (close == std::string::npos) {
        *why = "a '{' without its '}'";
        return false;
    }
    std::istringstream words(s.substr(*i + 1, close - *i - 1));
    std::string kind, w1, w2, extra;
    words >> kind >> w1 >> w2 >> extra;
    int a = 0, b = 0;
    bool ok = extra.empty();
    if (ok && kind == "var") {
        int v = 0;
        ok = w2.empty() && parseNumber(w1, 0, kMenuVariableCount - 2, &v);
        a = kEscapeVariable;
        b = v + 1;
    } else if (ok && kind == "text") {
        int t = 0, e = 0;
        ok = parseNumber(w1, kEscapeTableBase - 127, 255, &t) && parseNumber(w2, 0, 254, &e);
        a = kEscapeTableBase - t;
        b = e + 1;
    } else if (ok && kind == "esc") {
        ok = parseNumber(w1, 0, 255, &a) && parseNumber(w2, 0, 255, &b);
    } else {
        ok = false;
    }
    if (!ok) {
        *why = "unknown escape '" + s.substr(*i, close - *i + 1) + "'";
        return false;
    }
    bytes->push_back(static_cast<char>(kTextEscape));
    bytes->push_back(static_cast<char>(a));
    bytes->push_back(static_cast<char>(b));
    *i = close + 1;
    return true;
}

bool parseEntry(const std::string& line, bool utf8, std::string* bytes, std::string* why) {
    for (size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (c == '{') {
            if (!parseEscape(line, &i, bytes, why)) return false;
        } else if (c == '\\') {
            const char next = i + 1 < line.size() ? line[i + 1] : 0;
            if (next == 'n') bytes->push_back('\n');
            else if (next == '\\' || next == '#' || next == '[') bytes->push_back(next);
            else if (next == 'x' && i + 3 < line.size() &&
                     std::isxdigit(static_cast<unsigned char>(line[i + 2])) &&
                     std::isxdigit(static_cast<unsigned char>(line[i + 3]))) {
                const std::string hex = line.substr(i + 2, 2);
                bytes->push_back(static_cast<char>(std::strtol(hex.c_str(), nullptr, 16)));
                i += 2;
            } else {
                *why = "unknown '\\' sequence";
                return false;
            }
            i += 2;
        } else {
            uint32_t ch;
            const size_t start = i;
            if (!readSourceChar(line, &i, &ch)) {
                *why = "the line is not UTF-8";
                return false;
            }
            if (ch > 0xFFFF || (!utf8 && ch > 0xFF)) {
                *why = utf8 ? "a character above U+FFFF" : "a character above 255 in byte mode";
                return false;
            }
            if (utf8) bytes->append(line, start, i - start);
            else bytes->push_back(static_cast<char>(ch));
        }
    }
    return true;
}

}  // namespace

bool buildTextFile(const TextFileDef& def, std::vector<uint8_t>* out, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    if (def.tables.size() > static_cast<size_t>(kMaxTables)) {
        *error = "more than " + std::to_string(kMaxTables) + " tables";
        return false;
    }
    int longest = 0;
    for (size_t t = 0; t < def.tables.size(); ++t) {
        if (def.tables[t].size() > static_cast<size_t>(kMaxEntries)) {
            *error = "table " + std::to_string(t) + " has more than 255 entries";
            return false;
        }
        for (size_t e = 0; e < def.tables[t].size(); ++e) {
            if (def.tables[t][e].size() > 65535) {
                *error = "an entry of table " + std::to_string(t) + " is over 65535 bytes";
                return false;
            }
            int insertions = kMaxTextInsertions;
            const int length = expandedLength(def, static_cast<int>(t), static_cast<int>(e), 0,
                                              &insertions);
            if (length > longest) longest = length;
        }
    }
    const int bufferSize = longest + 1 > 65535 ? 65535 : longest + 1;

    std::vector<uint8_t> file;
    file.push_back(def.utf8 ? kTextUtf8Mark0 : 'K');
    file.push_back(def.utf8 ? kTextUtf8Mark1 : 0x01);
    file.push_back(kTextHeaderBytes - 2);  // the directory follows the header
    file.push_back(0);
    file.push_back(0);
    file.push_back(0);
    putU16(&file, static_cast<size_t>(bufferSize));
    const size_t directory = file.size();
    file.resize(directory + def.tables.size() * 2);
    for (size_t t = 0; t < def.tables.size(); ++t) {
        const size_t offset = file.size();
        if (offset > 0xFFFF) {
            *error = "the text file would pass 64 KiB before table " + std::to_string(t);
            return false;
        }
        file[directory + t * 2] = static_cast<uint8_t>(offset & 0xFF);
        file[directory + t * 2 + 1] = static_cast<uint8_t>(offset >> 8);
        file.push_back(static_cast<uint8_t>(def.tables[t].size()));
        for (const std::string& entry : def.tables[t]) {
            putU16(&file, entry.size());
            file.insert(file.end(), entry.begin(), entry.end());
        }
    }
    *out = std::move(file);
    return true;
}

bool parseTextSource(const std::string& source, TextFileDef* out, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    TextFileDef def;
    std::set<int> given;
    int table = -1;
    std::istringstream in(source);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string why;
        if (!line.empty() && line[0] == '#') continue;
        if (!line.empty() && line[0] == '[') {
            int t = 0;
            if (line.back() != ']' || !parseNumber(line.substr(1, line.size() - 2), 0,
                                                   kLastFileTable, &t)) {
                why = "a table header other than [0] .. [253]";
            } else if (!given.insert(t).second) {
                why = "table " + std::to_string(t) + " is given twice";
            } else {
                table = t;
                if (def.tables.size() <= static_cast<size_t>(t)) def.tables.resize(t + 1);
                continue;
            }
        } else if (table < 0) {
            if (line == "@bytes") {
                def.utf8 = false;
                continue;
            }
            if (line.empty()) continue;
            why = "an entry before the first table";
        } else {
            std::string bytes;
            if (parseEntry(line, def.utf8, &bytes, &why)) {
                def.tables[table].push_back(bytes);
                continue;
            }
        }
        *error = "line " + std::to_string(number) + ": " + why;
        return false;
    }
    *out = std::move(def);
    return true;
}

std::string entryToSource(const uint8_t* p, size_t n, bool utf8) {
    std::string out;
    for (size_t i = 0; i < n;) {
        const uint8_t c = p[i];
        if (c == kTextEscape) {
            if (n - i < 3) {  // cut short: shown byte by byte
                for (; i < n; ++i) appendHexByte(&out, p[i]);
                break;
            }
            const uint8_t a = p[i + 1], b = p[i + 2];
            const int table = kEscapeTableBase - static_cast<int8_t>(a);
            if (a == kEscapeVariable && b >= 1) {
                out += "{var " + std::to_string(b - 1) + "}";
            } else if (a != kEscapeVariable && table >= kEscapeTableBase - 127 && table <= 255 &&
                       b >= 1) {
                out += "{text " + std::to_string(table) + " " + std::to_string(b - 1) + "}";
            } else {
                out += "{esc " + std::to_string(a) + " " + std::to_string(b) + "}";
            }
            i += 3;
            continue;
        }
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if ((c == '#' || c == '[') && out.empty()) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            appendHexByte(&out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (!utf8) {
            appendUtf8(&out, c);
        } else {
            size_t used;
            const uint16_t ch = decodeUtf8Char(p + i, n - i, &used);
            std::string again;
            appendUtf8(&again, ch);
            if (again.size() == used && again.compare(0, used, reinterpret_cast<const char*>(p + i),
                                                      used) == 0) {
                out += again;
                i += used;
            } else {
                appendHexByte(&out, c);
                ++i;
            }
            continue;
        }
        ++i;
    }
    return out;
}

std::string formatTextSource(const TextFileDef& def) {
    std::string out = def.utf8 ? "" : "@bytes\n";
    for (size_t t = 0; t < def.tables.size(); ++t) {
        if (def.tables[t].empty()) continue;
        out += "[" + std::to_string(t) + "]\n";
        for (const std::string& entry : def.tables[t]) {
            out += entryToSource(reinterpret_cast<const uint8_t*>(entry.data()), entry.size(),
                                 def.utf8);
            out += '\n';
        }
    }
    return out;
}
