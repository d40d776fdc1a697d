// A bounds-checked little-endian cursor over bytes in memory. A read that does not fit sets a
// sticky failure (remembering where) and yields zeros, so a reader checks once per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace korvel {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool fits(size_t n) const { return n <= size_ - pos_; }
    bool failed() const { return failed_; }
    size_t failOffset() const { return failOffset_; }
    void clearFailure() { failed_ = false; }
    const uint8_t* data() const { return data_; }

    bool seek(size_t pos) {
        if (pos > size_) return fail();
        pos_ = pos;
        return true;
    }
    bool skip(size_t n) {
        if (!fits(n)) return fail();
        pos_ += n;
        return true;
    }

    uint8_t u8() {
        if (!fits(1)) return fail(), 0;
        return data_[pos_++];
    }
    uint16_t u16() {
        if (!fits(2)) return fail(), 0;
        uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t u32() {
        if (!fits(4)) return fail(), 0;
        uint32_t v;
        std::memcpy(&v, data_ + pos_, 4);  // the formats are little-endian, as is every target
        pos_ += 4;
        return v;
    }
    double f64() {
        if (!fits(8)) return fail(), 0.0;
        double v;
        std::memcpy(&v, data_ + pos_, 8);
        pos_ += 8;
        return v;
    }
    // Unchecked reads, for a caller that has made sure with fits() that the bytes are there.
    uint8_t u8Unchecked() { return data_[pos_++]; }
    uint16_t u16Unchecked() {
        uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t u32Unchecked() {
        uint32_t v;
        std::memcpy(&v, data_ + pos_, 4);
        pos_ += 4;
        return v;
    }
    double f64Unchecked() {
        double v;
        std::memcpy(&v, data_ + pos_, 8);
        pos_ += 8;
        return v;
    }

    // Copies n bytes; fails without allocating when they are not there.
    bool bytes(size_t n, std::string& out) {
        if (!fits(n)) return fail();
        out.assign(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return true;
    }
    const uint8_t* view(size_t n) {
        if (!fits(n)) return fail(), nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    bool fail() {
        if (!failed_) failOffset_ = pos_;
        failed_ = true;
        return false;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
    size_t failOffset_ = 0;
};

class ByteWriter {
public:
    std::string bytes;  // grows as written; std::string keeps appends cheap

    size_t position() const { return bytes.size(); }
    void u8(uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) {
        char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        bytes.append(b, 2);
    }
    void u32(uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }
    void f64(double v) { bytes.append(reinterpret_cast<const char*>(&v), 8); }
    void raw(const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); }
};

}  // namespace korvel
