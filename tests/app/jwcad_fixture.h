// Jw_cad's registry keys as tests build them, written the way Wine keeps them in user.reg or the
// way Windows exports them (.reg version 5, UTF-16).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvel::test {

struct FixtureValue {
    std::string name;
    bool isDword = false;
    std::string text;
    uint32_t number = 0;
};

struct FixtureKey {
    std::string name;  // below Software\Jw_cad\jw_win
    std::vector<FixtureValue> values;
};

class JwCadRegistryFixture {
public:
    std::vector<FixtureKey> keys;

    // Every key and value Jw_cad keeps, with values unlike the built-in pens.
    static JwCadRegistryFixture typical() {
        JwCadRegistryFixture f;
        f.setString("Mesh", "Minimum", "12.5");
        f.setString("Mesh", "IntrvlX", "2.5");
        f.setString("Mesh", "IntrvlY", "4");
        f.setDword("Hikage", "9-15Ji", 1);
        f.setDword("Hikage", "MSize", 3);
        f.setString("Hikage", "Ido", "35.5");
        f.setString("Hikage", "Level", "1.5");
        f.setString("Hikage", "TENKOR", "60");
        f.setString("Hikage", "TLevel", "2");
        f.setString("FUKUSEN", "TomeDe", "0.5");
        for (int n = 0; n <= 9; ++n) f.setString("FUKUSEN", "Value0" + std::to_string(n), std::to_string(n * 10));
        // Jw_cad's usual screen pens, on a black background.
        const char* colors[10] = {"000000", "ffffff", "00ffff", "00ff00", "ffff00",
                                  "ff00ff", "ff0000", "0080ff", "c0c0c0", "808080"};
        for (int n = 0; n <= 9; ++n) {
            f.setString("Pen", nn("Color", n), colors[n]);
            if (n >= 1) f.setString("Pen", nn("Width", n), std::to_string(n));
            if (n >= 1) f.setString("Pen", nn("PrCol", n), "0");
            if (n >= 1) f.setString("Pen", nn("PrWid", n), std::to_string(n + 10));
            if (n >= 1) f.setString("Point", "Point" + std::to_string(n), "0.2");
        }
        for (int n = 2; n <= 19; ++n) {
            if (n == 10) continue;
            char pattern[16];
            std::snprintf(pattern, sizeof pattern, "%x", n >= 11 && n <= 15 ? 0xFFFFFFFFu : 0xFF00FF00u + n);
            f.setString("Line", nn("Type_", n), pattern);
            f.setDword("Line", nn("Pitch", n), 4 + n);
            f.setDword("Line", nn("PrPit", n), 100 + n);
            if (n >= 11 && n <= 15) {
                f.setDword("Line", nn("RandW", n), 20 + n);
                f.setDword("Line", nn("PrRnd", n), 200 + n);
            } else {
                f.setDword("Line", nn("Unit_", n), 1);
            }
        }
        for (int n = 1; n <= 10; ++n) {
            f.setString("MOJI", nn("SizeX", n), std::to_string(n + 1));
            f.setString("MOJI", nn("SizeY", n), std::to_string(n + 2));
            f.setString("MOJI", nn("SizeD", n), "0.5");
            f.setDword("MOJI", nn("Color", n), static_cast<uint32_t>(n % 9 + 1));
        }
        for (int k = 1; k <= 3; ++k) {
            f.setString("MOJI", "OfstX" + std::to_string(k), std::to_string(k));
            f.setString("MOJI", "OfstY" + std::to_string(k), std::to_string(-k));
        }
        f.setDword("MOJI", "DrawOutLine", 2);
        f.setDword("MOJI", "LastDraw", 1);
        f.setString("MOJI", "OutLineExpansion", "0.75");
        f.setDword("Printer", "Color", 1);
        f.setDword("Printer", "LayerJUN", 0);
        f.setDword("Printer", "ColorJUN", 1);
        f.setString("Folder", "File", "C:\\jww\\");
        f.setString("Folder", "ZFILE", "C:\\jww\\jw_win.exe");
        return f;
    }

    static std::string nn(const std::string& family, int n) {
        return family + (n < 10 ? "0" : "") + std::to_string(n);
    }

    void setString(const std::string& key, const std::string& name, const std::string& text) {
        set(key, {name, false, text, 0});
    }
    void setDword(const std::string& key, const std::string& name, uint32_t v) { set(key, {name, true, {}, v}); }
    void remove(const std::string& key, const std::string& name) {
        for (FixtureKey& k : keys)
            if (k.name == key)
                for (size_t i = 0; i < k.values.size(); ++i)
                    if (k.values[i].name == name) k.values.erase(k.values.begin() + static_cast<long>(i--));
    }
    void removeKey(const std::string& key) {
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i].name == key) keys.erase(keys.begin() + static_cast<long>(i--));
    }

    // As Wine writes user.reg: key paths relative to the user, backslashes doubled, a time stamp
    // after each key, strings with C escapes and non-ASCII characters as \x escapes.
    std::string wineUserReg() const {
        std::string out =
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1-2-3-1000\n\n#arch=win32\n";
        for (const FixtureKey& k : keys) {
            out += "\n[Software\\\\Jw_cad\\\\jw_win\\\\" + k.name + "] 1733650000\n#time=1db4a1c2f3e4d50\n";
            for (const FixtureValue& v : k.values) out += "\"" + v.name + "\"=" + data(v) + "\n";
        }
        return out;
    }

    // As Windows' registry editor exports the key: UTF-16LE with a byte-order mark, CR LF line
    // ends, full key paths.
    std::vector<uint8_t> regedit5() const {
        std::string out = "Windows Registry Editor Version 5.00\r\n";
        for (const FixtureKey& k : keys) {
            out += "\r\n[HKEY_CURRENT_USER\\Software\\Jw_cad\\jw_win\\" + k.name + "]\r\n";
            for (const FixtureValue& v : k.values) out += "\"" + v.name + "\"=" + data(v) + "\r\n";
        }
        std::vector<uint8_t> bytes{0xFF, 0xFE};
        for (unsigned char c : out) {  // the fixture's text is ASCII
            bytes.push_back(c);
            bytes.push_back(0);
        }
        return bytes;
    }

private:
    void set(const std::string& key, FixtureValue value) {
        for (FixtureKey& k : keys) {
            if (k.name != key) continue;
            for (FixtureValue& v : k.values)
                if (v.name == value.name) {
                    v = value;
                    return;
                }
            k.values.push_back(value);
            return;
        }
        keys.push_back({key, {value}});
    }

    static std::string data(const FixtureValue& v) {
        if (v.isDword) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.number);
            return buf;
        }
        std::string s = "\"";
        for (char c : v.text) {
            if (c == '\\' || c == '"') s += '\\';
            s += c;
        }
        return s + "\"";
    }
};

}  // namespace korvel::test
