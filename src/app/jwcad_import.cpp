// Jw_cad settings import: its keys, value names, number formats and defaults, in its order.
#include "app/jwcad_import.h"

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <sstream>

namespace korvel {

namespace {

const char* const kRoot = "Software\\Jw_cad\\jw_win\\";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexDigits(const std::string& t, size_t i, uint32_t& value) {
    if (i >= t.size()) return false;
    uint64_t v = 0;
    for (; i < t.size(); ++i) {
        int d = hexDigit(t[i]);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

// Two-digit value names ("Color03", "SizeX10").
std::string nn(const char* family, int n) {
    std::string s = std::to_string(n);
    return family + (s.size() < 2 ? "0" + s : s);
}

std::string bare(const char* family, int n) { return family + std::to_string(n); }

// A value that stops the import; caught where the import returns.
struct ImportStopped {
    std::string message;
};

// One opened key; reads its values with Jw_cad's formats.
class KeyReader {
public:
    KeyReader(const RegistrySource& registry, const char* name)
        : registry_(registry), key_(std::string(kRoot) + name) {
        open_ = registry_.keyExists(key_);
    }
    bool open() const { return open_; }

    uint32_t hexString(const std::string& value) const {
        std::string text = string(value);
        uint32_t v = 0;
        if (!ParseJwHexString(text, v)) fail(value, text.empty() ? "is missing or empty; a hexadecimal number was expected"
                                                                  : "is not a hexadecimal number: \"" + text + "\"");
        return v;
    }
    int32_t decimalString(const std::string& value) const {
        std::string text = string(value);
        int32_t v = 0;
        if (!ParseJwDecimalString(text, v)) fail(value, text.empty() ? "is missing or empty; a whole number was expected"
                                                                     : "is not a whole number: \"" + text + "\"");
        return v;
    }
    double floatString(const std::string& value, double fallback) const {
        return ParseJwFloatString(string(value), fallback);
    }
    uint32_t dword(const std::string& value) const {
        uint32_t v = 0;
        if (registry_.readDword(key_, value, v)) return v;
        std::string text;
        if (registry_.readString(key_, value, text)) fail(value, "is stored as text, not as a DWORD");
        fail(value, "is missing; a DWORD was expected");
        return 0;
    }

private:
    // A missing value reads as empty text; one of another type stops the import.
    std::string string(const std::string& value) const {
        std::string text;
        if (registry_.readString(key_, value, text)) return text;
        uint32_t d = 0;
        if (registry_.readDword(key_, value, d)) fail(value, "is stored as a DWORD, not as text");
        return {};
    }
    [[noreturn]] void fail(const std::string& value, const std::string& what) const {
        throw ImportStopped{"Jw_cad setting " + key_ + " \"" + value + "\" " + what};
    }

    const RegistrySource& registry_;
    std::string key_;
    bool open_ = false;
};

void readMesh(const KeyReader& k, DrawingHeader& h) {
    h.GridMinimum = k.floatString("Minimum", 15.0);
    h.GridIntervalX = k.floatString("IntrvlX", 5.0);
    h.GridIntervalY = k.floatString("IntrvlY", 5.0);
}

void readHikage(const KeyReader& k, DrawingHeader& h) {
    h.ShadowHours = k.dword("9-15Ji");
    h.WallShadowLevel = static_cast<double>(k.dword("MSize"));
    h.ShadowLatitude = k.floatString("Ido", 36.0);
    h.ShadowLevel = k.floatString("Level", 0.0);
    // Jw_cad's pairing: the value named for the sky map's radius fills its level.
    h.SkyMapLevel = k.floatString("TENKOR", 50.0);
    h.SkyMapRadius = k.floatString("TLevel", 0.0);
}

void readFukusen(const KeyReader& k, DrawingHeader& h) {
    h.ParallelEndExtension = k.floatString("TomeDe", 0.0);
    for (int n = 0; n <= 9; ++n) h.ParallelDistance[n] = k.floatString(bare("Value0", n), 0.0);
}

void readPen(const KeyReader& k, DrawingHeader& h) {
    for (int n = 0; n <= 9; ++n) {
        h.PenColor[n] = k.hexString(nn("Color", n));
        if (n >= 1) h.PenWidth[n] = static_cast<uint32_t>(k.decimalString(nn("Width", n)));
    }
}

// Printer pens and point sizes, colours 1 to 8 only: Jw_cad opens both keys once per colour.
void readPrinterPens(const RegistrySource& registry, DrawingHeader& h) {
    for (int n = 1; n <= 8; ++n) {
        KeyReader pen(registry, "Pen");
        if (pen.open()) {
            h.PrtPenColor[n] = pen.hexString(nn("PrCol", n));
            h.PrtPenWidth[n] = static_cast<uint32_t>(pen.decimalString(nn("PrWid", n)));
        }
        KeyReader point(registry, "Point");
        if (point.open()) h.PointRadius[n] = point.floatString(bare("Point", n), 0.1);
    }
}

void readDashedType(const KeyReader& k, DrawingHeader& h, int n) {
    h.LineTypePattern[n] = k.hexString(nn("Type_", n));
    h.LineTypeUnit[n] = k.dword(nn("Unit_", n));
    h.LineTypePitch[n] = k.dword(nn("Pitch", n));
    h.PrtLineTypePitch[n] = k.dword(nn("PrPit", n));
}

void readLine(const KeyReader& k, DrawingHeader& h) {
    for (int n = 2; n <= 9; ++n) readDashedType(k, h, n);
    for (int n = 11; n <= 15; ++n) {
        h.LineTypePattern[n] = k.hexString(nn("Type_", n));
        h.RandomLineWidth[n] = k.dword(nn("RandW", n));
        h.LineTypePitch[n] = k.dword(nn("Pitch", n));
        // For the random lines Jw_cad keeps the printer amplitude under "PrPit" and the
        // printer pitch under "PrRnd".
        h.PrtRandomLineWidth[n] = k.dword(nn("PrPit", n));
        h.PrtLineTypePitch[n] = k.dword(nn("PrRnd", n));
    }
    for (int n = 16; n <= 19; ++n) readDashedType(k, h, n);
}

void readMoji(const KeyReader& k, DrawingHeader& h, JwCadTextOptions& text) {
    for (int n = 1; n <= 10; ++n) {
        h.TextWidth[n] = k.floatString(nn("SizeX", n), n);
        h.TextHeight[n] = k.floatString(nn("SizeY", n), n);
        h.TextSpacing[n] = k.floatString(nn("SizeD", n), n / 10.0);
        h.TextColor[n] = k.dword(nn("Color", n));
    }
    for (int i = 1; i <= 3; ++i) {
        h.TextShiftX[i - 1] = k.floatString(bare("OfstX", i), i - 2);
        h.TextShiftY[i - 1] = k.floatString(bare("OfstY", i), i - 2);
    }
    // Each of these three stands alone: a value that cannot be read becomes 0.
    try {
        text.drawOutLine = static_cast<int>(k.dword("DrawOutLine"));
    } catch (const ImportStopped&) {
        text.drawOutLine = 0;
    }
    try {
        text.lastDraw = static_cast<int>(k.dword("LastDraw"));
    } catch (const ImportStopped&) {
        text.lastDraw = 0;
    }
    try {
        text.outLineExpansion = k.floatString("OutLineExpansion", 1.0);
    } catch (const ImportStopped&) {
        text.outLineExpansion = 0.0;
    }
}

void readPrinter(const KeyReader& k, DrawingHeader& h) {
    h.DisplayOption[5] = k.dword("Color");
    h.DisplayOption[6] = k.dword("LayerJUN");
    h.DisplayOption[7] = k.dword("ColorJUN");
}

}  // namespace

bool ParseJwHexString(const std::string& text, uint32_t& value) { return parseHexDigits(text, 0, value); }

bool ParseJwDecimalString(const std::string& text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint32_t magnitude = 0;
    if (i < text.size() && text[i] == '$') {
        if (!parseHexDigits(text, i + 1, magnitude)) return false;
        value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
        return true;
    }
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        if (!parseHexDigits(text, i + 2, magnitude)) return false;
        value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
        return true;
    }
    if (i >= text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    value = static_cast<int32_t>(v);
    return true;
}

double ParseJwFloatString(const std::string& text, double fallback) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return fallback;
    size_t e = text.find_last_not_of(" \t");
    std::string t = text.substr(b, e - b + 1);
    // Plain decimal notation only: no "inf", "nan" or hexadecimal floats.
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return fallback;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++exp;
        if (exp == 0) return fallback;
    }
    if (i != t.size()) return fallback;
    std::istringstream in(t);
    in.imbue(std::locale::classic());
    double v = fallback;
    in >> v;
    return in.fail() ? fallback : v;
}

JwCadImportResult ImportJwCadSettings(const RegistrySource& registry, DrawingHeader& h,
                                      JwCadTextOptions& text) {
    JwCadImportResult result;
    try {
        if (KeyReader k(registry, "Mesh"); k.open()) {
            result.found = true;
            readMesh(k, h);
        }
        if (KeyReader k(registry, "Hikage"); k.open()) readHikage(k, h);
        if (KeyReader k(registry, "FUKUSEN"); k.open()) readFukusen(k, h);
        if (KeyReader k(registry, "Pen"); k.open()) readPen(k, h);
        readPrinterPens(registry, h);
        if (KeyReader k(registry, "Line"); k.open()) readLine(k, h);
        if (KeyReader k(registry, "MOJI"); k.open()) readMoji(k, h, text);
        if (KeyReader k(registry, "Printer"); k.open()) readPrinter(k, h);
    } catch (const ImportStopped& stop) {
        result.ok = false;
        result.error = stop.message;
    }
    return result;
}

}  // namespace korvel
