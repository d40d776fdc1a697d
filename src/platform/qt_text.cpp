// Glyphs are fitted the way Windows fits a font created with a cell height and an average
// character width: the em square fills the cell height, and the font is stretched sideways
// until a half-width character is as wide as the average width (so a full-width one fills the
// whole cell width). The glyph then turns about the cell's top-left by the escapement.
#include "platform/qt_text.h"

#include <QFont>
#include <QImage>
#include <cmath>
#include <QFontMetricsF>
#include <QTransform>
#include <unordered_map>

namespace korvel {

namespace {

QColor colourOf(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Fonts are looked up per drawn character; building a QFont and its metrics each time would
// cost more than drawing the glyph, so each distinct font is built once per thread.
struct FontKey {
    std::string face;
    int height;
    int weight;
    bool italic, underline, strikeOut;
    bool operator==(const FontKey& o) const {
        return height == o.height && weight == o.weight && italic == o.italic &&
               underline == o.underline && strikeOut == o.strikeOut && face == o.face;
    }
};
struct FontKeyHash {
    size_t operator()(const FontKey& k) const {
        size_t h = std::hash<std::string>()(k.face);
        h = h * 31 + static_cast<size_t>(k.height);
        h = h * 31 + static_cast<size_t>(k.weight);
        return h * 8 + (k.italic ? 4 : 0) + (k.underline ? 2 : 0) + (k.strikeOut ? 1 : 0);
    }
};
struct FittedFont {
    QFont font;
    double baseline = 0.0;  // from the cell's top, device units
};

constexpr size_t kMaxCachedFonts = 256;
constexpr int kMaxCell = 1 << 20;

const FittedFont& fittedFont(const FontSpec& font) {
    thread_local std::unordered_map<FontKey, FittedFont, FontKeyHash> cache;
    FontKey key{font.face, font.height, font.weight, font.italic, font.underline, font.strikeOut};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    if (cache.size() >= kMaxCachedFonts) cache.clear();

    FittedFont fitted;
    QFont& f = fitted.font;
    f.setFamily(MapFaceName(font.face));
    f.setPixelSize(font.height);
    f.setWeight(font.weight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    // Cells are tiny and turned; hinting would move glyphs off their cells.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    // The IPA fonts' em square runs from 0.12 em below the baseline to their ascent, so with
    // the baseline at the ascent the em square fills the cell from top to bottom.
    fitted.baseline = QFontMetricsF(f).ascent();
    return cache.emplace(std::move(key), std::move(fitted)).first->second;
}

QTransform cellTransform(const FontSpec& font, int x, int y) {
    // Width 0 is the font's own proportion, as with Windows.
    const double stretch = font.width > 0 ? 2.0 * font.width / font.height : 1.0;
    QTransform t;
    t.translate(x, y);
    t.rotate(-font.escapement / 10.0);  // counter-clockwise on a y-down device
    t.scale(stretch, 1.0);
    return t;
}

// Upright single characters -- nearly every glyph of a drawing -- are drawn once per font,
// character and colour into a small image and then copied: a copy costs a fraction of laying
// out and rasterising the glyph again, and at whole-pixel positions gives the same pixels.
struct GlyphKey {
    const FittedFont* font;
    int width;
    char32_t character;
    uint32_t color;
    bool operator==(const GlyphKey& o) const {
        return font == o.font && width == o.width && character == o.character && color == o.color;
    }
};
struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const {
        size_t h = std::hash<const void*>()(k.font);
        h = h * 31 + static_cast<size_t>(k.width);
        h = h * 31 + static_cast<size_t>(k.character);
        return h * 31 + k.color;
    }
};
struct CachedGlyph {
    QImage image;
    QPoint offset;  // of the image's top-left from the cell's top-left
};
constexpr size_t kMaxCachedGlyphs = 8192;
constexpr int kMaxCachedCell = 256;  // larger glyphs are rare and cost more memory than time

bool drawCachedGlyph(QPainter& painter, const FontSpec& font, const FittedFont& fitted, uint32_t color,
                     int x, int y, const std::u32string& text) {
    if (text.size() != 1 || font.escapement != 0 || font.height > kMaxCachedCell ||
        font.width > kMaxCachedCell || !painter.worldTransform().isIdentity() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
        return false;
    }
    thread_local std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> cache;
    GlyphKey key{&fitted, font.width, text[0], color};
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() >= kMaxCachedGlyphs) cache.clear();
        // Room for italics, underlines and glyphs that reach past their cell.
        const int pad = font.height / 2 + 2;
        const double stretch = font.width > 0 ? 2.0 * font.width / font.height : 1.0;
        const int w = static_cast<int>(std::ceil(stretch * font.height * 1.5)) + 2 * pad;
        const int h = font.height + 2 * pad;
        CachedGlyph glyph;
        glyph.image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        glyph.image.fill(Qt::transparent);
        glyph.offset = QPoint(-pad, -pad);
        QPainter p(&glyph.image);
        p.setRenderHints(painter.renderHints());
        p.setWorldTransform(cellTransform(font, pad, pad));
        p.setFont(fitted.font);
        p.setPen(colourOf(color));
        p.drawText(QPointF(0.0, fitted.baseline), QString::fromUcs4(text.data(), 1));
        p.end();
        it = cache.emplace(key, std::move(glyph)).first;
    }
    painter.drawImage(QPoint(x, y) + it->second.offset, it->second.image);
    return true;
}

}  // namespace

