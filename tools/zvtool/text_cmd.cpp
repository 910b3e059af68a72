// zvtool text: builds a menu text file from its source and dumps one back, read by the game's
// own text reader.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "menu/text_tables.h"
#include "tools/writers/file_writer.h"
#include "tools/writers/text_writer.h"
#include "tools/zvtool/commands.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: zvtool text build SOURCE OUT.txb\n"
                 "       zvtool text dump FILE.txb [--expand]\n"
                 "  dump prints the file in the source format (build of that output gives the\n"
                 "  same file, tables without entries left out); --expand shows each text as the\n"
                 "  game decodes it, escapes expanded, instead.\n"
                 "\n"
                 "Source format (UTF-8, one entry per line):\n"
                 "  # ...           a comment line\n"
                 "  @bytes          before the first table: one byte per character (Latin-1)\n"
                 "                  instead of UTF-8\n"
                 "  [N]             starts table N (0..253); each following line is one entry,\n"
                 "                  an empty line an empty entry, until the next [N]\n"
                 "  {var N}         menu variable N (0..254) as a number\n"
                 "  {text T E}      entry E of table T (130..253; 254, 255: run-time tables)\n"
                 "  {esc A B}       the raw escape bytes '{' A B\n"
                 "  \\n \\\\ \\# \\[     line feed, backslash, and '#' or '[' starting an entry\n"
                 "  \\xHH            one raw byte\n");
}

bool readWholeFile(const char* path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void appendUtf8(std::string* out, uint16_t c) {
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

int buildCommand(const char* sourcePath, const char* outPath) {
    std::string source, error;
    if (!readWholeFile(sourcePath, &source)) {
        std::fprintf(stderr, "zvtool text: cannot read %s\n", sourcePath);
        return 1;
    }
    TextFileDef def;
    std::vector<uint8_t> file;
    if (!parseTextSource(source, &def, &error) || !buildTextFile(def, &file, &error)) {
        std::fprintf(stderr, "zvtool text: %s: %s\n", sourcePath, error.c_str());
        return 1;
    }
    if (!writeWholeFile(outPath, file)) {
        std::fprintf(stderr, "zvtool text: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}

int dumpCommand(const char* path, bool expand) {
    std::string bytes;
    if (!readWholeFile(path, &bytes)) {
        std::fprintf(stderr, "zvtool text: cannot read %s\n", path);
        return 1;
    }
    uint8_t* data = new uint8_t[bytes.size() ? bytes.size() : 1];
    std::memcpy(data, bytes.data(), bytes.size());
    if (!setTextData(data, bytes.size())) {
        std::fprintf(stderr, "zvtool text: %s is not a menu text file\n", path);
        return 1;
    }
    TextFileDef def;
    def.utf8 = textsAreUtf8();
    std::string out;
    for (int t = 0; t < textTableCount(); ++t) {
        std::vector<std::string> entries;
        for (int e = 0; e < textEntryCount(t); ++e) {
            const uint8_t* p = nullptr;
            int n = 0;
            if (!textEntryBytes(t, e, &p, &n)) break;  // the rest of the table is cut off
            entries.emplace_back(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
        }
        if (expand && !entries.empty()) {
            out += "[" + std::to_string(t) + "]\n";
            for (size_t e = 0; e < entries.size(); ++e) {
                int length = 0;
                const uint16_t* text = getText(t, static_cast<int>(e), &length);
                for (int i = 0; i < length; ++i) {
                    if (text[i] == '\n') out += "\\n";
                    else appendUtf8(&out, text[i]);
                }
                out += '\n';
            }
        }
        def.tables.push_back(std::move(entries));
    }
    if (!expand) out = formatTextSource(def);
    std::fwrite(out.data(), 1, out.size(), stdout);
    unloadTexts();
    return 0;
}

}  // namespace

int textCommand(int argc, char** argv) {
    if (argc == 3 && !std::strcmp(argv[0], "build")) return buildCommand(argv[1], argv[2]);
    if ((argc == 2 || (argc == 3 && !std::strcmp(argv[2], "--expand"))) &&
        !std::strcmp(argv[0], "dump")) {
        return dumpCommand(argv[1], argc == 3);
    }
    usage();
    return 2;
}
