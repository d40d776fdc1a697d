// Glyphs are fitted the way Windows fits a font created with a cell height and an average
// character width: the em square fills the cell height, and the font is stretched sideways
// until a half-width character is as wide as the average width (so a full-width one fills the
// whole cell width). The glyph then turns about the cell's top-left by the escapement.
#include "platform/qt_text.h"

#include <QFont>
#include <QFontDatabase>
#include <QPaintEngine>
#include <QPainterPathStroker>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTransform>
#include <unordered_map>

#include "platform/qt_colour.h"

namespace korvel {

namespace {

// Fonts are looked up per drawn character; building a QFont and its metrics each time would
// cost more than drawing the glyph, so each distinct font is built once per thread.
struct FontKey {
    std::string face;
    int height;
    int weight;
    bool italic, underline, strikeOut;
    size_t hash = 0;  // of the rest, taken once: every glyph looks its font up twice
    bool operator==(const FontKey& o) const {
        return hash == o.hash && height == o.height && weight == o.weight && italic == o.italic &&
               underline == o.underline && strikeOut == o.strikeOut && face == o.face;
    }
};
struct FontKeyHash {
    size_t operator()(const FontKey& k) const { return k.hash; }
};
struct FittedFont {
    QFont font;         // what raster devices draw with: the plain face when bold is made here
    QFont vectorFont;   // what vector devices get: the font as asked, bold left to the device
    double baseline = 0.0;  // from the cell's top, device units
    // The stroke around each glyph that makes a plain face bold, device units; 0 when the font
    // is drawn as it is (not bold, or a family with a bold face of its own).
    double boldStroke = 0.0;
};

// Whether the family has a face of its own at bold weight. The IPA fonts have none; Qt's own
// emboldening of such faces stops at glyphs of about 64 pixels, where it draws outlines
// instead, so bold would be lost on large texts.
bool hasBoldFace(const QString& family) {
    for (const QString& style : QFontDatabase::styles(family))
        if (QFontDatabase::weight(family, style) >= QFont::DemiBold) return true;
    return false;
}

constexpr size_t kMaxCachedFonts = 256;
constexpr int kMaxCell = 1 << 20;

FontKey fontKeyOf(const FontSpec& font) {
    FontKey k{font.face, font.height, font.weight, font.italic, font.underline, font.strikeOut};
    size_t h = std::hash<std::string>()(k.face);
    h = h * 31 + static_cast<size_t>(k.height);
    h = h * 31 + static_cast<size_t>(k.weight);
    k.hash = h * 8 + (k.italic ? 4 : 0) + (k.underline ? 2 : 0) + (k.strikeOut ? 1 : 0);
    return k;
}

const FittedFont& fittedFont(const FontSpec& font, const FontKey& key) {
    thread_local std::unordered_map<FontKey, FittedFont, FontKeyHash> cache;
    // Texts come in runs of one font: the font of the glyph before is asked for again first.
    thread_local const std::pair<const FontKey, FittedFont>* last = nullptr;
    if (last && last->first == key) return last->second;
    auto it = cache.find(key);
    if (it != cache.end()) {
        last = &*it;
        return it->second;
    }
    if (cache.size() >= kMaxCachedFonts) {
        cache.clear();
        last = nullptr;
    }

    FittedFont fitted;
    QFont& f = fitted.font;
    f.setFamily(MapFaceName(font.face));
    f.setPixelSize(font.height);
    const bool bold = font.weight >= 600;
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    if (bold && !hasBoldFace(f.family())) {
        f.setWeight(QFont::Normal);
        // As much as FreeType's emboldening adds at sizes where Qt still applies it: a
        // twenty-fourth of the em in all, half of it on either side of each stroke.
        fitted.boldStroke = font.height / 24.0;
    }
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    // Cells are tiny and turned; hinting would move glyphs off their cells.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    // The IPA fonts' em square runs from 0.12 em below the baseline to their ascent, so with
    // the baseline at the ascent the em square fills the cell from top to bottom.
    fitted.baseline = QFontMetricsF(f).ascent();
    fitted.vectorFont = f;
    if (bold) fitted.vectorFont.setWeight(QFont::Bold);
    last = &*cache.emplace(key, std::move(fitted)).first;
    return last->second;
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

// True for devices that keep texts as texts (PDF, SVG, printers): they are handed the font as
// asked, bold included, and do their own emboldening.
bool keepsTexts(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    return engine && engine->type() != QPaintEngine::Raster;
}

// The glyph outlines of `s` in cell coordinates, bold ones grown by their stroke.
QPainterPath glyphOutlines(const FittedFont& fitted, const QString& s) {
    QPainterPath glyphs;
    glyphs.addText(0.0, fitted.baseline, fitted.font, s);
    if (fitted.boldStroke <= 0.0) return glyphs;
    QPainterPathStroker stroker;
    stroker.setWidth(fitted.boldStroke);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return glyphs.united(stroker.createStroke(glyphs));
}

// Draws `s` in cell coordinates with the painter's transform. Bold made here is the plain
// glyph filled and stroked, smoothed as the device smooths texts.
void drawGlyphs(QPainter& painter, const FittedFont& fitted, const QColor& colour, const QString& s) {
    if (fitted.boldStroke <= 0.0 || keepsTexts(painter)) {
        if (keepsTexts(painter)) {
            painter.setFont(fitted.vectorFont);
        } else if (!painter.testRenderHint(QPainter::TextAntialiasing)) {
            // Qt smooths glyphs whatever the painter's hint unless the font says otherwise.
            QFont sharp = fitted.font;
            sharp.setStyleStrategy(QFont::StyleStrategy(sharp.styleStrategy() | QFont::NoAntialias));
            painter.setFont(sharp);
        } else {
            painter.setFont(fitted.font);
        }
        painter.setPen(colour);
        painter.drawText(QPointF(0.0, fitted.baseline), s);
        return;
    }
    QPainterPath glyphs;
    glyphs.addText(0.0, fitted.baseline, fitted.font, s);
    const QBrush savedBrush = painter.brush();
    const bool smooth = painter.testRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::Antialiasing, painter.testRenderHint(QPainter::TextAntialiasing));
    painter.setPen(QPen(colour, fitted.boldStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(colour);
    painter.drawPath(glyphs);
    painter.setBrush(savedBrush);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
}

// Upright single characters -- nearly every glyph of a drawing -- are drawn once per font,
// character and colour into a small image and then copied: a copy costs a fraction of laying
// out and rasterising the glyph again, and at whole-pixel positions gives the same pixels.
// Keyed by the font's description, never by where the font cache keeps it: that cache is
// cleared when full, and a font built later at the same address is another font.
struct GlyphKey {
    FontKey font;
    int width;
    char32_t character;
    uint32_t color;
    bool smooth;  // drawn with text antialiasing
    bool operator==(const GlyphKey& o) const {
        return width == o.width && character == o.character && color == o.color &&
               smooth == o.smooth && font == o.font;
    }
};
struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const {
        size_t h = FontKeyHash()(k.font);
        h = h * 31 + static_cast<size_t>(k.width);
        h = h * 31 + static_cast<size_t>(k.character);
        return (h * 31 + k.color) * 2 + (k.smooth ? 1 : 0);
    }
};
struct CachedGlyph {
    QImage image;
    QPoint offset;  // of the image's top-left from the cell's top-left
};
constexpr size_t kMaxCachedGlyphs = 8192;
constexpr int kMaxCachedCell = 256;  // larger glyphs are rare and cost more memory than time

// The smallest rectangle holding every pixel of `image` that is not clear.
QRect inkOf(const QImage& image) {
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!row[x]) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = y;
        }
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

bool drawCachedGlyph(QPainter& painter, const FontSpec& font, FontKey&& fontKey, const FittedFont& fitted,
                     uint32_t color, int x, int y, const std::u32string& text) {
    // A painter moved by whole pixels (a band, a panned view) puts the glyph at whole pixels too.
    const QTransform& moved = painter.worldTransform();
    const bool wholePixels = moved.type() <= QTransform::TxTranslate && moved.dx() == std::floor(moved.dx()) &&
                             moved.dy() == std::floor(moved.dy());
    if (text.size() != 1 || font.escapement != 0 || font.height > kMaxCachedCell ||
        font.width > kMaxCachedCell || !wholePixels ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || keepsTexts(painter)) {
        return false;
    }
    thread_local std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> cache;
    GlyphKey key{std::move(fontKey), font.width, text[0], color,
                 painter.testRenderHint(QPainter::TextAntialiasing)};
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
        // setRenderHints only adds: hints the painter lacks must be turned off too.
        p.setRenderHints(~painter.renderHints(), false);
        p.setRenderHints(painter.renderHints(), true);
        p.setWorldTransform(cellTransform(font, pad, pad));
        drawGlyphs(p, fitted, QtColorOf(color), QString::fromUcs4(text.data(), 1));
        p.end();
        // Only the ink is kept: a pixel left clear changes nothing where the image is drawn,
        // and the room left around the glyph is most of the image.
        const QRect ink = inkOf(glyph.image);
        glyph.image = ink.isEmpty() ? QImage() : glyph.image.copy(ink);
        glyph.offset += ink.topLeft();
        it = cache.emplace(key, std::move(glyph)).first;
    }
    if (!it->second.image.isNull()) painter.drawImage(QPoint(x, y) + it->second.offset, it->second.image);
    return true;
}

}  // namespace

