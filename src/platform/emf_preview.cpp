// libemf2svg is C code that trusts much of what it reads, so every record is walked and checked
// here first, only the checked records are handed over, and they are followed by zeros for the
// strings it reads up to a NUL.
#include "platform/emf_preview.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/emf_text_split.h"

extern "C" {
#include <emf2svg.h>
}

namespace korvel {

namespace {

constexpr uint32_t kHeaderRecord = 1;
constexpr uint32_t kEofRecord = 14;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kHeaderMinimum = 88;           // up to the reference device's millimetres
// Beyond this many pixels a side the picture is no longer something to preview or save.
constexpr double kMaxSide = 1.0e6;

uint32_t u32At(const QByteArray& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
int32_t i32At(const QByteArray& b, size_t at) { return static_cast<int32_t>(u32At(b, at)); }

bool isMetafileHeader(const QByteArray& emf) {
    const size_t n = static_cast<size_t>(emf.size());
    if (n < kHeaderMinimum) return false;
    const uint32_t headerSize = u32At(emf, 4);
    return u32At(emf, 0) == kHeaderRecord && headerSize >= kHeaderMinimum && headerSize <= n &&
           u32At(emf, 40) == kEmfSignature;
}

// MulDiv's rounding: to the nearest, halves away from zero.
int sideInPixels(int32_t frameFrom, int32_t frameTo, int32_t devicePixels, int32_t deviceMm) {
    if (devicePixels <= 0 || deviceMm <= 0) return 0;
    const double frame = static_cast<double>(frameTo) - static_cast<double>(frameFrom);
    const double pixels = std::round(frame * devicePixels / (deviceMm * 100.0));
    if (!(pixels >= 1.0) || pixels > kMaxSide) return 0;
    return static_cast<int>(pixels);
}

}  // namespace

bool EmfPixelSize(const QByteArray& emf, QSize& size) {
    if (!isMetafileHeader(emf)) return false;
    const int w = sideInPixels(i32At(emf, 24), i32At(emf, 32), i32At(emf, 72), i32At(emf, 80));
    const int h = sideInPixels(i32At(emf, 28), i32At(emf, 36), i32At(emf, 76), i32At(emf, 84));
    if (w <= 0 || h <= 0) return false;
    size = QSize(w, h);
    return true;
}

size_t EmfRecordsLength(const QByteArray& emf) {
    if (!isMetafileHeader(emf)) return 0;
    const size_t n = static_cast<size_t>(emf.size());
    size_t at = 0;
    while (at + 8 <= n) {
        const uint32_t type = u32At(emf, at);
        const uint32_t size = u32At(emf, at + 4);
        if (size < 8 || size % 4 != 0 || size > n - at) return 0;
        if (at != 0 && type == kHeaderRecord) return 0;
        at += size;
        if (type == kEofRecord) return at;
    }
    return 0;
}

EmfPicture::EmfPicture() = default;
EmfPicture::~EmfPicture() = default;

bool EmfPicture::load(const QByteArray& emf) {
    if (renderer_ && emf == emf_) return true;
    renderer_.reset();
    emf_.clear();
    size_ = QSize();
    QSize size;
    size_t length = EmfRecordsLength(emf);
    if (length == 0 || !EmfPixelSize(emf, size)) return false;

    // The converter takes a writable buffer; it gets its own copy of the checked records. It
    // places the characters of a text by the font's widths, not by the record's advances: the
    // texts are split into one record per character first.
    QByteArray records = SplitTextAdvances(emf.left(static_cast<qsizetype>(length)));
    length = static_cast<size_t>(records.size());
    records.append(QByteArray(16, '\0'));
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.verbose = false;
    options.emfplus = false;
    options.svgDelimiter = true;
    options.imgWidth = 0;  // the metafile's own size; the renderer scales
    options.imgHeight = 0;
    char* svg = nullptr;
    size_t svgLength = 0;
    const int ok = emf2svg(records.data(), length, &svg, &svgLength, &options);
    QByteArray document;
    if (svg) {
        document = QByteArray(svg, static_cast<qsizetype>(svgLength));
        std::free(svg);
    }
    if (!ok || document.isEmpty()) return false;

    auto renderer = std::make_unique<QSvgRenderer>(document);
    if (!renderer->isValid()) return false;
    renderer_ = std::move(renderer);
    emf_ = emf;
    size_ = size;
    return true;
}

QImage EmfPicture::render(QSize size) const {
    if (!renderer_ || size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide) return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    renderer_->render(&painter, QRectF(0, 0, size.width(), size.height()));
    painter.end();
    return image;
}

}  // namespace korvel

// libemf2svg shuts fontconfig down after it has looked up the font of glyph-index text, while Qt
// still holds fontconfig's configuration and caches: the next font Qt matches, or the exit, then
// fails. Fontconfig lives as long as the process here, so its shutdown does nothing; this
// definition in the program takes the place of the library's for every caller.
extern "C" void FcFini(void) {}
