// Reader of Wine's registry files and of Windows .reg exports.
#include "platform/registry_source.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "drawing/file_bytes.h"
#include "drawing/text_conversion.h"

namespace korvel {

namespace {

// A user.reg of many years is a few megabytes; nothing near this is a registry.
constexpr uint64_t kLargestRegistryFile = 256ull << 20;

enum class Dialect { Wine, Regedit4, Regedit5 };

std::string_view trimLeft(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

std::string_view trimRight(std::string_view s) {
    size_t e = s.find_last_not_of(" \t\r");
    return e == std::string_view::npos ? std::string_view() : s.substr(0, e + 1);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && AsciiLowerCase(s.substr(0, prefix.size())) == AsciiLowerCase(prefix);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string stripRoot(std::string key, bool& foreignHive) {
    foreignHive = false;
    for (std::string_view root : {"HKEY_CURRENT_USER", "HKCU"}) {
        if (startsWithNoCase(key, root) && (key.size() == root.size() || key[root.size()] == '\\'))
            return key.size() == root.size() ? std::string() : key.substr(root.size() + 1);
    }
    if (startsWithNoCase(key, "HKEY_") || startsWithNoCase(key, "HKLM\\") || startsWithNoCase(key, "HKCR\\") ||
        startsWithNoCase(key, "HKU\\"))
        foreignHive = true;
    return key;
}

struct RegistryParse {
    Dialect dialect = Dialect::Wine;
    std::string name;
    size_t lineNumber = 0;
    std::string currentKey;
    bool inKey = false;
    RegistryFile::LoadResult* result = nullptr;

    void warn(const std::string& what) {
        result->warnings.push_back(name + ":" + std::to_string(lineNumber) + ": " + what);
    }

    // A quoted string starting at s[pos] == '"'; pos ends after the closing quote.
    bool quoted(std::string_view s, size_t& pos, std::string& out) {
        ++pos;
        return unescapeUntil(s, pos, '"', dialect == Dialect::Wine, out);
    }

    // Text up to an unescaped `end`; pos ends after it. Wine escapes as C does (\n, \x3042,
    // octal); the exports escape only the backslash and the quote.
    static bool unescapeUntil(std::string_view s, size_t& pos, char end, bool wine, std::string& out) {
        Utf8Builder b;
        while (pos < s.size()) {
            char c = s[pos];
            if (c == end) {
                ++pos;
                out = b.take();
                return true;
            }
            if (c != '\\' || pos + 1 >= s.size()) {
                b.byte(c);
                ++pos;
                continue;
            }
            char e = s[pos + 1];
            if (!wine) {
                if (e == '\\' || e == '"') b.byte(e);
                else b.byte('\\'), b.byte(e);
                pos += 2;
                continue;
            }
            pos += 2;
            switch (e) {
            case 'a': b.unit(7); break;
            case 'b': b.unit(8); break;
            case 'e': b.unit(27); break;
            case 'f': b.unit(12); break;
            case 'n': b.unit(10); break;
            case 'r': b.unit(13); break;
            case 't': b.unit(9); break;
            case 'v': b.unit(11); break;
            case 'x': {
                uint32_t v = 0;
                int digits = 0;
                while (digits < 4 && pos < s.size() && hexDigit(s[pos]) >= 0) v = v * 16 + hexDigit(s[pos++]), ++digits;
                if (digits == 0) b.byte('x');
                else b.unit(static_cast<uint16_t>(v));
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t v = static_cast<uint32_t>(e - '0');
                    for (int k = 0; k < 2 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++k)
                        v = v * 8 + static_cast<uint32_t>(s[pos++] - '0');
                    b.unit(static_cast<uint16_t>(v));
                } else {
                    b.byte(e);
                }
            }
        }
        return false;
    }

    bool hexBytes(std::string_view s, std::vector<uint8_t>& out) {
        size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == ',')) ++i;
            if (i >= s.size()) break;
            if (i + 1 >= s.size() || hexDigit(s[i]) < 0 || hexDigit(s[i + 1]) < 0) return false;
            out.push_back(static_cast<uint8_t>(hexDigit(s[i]) * 16 + hexDigit(s[i + 1])));
            i += 2;
            if (i < s.size() && s[i] != ',' && s[i] != ' ' && s[i] != '\t') return false;
        }
        return true;
    }

    std::string bytesToText(const std::vector<uint8_t>& bytes) {
        std::string text;
        if (dialect == Dialect::Regedit4) text = AnsiToUtf8(std::string(bytes.begin(), bytes.end()));
        else text = Utf16LeToUtf8(bytes.data(), bytes.size());
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }

