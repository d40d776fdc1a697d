// Choosing a built-in decoder and keeping the extra ones.
#include "render/picture_decoders.h"

#include <cstring>
#include <mutex>

#include "drawing/file_extension.h"

namespace korvel {

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::vector<std::shared_ptr<const ExtraPictureDecoder>>& registry() {
    static std::vector<std::shared_ptr<const ExtraPictureDecoder>> decoders;
    return decoders;
}

}  // namespace

BuiltInFormat BuiltInFormatOfExtension(const std::string& fileName) {
    if (HasExtension(fileName, ".bmp")) return BuiltInFormat::Bmp;
    if (HasExtension(fileName, ".jpg") || HasExtension(fileName, ".jpeg")) return BuiltInFormat::Jpeg;
    if (HasExtension(fileName, ".gif")) return BuiltInFormat::Gif;
    if (HasExtension(fileName, ".png")) return BuiltInFormat::Png;
    return BuiltInFormat::None;
}

BuiltInFormat SniffBuiltInFormat(const uint8_t* data, size_t size) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(data, png, 8) == 0) return BuiltInFormat::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return BuiltInFormat::Jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return BuiltInFormat::Gif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return BuiltInFormat::Bmp;
    return BuiltInFormat::None;
}

DecodeOutcome DecodeBuiltIn(BuiltInFormat format, const uint8_t* data, size_t size,
                            RasterImage& out, const DecodeRequest& request) {
    switch (format) {
        case BuiltInFormat::Bmp: return DecodeBmp(data, size, out, request);
        case BuiltInFormat::Jpeg: return DecodeJpeg(data, size, out, request);
        case BuiltInFormat::Gif: return DecodeGif(data, size, out, request);
        case BuiltInFormat::Png: return DecodePng(data, size, out, request);
        case BuiltInFormat::None: break;
    }
    return DecodeOutcome::notThisFormat();
}

bool PictureSizeAllowed(uint64_t width, uint64_t height, std::string& why) {
    if (width == 0 || height == 0) {
        why = "the picture has no pixels";
        return false;
    }
    // Each side is at most 32 bits here, so the product cannot overflow.
    if (width > 0xFFFFFFFFull || height > 0xFFFFFFFFull || width * height > kMaxPicturePixels) {
        why = "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels, more than " + std::to_string(kMaxPicturePixels / 1'000'000) +
              " megapixels";
        return false;
    }
    return true;
}

bool PictureSizeAccepted(uint64_t width, uint64_t height, const DecodeRequest& request,
                         DecodeOutcome& refusal) {
    std::string why;
    if (!PictureSizeAllowed(width, height, why)) {
        refusal = DecodeOutcome::failed(why);
        return false;
    }
    if (width * height > request.pixelAllowance) {
        refusal = DecodeOutcome::overTheAllowance();
        return false;
    }
    return true;
}

void ReduceForRequest(RasterImage& image, const DecodeRequest& request) {
    const int factor = ReductionFactor(image.width, image.height, request);
    if (factor == 1 || image.empty()) return;
    RasterImage reduced;
    ReducedRaster rows(reduced, image.width, image.height, factor);
    for (int y = 0; y < image.height; ++y) rows.putRow(y, image.pixels.data() + static_cast<size_t>(y) * image.width);
    rows.finish();
    image = std::move(reduced);
}

void RegisterExtraPictureDecoder(std::shared_ptr<const ExtraPictureDecoder> decoder) {
    if (!decoder) return;
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().push_back(std::move(decoder));
}

std::vector<std::shared_ptr<const ExtraPictureDecoder>> ExtraPictureDecoders() {
    std::lock_guard<std::mutex> lock(registryMutex());
    return registry();
}

void ClearExtraPictureDecoders() {
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().clear();
}

}  // namespace korvel
