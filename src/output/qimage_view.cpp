// QImage's 32-bit formats are native-endian words 0xAARRGGBB: bytes B, G, R, A here.
#include "output/qimage_view.h"

#include <QtGlobal>

namespace korvel {

namespace {
ImageView viewOf(const QImage& image, PixelLayout layout) {
    return {image.constBits(), image.width(), image.height(),
            static_cast<ptrdiff_t>(image.bytesPerLine()), layout};
}
}  // namespace

ImageView ViewOfQImage(const QImage& image, QImage& storage) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "Bgrx32 assumes a little-endian machine");
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return viewOf(image, PixelLayout::Bgrx32);
    case QImage::Format_RGB888:
        return viewOf(image, PixelLayout::Rgb24);
    default:
        storage = image.convertToFormat(QImage::Format_RGB32);
        return viewOf(storage, PixelLayout::Bgrx32);
    }
}

}  // namespace korvel
