#include "output/dxf_writer.h"

#include <charconv>
#include <cmath>

namespace korvel {

namespace {

// Right-aligned in three columns, as AutoCAD writes group codes; some readers expect it.
size_t formatCode(int code, char* buf) {
    char digits[12];
    const auto r = std::to_chars(digits, digits + sizeof digits, code);
    const size_t n = static_cast<size_t>(r.ptr - digits);
    size_t pad = n < 3 ? 3 - n : 0;
    for (size_t i = 0; i < pad; ++i) buf[i] = ' ';
    for (size_t i = 0; i < n; ++i) buf[pad + i] = digits[i];
    return pad + n;
}

size_t formatHandle(DxfHandle value, char* buf) {
    char digits[20];
    size_t n = 0;
    do {
        const unsigned d = static_cast<unsigned>(value & 0xF);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        value >>= 4;
    } while (value != 0);
    for (size_t i = 0; i < n; ++i) buf[i] = digits[n - 1 - i];
    return n;
}

size_t formatReal(double value, char* buf, size_t size) {
    if (!std::isfinite(value)) value = 0.0;
    if (value == 0.0) value = 0.0;  // no "-0"
    const auto r = std::to_chars(buf, buf + size, value);
    return static_cast<size_t>(r.ptr - buf);
}

}  // namespace

std::string HandleText(DxfHandle value) {
    char buf[20];
    return std::string(buf, formatHandle(value, buf));
}

std::string RealText(double value) {
    char buf[40];
    return std::string(buf, formatReal(value, buf, sizeof buf));
}

void DxfWriter::code(int c) {
    // Every code line of the file comes from here: the common ones are formatted once.
    struct Codes {
        char text[1100][8];
        uint8_t size[1100];
        Codes() {
            for (int i = 0; i < 1100; ++i) {
                size_t n = formatCode(i, text[i]);
                text[i][n++] = '\r';
                text[i][n++] = '\n';
                size[i] = static_cast<uint8_t>(n);
            }
        }
    };
    static const Codes codes;
    if (c >= 0 && c < 1100) {
        out_.insert(out_.end(), codes.text[c], codes.text[c] + codes.size[c]);
        return;
    }
    char buf[16];
    const size_t n = formatCode(c, buf);
    out_.insert(out_.end(), buf, buf + n);
    endLine();
}

void DxfWriter::text(int c, std::string_view value) {
    code(c);
    append(value);
    endLine();
}

void DxfWriter::integer(int c, int64_t value) {
    code(c);
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out_.insert(out_.end(), buf, r.ptr);
    endLine();
}

void DxfWriter::real(int c, double value) {
    code(c);
    char buf[40];
    const size_t n = formatReal(value, buf, sizeof buf);
    out_.insert(out_.end(), buf, buf + n);
    endLine();
}

void DxfWriter::point(int c, double x, double y) { point3(c, x, y, 0.0); }

void DxfWriter::point3(int c, double x, double y, double z) {
    real(c, x);
    real(c + 10, y);
    real(c + 20, z);
}

void DxfWriter::handle(int c, DxfHandle value) {
    code(c);
    char buf[20];
    const size_t n = formatHandle(value, buf);
    out_.insert(out_.end(), buf, buf + n);
    endLine();
}

void DxfWriter::object(std::string_view type, DxfHandle own, DxfHandle owner) {
    text(0, type);
    handle(5, own);
    handle(330, owner);
}

void DxfWriter::beginSection(std::string_view name) {
    text(0, "SECTION");
    text(2, name);
}

void DxfWriter::endSection() { text(0, "ENDSEC"); }

}  // namespace korvel
