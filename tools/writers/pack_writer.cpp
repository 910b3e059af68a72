// Pack writer: compresses the entries, lays out the directory and the data behind it.
#include "tools/writers/pack_writer.h"

#include <zlib.h>

#include <cstdio>
#include <set>

#include "storage/pack.h"
#include "tools/writers/file_writer.h"

namespace {

void putU24(std::vector<uint8_t>* out, uint32_t value) {
    out->push_back(static_cast<uint8_t>(value));
    out->push_back(static_cast<uint8_t>(value >> 8));
    out->push_back(static_cast<uint8_t>(value >> 16));
}

void putU32(std::vector<uint8_t>* out, uint32_t value) {
    putU24(out, value);
    out->push_back(static_cast<uint8_t>(value >> 24));
}

bool deflateLevel9(const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
    uLongf length = compressBound(static_cast<uLong>(in.size()));
    out->resize(length);
    if (compress2(out->data(), &length, in.data(), static_cast<uLong>(in.size()), 9) != Z_OK) {
        return false;
    }
    out->resize(length);
    return true;
}

// An entry's data as it goes into the pack, and its flags.
bool packedData(const PackInput& entry, std::vector<uint8_t>* data, uint8_t* flags) {
    if (entry.storage != PackStorage::kStored) {
        if (!deflateLevel9(entry.bytes, data)) return false;
        if (entry.storage == PackStorage::kZlib || data->size() < entry.bytes.size()) {
            *flags = 0;
            return true;
        }
    }
    *data = entry.bytes;
    *flags = kPackFlagStored;
    return true;
}

std::string entryName(const PackInput& entry) {
    return !entry.name.empty() && entry.name[0] == '/' ? entry.name.substr(1) : entry.name;
}

}  // namespace

bool buildPack(const std::vector<PackInput>& entries, std::vector<uint8_t>* pack,
               std::string* error) {
    if (entries.size() > 0xFFFF) {
        *error = "too many entries: " + std::to_string(entries.size()) + " (at most 65535)";
        return false;
    }
    std::vector<uint8_t> directory;
    std::vector<uint8_t> data;
    std::set<std::string> names;
    for (const PackInput& entry : entries) {
        std::string name = entryName(entry);
        if (name.empty() || name.find('\0') != std::string::npos) {
            *error = "bad entry name '" + entry.name + "'";
            return false;
        }
        if (!names.insert(name).second) {
            *error = "entry '" + name + "' appears twice";
            return false;
        }
        std::vector<uint8_t> packed;
        uint8_t flags;
        if (entry.bytes.size() > kPackMaxSize24 || !packedData(entry, &packed, &flags) ||
            packed.size() > kPackMaxSize24) {
            *error = "entry '" + name + "' is too large (" + std::to_string(entry.bytes.size()) +
                     " bytes; at most 16777215, stored or unpacked)";
            return false;
        }
        directory.insert(directory.end(), name.begin(), name.end());
        directory.push_back(0);
        putU24(&directory, static_cast<uint32_t>(packed.size()));
        directory.push_back(flags);
        putU24(&directory, static_cast<uint32_t>(entry.bytes.size()));
        directory.push_back(0);  // reserved
        data.insert(data.end(), packed.begin(), packed.end());
    }
    uint64_t headerSize = kPackHeaderBytes + directory.size();
    if (headerSize > UINT32_MAX) {
        *error = "the directory is too large";
        return false;
    }
    pack->clear();
    pack->reserve(headerSize + data.size());
    pack->push_back(kPackMagic0);
    pack->push_back(kPackMagic1);
    putU32(pack, static_cast<uint32_t>(headerSize));
    pack->push_back(static_cast<uint8_t>(entries.size()));
    pack->push_back(static_cast<uint8_t>(entries.size() >> 8));
    pack->insert(pack->end(), directory.begin(), directory.end());
    pack->insert(pack->end(), data.begin(), data.end());
    return true;
}

bool writePackFile(const char* path, const std::vector<PackInput>& entries, std::string* error) {
    std::vector<uint8_t> pack;
    return buildPack(entries, &pack, error) && writeWholeFile(path, pack, error);
}