FontListReader::FontListReader() : thread_([] { (void)QFontDatabase::families(); }) {}

FontListReader::~FontListReader() { thread_.join(); }

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
    FontKey key = fontKeyOf(font);
    const FittedFont& fitted = fittedFont(font, key);
    if (!path && drawCachedGlyph(painter, font, std::move(key), fitted, color, x, y, text)) return;
    const QString s = QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
    const QTransform cell = cellTransform(font, x, y);
    if (path) {
        path->addPath(cell.map(glyphOutlines(fitted, s)));
        return;
    }
    // The target keeps its own idea of the painter's pen, so the text colour must not stay.
    const QTransform savedTransform = painter.worldTransform();
    const QPen savedPen = painter.pen();
    painter.setWorldTransform(cell * savedTransform);
    drawGlyphs(painter, fitted, QtColorOf(color), s);
    painter.setPen(savedPen);
    painter.setWorldTransform(savedTransform);
}

bool QtDrawGlyphRun(QPainter& painter, const FontSpec& font, uint32_t color, const std::vector<GlyphCell>& cells) {
    if (font.height <= 0 || font.height > kMaxCell || font.width > kMaxCell || cells.empty()) return true;
    // Underlines and strike-outs belong to a text item; Qt's own emboldening to its font.
    if (font.underline || font.strikeOut || font.weight >= 600) return false;
    const FontKey key = fontKeyOf(font);
    const FittedFont& fitted = fittedFont(font, key);
    thread_local std::unordered_map<FontKey, QRawFont, FontKeyHash> rawFonts;
    auto it = rawFonts.find(key);
    if (it == rawFonts.end()) {
        if (rawFonts.size() >= kMaxCachedFonts) rawFonts.clear();
        it = rawFonts.emplace(key, QRawFont::fromFont(fitted.vectorFont)).first;
    }
    const QRawFont& raw = it->second;
    if (!raw.isValid()) return false;
    QString text;
    text.reserve(static_cast<qsizetype>(cells.size()));
    for (const GlyphCell& c : cells) {
        if (c.ch == 0 || c.ch > 0xFFFF) return false;
        text.append(QChar(static_cast<char16_t>(c.ch)));
    }
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    if (glyphs.size() != static_cast<qsizetype>(cells.size())) return false;
    for (quint32 g : glyphs)
        if (g == 0) return false;  // the font has no glyph: per character, Qt finds another font
    // Every cell has the same turn and stretch: one transform for the run, the cells' corners
    // mapped back into it.
    bool invertible = false;
    const QTransform cell = cellTransform(font, 0, 0);
    const QTransform back = cell.inverted(&invertible);
    if (!invertible) return false;
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    for (const GlyphCell& c : cells) positions.append(back.map(QPointF(c.x, c.y)) + QPointF(0.0, fitted.baseline));
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    const QTransform savedTransform = painter.worldTransform();
    const QPen savedPen = painter.pen();
    painter.setWorldTransform(cell * savedTransform);
    painter.setPen(QtColorOf(color));
    painter.drawGlyphRun(QPointF(0.0, 0.0), run);
    painter.setPen(savedPen);
    painter.setWorldTransform(savedTransform);
    return true;
}

}  // namespace korvel
