// Fuzz target of the key-value text scan: the first byte gives the key's length, the key follows,
// the rest is the text. The value must end inside its 256-byte buffer.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "storage/kv_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t keyLength = data[0] < size - 1 ? data[0] : size - 1;
    // A key ends at its first NUL.
    const std::string key = std::string(reinterpret_cast<const char*>(data + 1), keyLength).c_str();
    const size_t textSize = size - 1 - keyLength;
    char* out = new char[kTextFieldBytes];  // exactly the size the callers give
    std::memset(out, 0xA5, kTextFieldBytes);
    findTextValue(textSize ? data + 1 + keyLength : nullptr, textSize, key.c_str(), out);
    fuzzcheck::require(std::memchr(out, 0, kTextFieldBytes) != nullptr);
    delete[] out;
    return 0;
}
