// A Windows-style INI file in memory, read and written whole.
#include "platform/ini_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "drawing/file_bytes.h"
#include "drawing/output_file.h"

namespace korvel {

namespace {

// Far beyond any real settings file; a larger one is not read into memory.
constexpr uint64_t kLargestSettingsFile = 64ull << 20;

std::string_view trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 0x80) x = static_cast<unsigned char>(std::tolower(x));
        if (y < 0x80) y = static_cast<unsigned char>(std::tolower(y));
        if (x != y) return false;
    }
    return true;
}

// Windows hands back a value without the quotes that enclose it.
std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// A value that reading would change (surrounding blanks or quotes, which a read takes off) is
// written inside one more pair of quotes, so that every save reads back as it was.
std::string writtenValue(const std::string& value) {
    return unquote(trim(value)) == value ? value : "\"" + value + "\"";
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseIniInteger(std::string_view text, int& value) {
    std::string_view t = trim(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        // Hexadecimal is taken as the 32-bit pattern it spells, so 0xFFFFFFFF reads as -1.
        std::string_view digits = t.substr(2);
        if (digits.size() > 8) {
            size_t nz = digits.find_first_not_of('0');
            if (nz == std::string_view::npos) nz = digits.size() - 1;
            if (digits.size() - nz > 8) return false;
            digits = digits.substr(nz);
        }
        uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0) return false;
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        value = static_cast<int>(v);
        return true;
    }
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

IniFile::ReadResult IniFile::read(const std::string& path, IniFile& file) {
    ReadResult result;
    file.sections_.clear();
    std::string text;
    FileReadError failure;
    if (!ReadRegularFile(path, kLargestSettingsFile, [&text](size_t n) {
            text.resize(n);
            return reinterpret_cast<uint8_t*>(text.data());
        }, failure)) {
        if (failure.kind == FileReadError::CannotOpen && failure.code == ENOENT) return result;
        result.exists = true;
        result.complete = false;
        if (failure.kind == FileReadError::NotRegularFile)
            result.error = path + ": is " + failure.fileKind + ", not a settings file";
        else if (failure.kind == FileReadError::CannotOpen)
            result.error = path + ": cannot be opened (" + failure.what + ")";
        else
            result.error = path + ": " + failure.what;
        return result;
    }
    result.exists = true;
    // NUL bytes mean a damaged or foreign file (a crash can leave zero-filled blocks); its
    // values are still read, but writing it over would lose what could not be understood.
    if (size_t nul = text.find('\0'); nul != std::string::npos) {
        result.complete = false;
        result.error = path + ": holds a NUL byte at offset " + std::to_string(nul) +
                       "; not a settings text file";
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    }
    file.parse(text);
    return result;
}

void IniFile::parse(std::string_view text) {
    sections_.clear();
    sections_.push_back({});
    // Every byte-order mark goes: text() writes none, and one kept in a line would go at the next read.
    while (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        // Every carriage return before the line end goes: text() ends lines with "\n" alone, and a
        // line kept with a return of its own would lose it on the next read.
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view t = trim(line);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            if (close != std::string_view::npos) {
                sections_.push_back({std::string(trim(t.substr(1, close - 1))), {}});
                continue;
            }
        }
        size_t eq = line.find('=');
        if (!t.empty() && t.front() != ';' && eq != std::string_view::npos &&
            !trim(line.substr(0, eq)).empty()) {
            sections_.back().lines.push_back(
                {std::string(line.substr(0, eq)), std::string(unquote(trim(line.substr(eq + 1)))), {}});
        } else {
            sections_.back().lines.push_back({{}, {}, std::string(line)});
        }
    }
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    for (size_t i = 1; i < sections_.size(); ++i)
        if (sameName(sections_[i].name, name)) return &sections_[i];
    return nullptr;
}

IniFile::Section& IniFile::sectionFor(std::string_view name) {
    if (sections_.empty()) sections_.push_back({});
    for (size_t i = 1; i < sections_.size(); ++i)
        if (sameName(sections_[i].name, name)) return sections_[i];
    sections_.push_back({std::string(name), {}});
    return sections_.back();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return std::nullopt;
    for (const Line& l : s->lines)
        if (!l.key.empty() && sameName(l.key, key)) return l.value;
    return std::nullopt;
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    std::optional<std::string> v = value(section, key);
    int parsed = 0;
    if (v && ParseIniInteger(*v, parsed)) return parsed;
    return defaultValue;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                const std::string& defaultValue) const {
    std::optional<std::string> v = value(section, key);
    return v ? *v : defaultValue;
}

void IniFile::set(std::string_view section, std::string_view key, const std::string& value) {
    Section& s = sectionFor(section);
    for (Line& l : s.lines) {
        if (!l.key.empty() && sameName(l.key, key)) {
            l.key = std::string(key);
            l.value = value;
            return;
        }
    }
    // New keys go after the section's last key, ahead of trailing blank lines.
    size_t at = s.lines.size();
    while (at > 0 && s.lines[at - 1].key.empty() && trim(s.lines[at - 1].raw).empty()) --at;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), {std::string(key), value, {}});
}

void IniFile::setInteger(std::string_view section, std::string_view key, long long value) {
    set(section, key, std::to_string(value));
}

std::string IniFile::text() const {
    std::string out;
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0) out += "[" + sections_[i].name + "]\n";
        for (const Line& l : sections_[i].lines)
            out += l.key.empty() ? l.raw + "\n" : l.key + "=" + writtenValue(l.value) + "\n";
    }
    return out;
}

bool IniFile::write(const std::string& path, std::string& error) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    if (ec) {
        error = path + ": cannot create its folder (" + ec.message() + ")";
        return false;
    }
    const std::string content = text();
    OutputFile out;
    return out.open(path, error) && out.write(content.data(), content.size(), error) && out.finish(true, error) &&
           out.commit(error);
}

}  // namespace korvel
