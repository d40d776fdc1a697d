#include "platform/qt_picture_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>
#include <limits>
#include <mutex>

#include "drawing/file_extension.h"
#include "drawing/text_conversion.h"

namespace korvel {

namespace {

// Vector formats may pull in other files and have no pixel size of their own: never here.
bool formatRefused(const QByteArray& format) {
    const QByteArray f = format.toLower();
    return f == "svg" || f == "svgz";
}

}  // namespace

DecodeOutcome QtPictureDecoder::decode(const uint8_t* data, size_t size, const std::string& fileName,
                                       RasterImage& out) const {
    out = RasterImage{};
    if (size > static_cast<size_t>(std::numeric_limits<int>::max()))
        return DecodeOutcome::notThisFormat();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The extension is a hint for formats without a signature; the contents still decide.
    const std::string extension = AsciiLowerCase(FileExtension(fileName));
    reader.setFormat(QByteArray::fromStdString(extension.empty() ? extension : extension.substr(1)));
    if (!reader.canRead() || formatRefused(reader.format())) return DecodeOutcome::notThisFormat();
    std::string why;
    const QSize announced = reader.size();
    if (announced.isValid() && !PictureSizeAllowed(announced.width(), announced.height(), why))
        return DecodeOutcome::failed(why);
    reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull()) return DecodeOutcome::failed(reader.errorString().toStdString());
    if (!PictureSizeAllowed(image.width(), image.height(), why)) return DecodeOutcome::failed(why);
    image = image.convertToFormat(QImage::Format_ARGB32);
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.pixels.data() + static_cast<size_t>(y) * out.width, image.constScanLine(y),
                    static_cast<size_t>(out.width) * 4);
    return DecodeOutcome::decoded();
}

void InstallQtPictureDecoders() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterExtraPictureDecoder(std::make_shared<QtPictureDecoder>()); });
}

}  // namespace korvel
