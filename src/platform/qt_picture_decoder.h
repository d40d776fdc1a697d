// Qt's image plug-ins as the extra picture decoder: what the built-in decoders do not read
// (TIFF, WebP, TGA, ICO...) is handed to them, the way plug-in libraries are on Windows.
#pragma once

#include <memory>

#include "render/picture_decoders.h"

namespace korvel {

class QtPictureDecoder : public ExtraPictureDecoder {
public:
    DecodeOutcome decode(const uint8_t* data, size_t size, const std::string& fileName,
                         RasterImage& out) const override;
};

// Installs QtPictureDecoder among the extra decoders, once however often it is called.
void InstallQtPictureDecoders();

}  // namespace korvel