    // The data after '='; false when it cannot be understood.
    bool data(std::string_view s, RegistryValue& v, bool& remove) {
        s = trimRight(trimLeft(s));
        remove = false;
        if (s == "-") {
            remove = true;
            return true;
        }
        size_t pos = 0;
        if (!s.empty() && s[0] == '"') {
            v.type = kRegSz;
            return quoted(s, pos, v.text) && trimLeft(s.substr(pos)).empty();
        }
        if (startsWithNoCase(s, "str(")) {
            size_t close = s.find("):");
            if (close == std::string_view::npos) return false;
            v.type = static_cast<uint32_t>(std::strtoul(std::string(s.substr(4, close - 4)).c_str(), nullptr, 16));
            pos = close + 2;
            if (pos >= s.size() || s[pos] != '"') return false;
            if (!quoted(s, pos, v.text)) return false;
            if (v.type == kRegMultiSz)
                for (char& c : v.text)
                    if (c == '\0') c = '\n';
            return true;
        }
        if (startsWithNoCase(s, "dword:")) {
            std::string_view digits = trimLeft(s.substr(6));
            if (digits.empty() || digits.size() > 8) return false;
            uint32_t d = 0;
            for (char c : digits) {
                if (hexDigit(c) < 0) return false;
                d = d * 16 + static_cast<uint32_t>(hexDigit(c));
            }
            v.type = kRegDword;
            v.dword = d;
            return true;
        }
        if (startsWithNoCase(s, "hex")) {
            size_t colon = s.find(':');
            if (colon == std::string_view::npos) return false;
            std::string_view tag = s.substr(3, colon - 3);
            v.type = kRegBinary;
            if (!tag.empty()) {
                if (tag.size() < 3 || tag.front() != '(' || tag.back() != ')') return false;
                char* end = nullptr;
                std::string num(tag.substr(1, tag.size() - 2));
                v.type = static_cast<uint32_t>(std::strtoul(num.c_str(), &end, 16));
                if (num.empty() || *end) return false;
            }
            if (!hexBytes(s.substr(colon + 1), v.bytes)) return false;
            if (v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz) {
                v.text = bytesToText(v.bytes);
                if (v.type == kRegMultiSz)
                    for (char& c : v.text)
                        if (c == '\0') c = '\n';
                v.bytes.clear();
            } else if (v.type == kRegDword) {
                if (v.bytes.size() != 4) return false;
                v.dword = v.bytes[0] | (v.bytes[1] << 8) | (v.bytes[2] << 16) | (uint32_t(v.bytes[3]) << 24);
                v.bytes.clear();
            }
            return true;
        }
        return false;
    }

    // "[key] timestamp" in Wine's files (brackets and backslashes escaped), "[key]" in exports.
    bool keyLine(std::string_view s, std::string& key, bool& remove) {
        remove = false;
        size_t i = 1;
        if (i < s.size() && s[i] == '-') remove = true, ++i;
        if (dialect == Dialect::Wine) return unescapeUntil(s, i, ']', true, key);
        size_t close = s.rfind(']');
        if (close == std::string_view::npos || close < i) return false;
        key = std::string(s.substr(i, close - i));
        return true;
    }
};

}  // namespace

RegistryFile::LoadResult RegistryFile::load(const std::string& path, RegistryFile& registry) {
    registry.keys_.clear();
    LoadResult result;
    std::vector<uint8_t> bytes;
    FileReadError failure;
    if (!ReadRegularFile(path, kLargestRegistryFile, [&bytes](size_t n) {
            bytes.resize(n);
            return bytes.data();
        }, failure)) {
        if (failure.kind == FileReadError::CannotOpen && failure.code == ENOENT) return result;
        result.exists = true;
        result.ok = false;
        result.error = path + ": cannot be read (" + failure.what + ")";
        return result;
    }
    LoadResult parsed = registry.parse(bytes, path);
    parsed.exists = true;
    return parsed;
}

