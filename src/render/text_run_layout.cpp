#include "render/text_run_layout.h"

#include <cmath>

namespace korvel {

namespace {

constexpr double kDegree = M_PI / 180.0;
constexpr uint16_t kMiddleDot = 0x8145;      // "・"
constexpr uint16_t kHalfMiddleDot = 0xA5;    // "･"

size_t byteCount(const std::vector<Cp932Char>& chars) {
    size_t n = 0;
    for (const auto& c : chars) n += c.bytes();
    return n;
}

bool isDigit1to9(const Cp932Char& c) { return !c.doubleByte && c.code >= '1' && c.code <= '9'; }

// Trailing "・" (one cell each) and "･" (half a cell) ask for the text to be spread by that
// many cells; only the last mark may be a half one.
double takeSpreadMarks(std::vector<Cp932Char>& chars) {
    double k = 0.0;
    bool first = true;
    while (!chars.empty()) {
        const Cp932Char last = chars.back();
        if (last.doubleByte && last.code == kMiddleDot) {
            k += 1.0;
        } else if (first && !last.doubleByte && last.code == kHalfMiddleDot) {
            k += 0.5;
        } else {
            break;
        }
        chars.pop_back();
        first = false;
    }
    return k;
}

// A trailing "^n" squeezes the text by n cells, when it is long enough to give them up.
bool takeSqueezeCode(std::vector<Cp932Char>& chars, double& k) {
    if (chars.size() < 2 || !chars[chars.size() - 2].is('^')) return false;
    const Cp932Char last = chars.back();
    chars.resize(chars.size() - 2);
    k = 0.0;
    if (isDigit1to9(last)) {
        const int n = last.code - '0';
        if (byteCount(chars) >= static_cast<size_t>(n) + 2) k = -n;
    }
    return true;
}

void spreadOrSqueeze(TextRunLayout& l, double k) {
    size_t visible = l.chars.size();
    size_t units = byteCount(l.chars);
    if (!l.chars.empty() && !l.chars.back().is('^')) {
        const CodeCount codes = CountCodes(l.chars);
        visible -= std::min(visible, codes.codeChars);
        units -= std::min(units, codes.codeChars + codes.halfWidthScripts);
    }
    if (k > 0.0 && visible >= 2) {
        const double gaps = static_cast<double>(visible - 1);
        l.G = ((gaps + k) * l.G + l.W * k) / gaps;
    } else if (k < 0.0) {
        // A text made mostly of codes could be squeezed to nothing or below; it keeps its size.
        const double u = static_cast<double>(units);
        if (u > 0.0 && u + k > 0.0) {
            const double f = (u + k) / u;
            l.W *= f;
            l.W2 *= f;
            l.G *= f;
        }
    }
}

}  // namespace

double NormalizeDegrees(double degrees) {
    if (!std::isfinite(degrees)) return 0.0;
    double a = std::fmod(degrees, 360.0);
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a -= 360.0;
    return a;
}

CodeCount CountCodes(const std::vector<Cp932Char>& chars) {
    CodeCount count;
    const size_t n = chars.size();
    bool enabled = true;
    size_t i = 0;
    while (i < n) {
        if (!chars[i].is('^') || i + 1 >= n || chars[i + 1].doubleByte) {
            ++i;
            continue;
        }
        size_t counted = 0, skipped = 0;
        switch (chars[i + 1].code) {
            case '!': case '#': case '&': case '-': case '/': case '_': case '\\':
                if (enabled) counted = 2;
                break;
            case '$':
                if (enabled && i + 2 < n && isDigit1to9(chars[i + 2])) counted = 3;
                break;
            case '%': case '^':
                counted = 2;
                enabled = true;
                break;
            case '*':
                counted = 2;
                enabled = false;
                break;
            case 'b': case 'B': case 'n': case 'o': case 'O':
                if (enabled && i > 0 && i + 2 < n) counted = 3;
                break;
            case 'u': case 'c': case 'd':
                if (enabled && i + 2 < n) {
                    counted = 2;
                    skipped = 1;  // the scripted character is seen, but not read as a code
                    if (chars[i + 2].doubleByte) ++count.halfWidthScripts;
                }
                break;
            case 'w':
                if (enabled && i > 0 && i + 3 < n && !chars[i + 2].doubleByte) {
                    counted = chars[i + 3].doubleByte ? 3 : 4;
                }
                break;
            default:
                break;
        }
        if (counted == 0) {
            ++i;
            continue;
        }
        count.codeChars += counted;
        i += counted + skipped;
    }
    return count;
}

TextRunLayout LayOutTextRun(const TextRun& run, const std::string& expandedText) {
    TextRunLayout l;
    l.chars = SplitCp932(expandedText);
    l.vertical = run.flags != 0 && (run.flags & 0x20) != 0;
    l.writing = NormalizeDegrees(run.angle);
    l.baseline = l.vertical ? NormalizeDegrees(l.writing + 90.0) : l.writing;

    l.W = run.sizeX * run.s;
    l.W2 = l.W / 2.0;
    l.H = run.sizeY * run.s;
    l.G = run.spacing * run.s;

    // The record's start is the bottom-left of a horizontal text; the first cell's origin is its
    // top-left. Jw_cad takes the sideways part of that step from the cell width.
    if (l.vertical) {
        l.firstX = run.x;
        l.firstY = run.y;
    } else {
        l.firstX = run.x - l.W * std::sin(l.writing * kDegree);
        l.firstY = run.y - l.H * std::cos(l.writing * kDegree);
    }

    double k = takeSpreadMarks(l.chars);
    takeSqueezeCode(l.chars, k);
    spreadOrSqueeze(l, k);
    return l;
}

}  // namespace korvel
