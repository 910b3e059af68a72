// Fuzz target of the key-value text scan: the first byte gives the key's length, the key follows,
// the rest is the text. The value must end inside its 256-byte buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/kv_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t keyLength = data[0] < size - 1 ? data[0] : size - 1;
    std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
    key = key.c_str();  // a key ends at its first NUL
    const uint8_t* text = data + 1 + keyLength;
    size_t textSize = size - 1 - keyLength;

    char* out = new char[kTextFieldBytes];  // exactly the size the callers give
    std::memset(out, 0xA5, kTextFieldBytes);
    findTextValue(textSize ? text : nullptr, textSize, key.c_str(), out);
    if (!std::memchr(out, 0, kTextFieldBytes)) std::abort();
    delete[] out;
    return 0;
}