QString MapFaceName(const std::string& windowsFace) {
    QString face = QString::fromStdString(windowsFace);
    if (face.startsWith(QLatin1Char('@'))) face.remove(0, 1);  // vertical variants
    face = face.normalized(QString::NormalizationForm_KC).toLower();  // "ＭＳ Ｐ" to "ms p"
    face.remove(QLatin1Char(' '));
    const bool mincho = face.contains(QStringLiteral("明朝")) || face.contains(QStringLiteral("mincho"));
    const bool proportional = face.contains(QStringLiteral("pゴシック")) ||
                              face.contains(QStringLiteral("p明朝")) ||
                              face.contains(QStringLiteral("pgothic")) ||
                              face.contains(QStringLiteral("pmincho")) ||
                              face.contains(QStringLiteral("uigothic"));
    if (mincho) return proportional ? QStringLiteral("IPAPMincho") : QStringLiteral("IPAMincho");
    return proportional ? QStringLiteral("IPAPGothic") : QStringLiteral("IPAGothic");
}

void QtDrawText(QPainter& painter, const FontSpec& font, uint32_t color, int x, int y,
                const std::u32string& text, QPainterPath* path) {
    // Windows would draw a zero-height font at its default size; a cell that small is invisible.
    // Cells of millions of pixels come only from broken sizes and would overflow the font
    // engine's fixed-point arithmetic.
    if (font.height <= 0 || font.height > kMaxCell || font.width > kMaxCell || text.empty()) return;
    const FittedFont& fitted = fittedFont(font);
    const QString s = QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
    const QTransform cell = cellTransform(font, x, y);
    if (path) {
        QPainterPath glyphs;
        glyphs.addText(0.0, fitted.baseline, fitted.font, s);
        path->addPath(cell.map(glyphs));
        return;
    }
    if (drawCachedGlyph(painter, font, fitted, color, x, y, text)) return;
    // The target keeps its own idea of the painter's pen, so the text colour must not stay.
    const QTransform savedTransform = painter.worldTransform();
    const QPen savedPen = painter.pen();
    painter.setWorldTransform(cell * savedTransform);
    painter.setFont(fitted.font);
    painter.setPen(colourOf(color));
    painter.drawText(QPointF(0.0, fitted.baseline), s);
    painter.setPen(savedPen);
    painter.setWorldTransform(savedTransform);
}

}  // namespace korvel
