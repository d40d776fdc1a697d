// The two directions of Jw_cad's object archive: reading fields into the model and writing them
// from it. Layouts are written once, as templates over these two (see jww_layout.h), so that
// what the writer emits is exactly what the reader takes.
#pragma once

#include <cstdint>
#include <string>

#include "drawing/byte_reader.h"

namespace korvel {

class ReadArchive {
public:
    static constexpr bool reading = true;
    explicit ReadArchive(ByteReader& r) : r_(r) {}

    void u8(uint8_t& v) { v = r_.u8(); }
    void u16(uint16_t& v) { v = r_.u16(); }
    void u32(uint32_t& v) { v = r_.u32(); }
    void f64(double& v) { v = r_.f64(); }
    // An archive string: a length byte; 255 escapes to a u16 length, whose value 0xFFFF escapes
    // to a u32 length and 0xFFFE marks a UTF-16 string (Jw_cad 8), converted to CP932 here.
    void str(std::string& s);
    bool failed() const { return r_.failed(); }
    ByteReader& reader() { return r_; }

    size_t replacedCharacters = 0;

private:
    ByteReader& r_;
};

// Reads a record as ReadArchive does but passes over its strings (leaving them empty): for
// trying whether a record fits somewhere, without copying or converting its texts.
class SkimArchive {
public:
    static constexpr bool reading = true;
    explicit SkimArchive(ByteReader& r) : r_(r) {}

    void u8(uint8_t& v) { v = r_.u8(); }
    void u16(uint16_t& v) { v = r_.u16(); }
    void u32(uint32_t& v) { v = r_.u32(); }
    void f64(double& v) { v = r_.f64(); }
    void str(std::string& s);
    bool failed() const { return r_.failed(); }

private:
    ByteReader& r_;
};

// Reads a record of fixed size whose bytes the caller has found to be all there: no checks per
// field. Only for kinds without strings.
class FittedReadArchive {
public:
    static constexpr bool reading = true;
    explicit FittedReadArchive(ByteReader& r) : r_(r) {}

    void u8(uint8_t& v) { v = r_.u8Unchecked(); }
    void u16(uint16_t& v) { v = r_.u16Unchecked(); }
    void u32(uint32_t& v) { v = r_.u32Unchecked(); }
    void f64(double& v) { v = r_.f64Unchecked(); }
    bool failed() const { return false; }

private:
    ByteReader& r_;
};

class WriteArchive {
public:
    static constexpr bool reading = false;
    explicit WriteArchive(ByteWriter& w) : w_(w) {}

    void u8(const uint8_t& v) { w_.u8(v); }
    void u16(const uint16_t& v) { w_.u16(v); }
    void u32(const uint32_t& v) { w_.u32(v); }
    void f64(const double& v) { w_.f64(v); }
    // CP932 bytes; lengths from 0xFFFE up take the 32-bit form so they never read as markers.
    void str(const std::string& s);
    bool failed() const { return false; }
    ByteWriter& writer() { return w_; }

private:
    ByteWriter& w_;
};

}  // namespace korvel
