// ByteReader: the one bounded little-endian cursor that every file format of the game is read
// through. A read past the end returns 0 (or fails) and sets a sticky failed flag, so a parser can
// check once per chunk; a sub-reader for a chunk cannot see past that chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    bool failed() const { return failed_; }
    bool ok() const { return !failed_; }
    size_t size() const { return size_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ == size_; }
    // Pointer at the cursor (valid for remaining() bytes).
    const uint8_t* cursor() const { return data_ ? data_ + pos_ : nullptr; }
    void fail() { failed_ = true; }

    uint8_t u8() {
        const uint8_t* p = take(1);
        return p ? p[0] : 0;
    }
    uint16_t u16() {
        const uint8_t* p = take(2);
        return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
    }
    uint32_t u32() {
        const uint8_t* p = take(4);
        return p ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
                 : 0;
    }
    uint16_t u16be() {
        const uint8_t* p = take(2);
        return p ? static_cast<uint16_t>((p[0] << 8) | p[1]) : 0;
    }
    uint32_t u32be() {
        const uint8_t* p = take(4);
        return p ? (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                       (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3])
                 : 0;
    }
    int8_t i8() { return static_cast<int8_t>(u8()); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // Copies n bytes out; on a short read copies nothing, fails and returns false.
    bool bytes(void* dst, size_t n) {
        const uint8_t* p = take(n);
        if (!p) return false;
        if (n) std::memcpy(dst, p, n);
        return true;
    }
    // Pointer to the next n bytes (advancing past them), or null and failed.
    const uint8_t* take(size_t n) {
        if (failed_ || n > size_ - pos_) {
            failed_ = true;
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    bool skip(size_t n) { return take(n) != nullptr || n == 0; }
    bool seek(size_t pos) {
        if (failed_ || pos > size_) {
            failed_ = true;
            return false;
        }
        pos_ = pos;
        return true;
    }
    // A reader over the next n bytes, advancing past them. Fails (both) when fewer remain.
    ByteReader sub(size_t n) {
        const uint8_t* p = take(n);
        ByteReader r(p, p ? n : 0);
        if (!p) r.failed_ = true;
        return r;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool failed_ = false;
};

// count * size without overflow; false when the product does not fit.
inline bool checkedMul(size_t count, size_t size, size_t* out) {
    if (size != 0 && count > SIZE_MAX / size) return false;
    *out = count * size;
    return true;
}
