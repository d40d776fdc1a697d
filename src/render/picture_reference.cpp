#include "render/picture_reference.h"

#include "drawing/cp932.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <vector>

namespace korvel {

namespace {

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

// U+FF01..U+FF5E (three UTF-8 bytes EF BC 81..EF BD 9E) to ASCII, U+3000 to a space.
std::string halfWidthUtf8(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
        if (i + 2 < s.size() && b(0) == 0xEF && (b(1) == 0xBC || b(1) == 0xBD)) {
            const unsigned cp = 0xFF00u + ((b(1) & 0x03u) << 6) + (b(2) & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                out += static_cast<char>(cp - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        }
        if (i + 2 < s.size() && b(0) == 0xE3 && b(1) == 0x80 && b(2) == 0x80) {
            out += ' ';
            i += 2;
            continue;
        }
        out += s[i];
    }
    return out;
}

bool parseNumber(const std::string& cp932, double& value) {
    std::string text = halfWidthUtf8(Cp932ToUtf8(cp932));
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    if (text[first] == '+') ++first;
    if (first > last) return false;
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

PictureLocation locateEmbedded(const Drawing& drawing, std::string name) {
    PictureLocation where;
    while (!name.empty() && (name[0] == '\\' || name[0] == '/')) name.erase(0, 1);
    const EmbeddedPicture* found = nullptr;
    for (const EmbeddedPicture& p : drawing.embeddedPictures) {
        if (equalsIgnoringAsciiCase(p.name, name) || equalsIgnoringAsciiCase(p.name, name + ".gz")) {
            found = &p;
            if (p.name == name || p.name == name + ".gz") break;  // an exact match wins
        }
    }
    where.displayName = Cp932ToUtf8("%temp%" + name);
    if (found) {
        where.kind = PictureLocation::Kind::Embedded;
        where.embedded = found;
    }
    return where;
}

}  // namespace

bool IsImageReference(const std::string& text) { return text.rfind(kImageReferencePrefix, 0) == 0; }

ImageReference ParseImageReference(const std::string& text) {
    ImageReference ref;
    const std::vector<std::string> fields = splitFields(text);
    ref.path = fields[0].size() >= 4 ? fields[0].substr(4) : std::string();
    if (fields.size() < 2) return ref;
    double w = 0.0, h = 0.0;
    if (!parseNumber(fields[1], w)) {
        ref.sizeInvalid = true;
        return ref;
    }
    if (fields.size() >= 3) {
        if (!parseNumber(fields[2], h)) {
            ref.sizeInvalid = true;
            return ref;
        }
    } else {
        h = w;
    }
    ref.hasSize = true;
    ref.width = w;
    ref.height = h;
    return ref;
}

PictureLocation LocatePicture(const Drawing& drawing, const std::string& cp932Path) {
    static const char kTemp[] = "%temp%";
    if (cp932Path.size() >= 6 && equalsIgnoringAsciiCase(cp932Path.substr(0, 6), kTemp))
        return locateEmbedded(drawing, cp932Path.substr(6));

    PictureLocation where;
    std::string path = Cp932ToUtf8(cp932Path);
    where.displayName = path;
    // After conversion a "\" is always a separator (in CP932 it may be a trail byte).
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty()) return where;
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive) {
        if (path[0] != 'Z' && path[0] != 'z') return where;  // no such drive here
        path = path.substr(2);
        if (path.empty() || path[0] != '/') return where;
    }
    if (path[0] == '/') {
        if (exists(path)) {
            where.kind = PictureLocation::Kind::File;
            where.filePath = path;
        }
        return where;
    }
    if (drawing.DrawingFolder.empty()) return where;
    std::string inFolder = drawing.DrawingFolder;
    if (inFolder.back() != '/') inFolder += '/';
    inFolder += path;
    if (exists(inFolder)) {
        where.kind = PictureLocation::Kind::File;
        where.filePath = inFolder;
    }
    return where;
}

}  // namespace korvel
