// DXF tags as text: a group code line and a value line each, appended to a byte buffer. Fast
// enough for drawings of a million records: values are formatted without streams or locales.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Object handles: hexadecimal numbers unique in the file, handed out in order.
using DxfHandle = uint64_t;

class DxfWriter {
public:
    explicit DxfWriter(std::vector<uint8_t>& out) : out_(out) {}

    void text(int code, std::string_view value);
    void integer(int code, int64_t value);
    void real(int code, double value);
    // A point as three tags: code, code + 10, code + 20 (z is always 0).
    void point(int code, double x, double y);
    void point3(int code, double x, double y, double z);
    void handle(int code, DxfHandle value);

    // Starts an object: its type, its handle (group 5) and its owner (group 330).
    void object(std::string_view type, DxfHandle own, DxfHandle owner);
    // A section's start and end.
    void beginSection(std::string_view name);
    void endSection();

    std::vector<uint8_t>& bytes() { return out_; }

private:
    void code(int code);
    void append(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
    void endLine() {
        out_.push_back('\r');
        out_.push_back('\n');
    }

    std::vector<uint8_t>& out_;
};

// A handle as DXF writes it: upper-case hexadecimal without leading zeros.
std::string HandleText(DxfHandle value);
// The shortest text that reads back as exactly `value`; non-finite values are written as 0.
std::string RealText(double value);

}  // namespace korvel

namespace korvel {

// Hands out handles in order; the header's $HANDSEED is the next one left.
class DxfHandles {
public:
    DxfHandle take() { return next_++; }
    DxfHandle next() const { return next_; }

private:
    DxfHandle next_ = 1;
};

}  // namespace korvel