RegistryFile::LoadResult RegistryFile::parse(const std::vector<uint8_t>& bytes, const std::string& name) {
    keys_.clear();
    LoadResult result;
    result.exists = true;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) text = Utf16LeToUtf8(bytes.data() + 2, bytes.size() - 2);
    else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) text.assign(bytes.begin() + 3, bytes.end());
    else text.assign(bytes.begin(), bytes.end());

    RegistryParse p;
    p.name = name;
    p.result = &result;

    // The first line that is not blank names the dialect.
    size_t start = 0;
    std::string_view all(text);
    std::string_view header;
    while (start < all.size()) {
        size_t nl = all.find('\n', start);
        std::string_view line = trimRight(trimLeft(all.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start)));
        if (!line.empty()) {
            header = line;
            break;
        }
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    if (startsWithNoCase(header, "WINE REGISTRY Version")) p.dialect = Dialect::Wine;
    else if (header == "REGEDIT4") p.dialect = Dialect::Regedit4;
    else if (startsWithNoCase(header, "Windows Registry Editor Version 5")) p.dialect = Dialect::Regedit5;
    else {
        result.ok = false;
        result.error = name + ": not a registry file (it does not begin with \"WINE REGISTRY\", \"REGEDIT4\" "
                              "or \"Windows Registry Editor Version 5.00\")";
        return result;
    }
    if (p.dialect == Dialect::Regedit4) text = AnsiToUtf8(text);

    std::string_view rest(text);
    size_t lineNo = 0;
    bool headerSeen = false;
    while (!rest.empty()) {
        // One logical line: a trailing backslash continues it on the next line.
        std::string logical;
        size_t firstLine = lineNo + 1;
        for (;;) {
            size_t nl = rest.find('\n');
            std::string_view line = rest.substr(0, nl);
            rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
            ++lineNo;
            line = trimRight(line);
            if (!logical.empty()) line = trimLeft(line);
            if (!line.empty() && line.back() == '\\' && !rest.empty() && logical.size() < (64u << 20)) {
                logical.append(line.substr(0, line.size() - 1));
                continue;
            }
            logical.append(line);
            break;
        }
        p.lineNumber = firstLine;
        std::string_view s = trimLeft(std::string_view(logical));
        if (s.empty() || s[0] == ';' || s[0] == '#') continue;
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        if (s[0] == '[') {
            std::string key;
            bool remove = false;
            if (!p.keyLine(s, key, remove)) {
                p.warn("unreadable key line skipped");
                p.inKey = false;
                continue;
            }
            bool foreign = false;
            key = stripRoot(key, foreign);
            while (!key.empty() && key.back() == '\\') key.pop_back();
            if (foreign) {
                p.inKey = false;
                continue;
            }
            std::string path = AsciiLowerCase(key);
            if (remove) {
                for (auto it = keys_.begin(); it != keys_.end();) {
                    if (it->first == path || it->first.rfind(path + "\\", 0) == 0) it = keys_.erase(it);
                    else ++it;
                }
                p.inKey = false;
                continue;
            }
            // Parent keys exist whenever a child does, as in the registry itself.
            for (size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1))
                keys_[path.substr(0, pos)];
            keys_[path];
            p.currentKey = path;
            p.inKey = true;
            continue;
        }
        if (!p.inKey) continue;
        std::string valueName;
        size_t pos = 0;
        if (s[0] == '@') {
            pos = 1;
        } else if (s[0] == '"') {
            if (!p.quoted(s, pos, valueName)) {
                p.warn("unterminated value name; line skipped");
                continue;
            }
        } else {
            p.warn("not a value line; skipped");
            continue;
        }
        std::string_view after = trimLeft(s.substr(pos));
        if (after.empty() || after[0] != '=') {
            p.warn("value \"" + valueName + "\" has no '='; skipped");
            continue;
        }
        RegistryValue v;
        bool remove = false;
        if (!p.data(after.substr(1), v, remove)) {
            p.warn("value \"" + valueName + "\" could not be read; skipped");
            continue;
        }
        Key& k = keys_[p.currentKey];
        if (remove) k.values.erase(AsciiLowerCase(valueName));
        else k.values[AsciiLowerCase(valueName)] = std::move(v);
    }
    return result;
}

bool RegistryFile::keyExists(const std::string& key) const {
    bool foreign = false;
    std::string path = AsciiLowerCase(stripRoot(key, foreign));
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return !foreign && keys_.count(path) > 0;
}

const RegistryValue* RegistryFile::find(const std::string& key, const std::string& value) const {
    bool foreign = false;
    std::string path = AsciiLowerCase(stripRoot(key, foreign));
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (foreign) return nullptr;
    auto k = keys_.find(path);
    if (k == keys_.end()) return nullptr;
    auto v = k->second.values.find(AsciiLowerCase(value));
    return v == k->second.values.end() ? nullptr : &v->second;
}

bool RegistryFile::readString(const std::string& key, const std::string& value, std::string& out) const {
    const RegistryValue* v = find(key, value);
    if (!v || (v->type != kRegSz && v->type != kRegExpandSz)) return false;
    out = v->text;
    return true;
}

bool RegistryFile::readDword(const std::string& key, const std::string& value, uint32_t& out) const {
    const RegistryValue* v = find(key, value);
    if (!v || v->type != kRegDword) return false;
    out = v->dword;
    return true;
}

bool RegistryFile::hasValue(const std::string& key, const std::string& value) const {
    return find(key, value) != nullptr;
}

}  // namespace korvel
