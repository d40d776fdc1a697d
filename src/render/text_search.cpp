// Text search: the search form of texts and the walk that matches them.
#include "render/text_search.h"

#include <algorithm>
#include <cmath>

#include "drawing/cp932.h"
#include "render/picture_reference.h"
#include "render/placed_records.h"

namespace korvel {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
// Texts looked at, blocks included; beyond this a search says it did not look everywhere.
constexpr size_t kSearchBudget = 20000000;

// Half-width katakana U+FF61..U+FF9F and the full-width characters they stand for.
constexpr char16_t kHalfKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3,
    0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF,
    0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF,
    0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF,
    0x30F3, 0x309B, 0x309C};
constexpr char32_t kVoicedMark = 0xFF9E, kSemiVoicedMark = 0xFF9F;

// カ..ト and ハ..ホ take the voiced mark as the next code point; ウ becomes ヴ.
char32_t voiced(char32_t kana) {
    if (kana == 0x30A6) return 0x30F4;
    if ((kana >= 0x30AB && kana <= 0x30C2 && (kana - 0x30AB) % 2 == 0) ||
        (kana >= 0x30C4 && kana <= 0x30C8 && (kana - 0x30C4) % 2 == 0) ||
        (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0))
        return kana + 1;
    return 0;
}
// ハ..ホ take the semi-voiced mark as the code point after next.
char32_t semiVoiced(char32_t kana) {
    return kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0 ? kana + 2 : 0;
}

char32_t foldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return c + 0x20;  // Greek
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;                  // Cyrillic
    if (c == 0x0401) return 0x0451;                                     // Ё
    return c;
}

Point2 add(Point2 a, Point2 b, double k) { return {a.x + b.x * k, a.y + b.y * k}; }

}  // namespace

std::u32string FoldForSearch(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xFF01 && c <= 0xFF5E) {
            c -= 0xFEE0;
        } else if (c == 0x3000) {
            c = ' ';
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            c = kHalfKana[c - 0xFF61];
            const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
            const char32_t joined = next == kVoicedMark ? voiced(c) : next == kSemiVoicedMark ? semiVoiced(c) : 0;
            if (joined) {
                c = joined;
                ++i;
            }
        }
        out.push_back(foldCase(c));
    }
    return out;
}

std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        char32_t c = b;
        if ((b & 0xE0) == 0xC0) extra = 1, c = b & 0x1F;
        else if ((b & 0xF0) == 0xE0) extra = 2, c = b & 0x0F;
        else if ((b & 0xF8) == 0xF0) extra = 3, c = b & 0x07;
        bool ok = b < 0x80 || extra > 0;
        ok = ok && i + extra < s.size();
        for (size_t k = 1; ok && k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += 1 + extra;
    }
    return out;
}

namespace {

class TextFinder : public PlacedRecordVisitor {
public:
    TextFinder(const Drawing& d, const LayerChoice& layers, std::u32string query, size_t limit)
        : d_(d), layers_(layers), query_(std::move(query)), limit_(limit) {}

    void record(const RecordSet& set, const RecordRef& ref, const Placement& place) override {
        if (ref.cls == RecordClass::Moji) consider(set.texts[ref.index], false, place);
        else if (ref.cls == RecordClass::Sunpou) consider(set.dimensions[ref.index].text, true, place);
    }

    // Members of an insert on a hidden layer are not drawn; they are found, and say so.
    bool enter(const TDataBlock& insert, Placement& members) override {
        if (layers_.showOf(d_, insert.layerGroup, insert.layer) == LayerShow::Hidden) members.insideHidden = true;
        return true;
    }

    TextSearchResult result;

private:
    void consider(const TDataMoji& t, bool dimension, const Placement& place) {
        if (result.truncated || t.text.empty() || IsJwcadSettingsText(t) || IsImageReference(t.text)) return;
        if (FoldForSearch(Cp932ToUtf32(t.text)).find(query_) == std::u32string::npos) return;
        if (result.hits.size() >= limit_) {
            result.truncated = true;
            return;
        }
        TextHit hit;
        hit.text = t.text;
        hit.dimension = dimension;
        hit.inBlock = place.block != nullptr;
        hit.at = place.apply(t.start);
        hit.layerGroup = t.layerGroup;
        hit.layer = t.layer;
        hit.show = place.insideHidden ? LayerShow::Hidden : layers_.showOf(d_, t.layerGroup, t.layer);
        hit.order = place.ownerIndex;
        boxOf(t, place, hit);
        result.hits.push_back(std::move(hit));
    }

    // The baseline from start to end (or along the text's angle when they meet), raised by the
    // character height.
    static void boxOf(const TDataMoji& t, const Placement& place, TextHit& hit) {
        Point2 along{t.end.x - t.start.x, t.end.y - t.start.y};
        double length = std::hypot(along.x, along.y);
        if (!(length > 1e-9)) {
            along = {std::cos(t.angle * kDegree), std::sin(t.angle * kDegree)};
            length = 1.0;
        }
        const Point2 up{-along.y / length, along.x / length};
        const double h = std::isfinite(t.sizeY) ? std::fabs(t.sizeY) : 0.0;
        const Point2 corners[4] = {t.start, t.end, add(t.end, up, h), add(t.start, up, h)};
        hit.minX = hit.minY = HUGE_VAL;
        hit.maxX = hit.maxY = -HUGE_VAL;
        for (const Point2& c : corners) {
            const Point2 p = place.apply(c);
            hit.minX = std::min(hit.minX, p.x);
            hit.minY = std::min(hit.minY, p.y);
            hit.maxX = std::max(hit.maxX, p.x);
            hit.maxY = std::max(hit.maxY, p.y);
        }
    }

    const Drawing& d_;
    const LayerChoice& layers_;
    std::u32string query_;
    size_t limit_;
};

}  // namespace

TextSearchResult FindTexts(const Drawing& drawing, const LayerChoice& layers, std::string_view query, size_t limit) {
    const std::u32string folded = FoldForSearch(DecodeUtf8(query));
    if (folded.empty()) return {};
    TextFinder finder(drawing, layers, folded, limit);
    const PlacedWalkResult walk = WalkPlacedRecords(drawing, finder, kSearchBudget);
    finder.result.complete = walk.complete;
    return std::move(finder.result);
}

}  // namespace korvel
