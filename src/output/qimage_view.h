// The encoders' view of a QImage, without copying when the format allows it.
#pragma once

#include <QImage>

#include "output/raster_image.h"

namespace korvel {

// A view of `image`'s pixels; formats other than RGB32, ARGB32 and RGB888 are first converted
// into `storage`, which must outlive the view.
ImageView ViewOfQImage(const QImage& image, QImage& storage);

}  // namespace korvel
