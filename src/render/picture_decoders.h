// Picture decoders: the built-in BMP, JPEG, GIF and PNG readers, and a registry of extra
// decoders (the window and the command line install Qt's image plug-ins there).
//
// Every decoder takes untrusted bytes: it refuses pictures above kMaxPicturePixels (or above the
// request's allowance) before allocating, and reports damaged or truncated data instead of ending
// the process. A request with a drawn size gets the picture reduced to no less than that size,
// without ever holding it at full size (see reduced_raster.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/reduced_raster.h"
#include "render/render_target.h"

namespace korvel {

constexpr uint64_t kMaxPicturePixels = 100'000'000;

enum class DecodeStatus : uint8_t {
    Decoded,        // `out` holds the picture (a message may still tell of damage)
    NotThisFormat,  // the bytes are not this decoder's format; another may try
    Failed,         // this decoder's format, but the picture cannot be read
};

struct DecodeOutcome {
    DecodeStatus status = DecodeStatus::NotThisFormat;
    std::string message;  // why it failed, or what was damaged in a picture that still decoded
    uint64_t decodedPixels = 0;  // the work done: pixels decoded before any reduction
    bool overAllowance = false;  // failed because the request's pixel allowance was too small
    int reduction = 1;  // the picture in `out` is reduced by this factor

    static DecodeOutcome decoded(std::string note = {}) {
        return {DecodeStatus::Decoded, std::move(note)};
    }
    static DecodeOutcome notThisFormat() { return {DecodeStatus::NotThisFormat, {}}; }
    static DecodeOutcome failed(std::string why) { return {DecodeStatus::Failed, std::move(why)}; }
    static DecodeOutcome overTheAllowance() {
        DecodeOutcome o{DecodeStatus::Failed, "the render's picture pixels are used up"};
        o.overAllowance = true;
        return o;
    }
};

enum class BuiltInFormat : uint8_t { None, Bmp, Jpeg, Gif, Png };

// The built-in format an extension names (".bmp", ".JPG", ".jpeg", ".gif", ".png"; any case).
BuiltInFormat BuiltInFormatOfExtension(const std::string& fileName);
// The built-in format the bytes start like, or None.
BuiltInFormat SniffBuiltInFormat(const uint8_t* data, size_t size);

DecodeOutcome DecodeBmp(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request);
DecodeOutcome DecodeJpeg(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request);
DecodeOutcome DecodeGif(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request);
DecodeOutcome DecodePng(const uint8_t* data, size_t size, RasterImage& out, const DecodeRequest& request);
// The same at full size.
inline DecodeOutcome DecodeBmp(const uint8_t* data, size_t size, RasterImage& out) { return DecodeBmp(data, size, out, {}); }
inline DecodeOutcome DecodeJpeg(const uint8_t* data, size_t size, RasterImage& out) { return DecodeJpeg(data, size, out, {}); }
inline DecodeOutcome DecodeGif(const uint8_t* data, size_t size, RasterImage& out) { return DecodeGif(data, size, out, {}); }
inline DecodeOutcome DecodePng(const uint8_t* data, size_t size, RasterImage& out) { return DecodePng(data, size, out, {}); }
DecodeOutcome DecodeBuiltIn(BuiltInFormat format, const uint8_t* data, size_t size,
                            RasterImage& out, const DecodeRequest& request = {});

// Checks a picture's size before its pixels are allocated; fills `why` when it is refused.
bool PictureSizeAllowed(uint64_t width, uint64_t height, std::string& why);
// PictureSizeAllowed, then the request's allowance: the outcome to return when refused.
bool PictureSizeAccepted(uint64_t width, uint64_t height, const DecodeRequest& request,
                         DecodeOutcome& refusal);
// A picture decoded at full size (by an extra decoder) reduced as the request asks.
void ReduceForRequest(RasterImage& image, const DecodeRequest& request);

// A decoder beyond the built-in ones: decodes the bytes, or says they are not its format.
// Implementations must be safe to call from several renders at once.
class ExtraPictureDecoder {
public:
    virtual ~ExtraPictureDecoder() = default;
    // `fileName` (UTF-8) is a hint only; the bytes decide.
    virtual DecodeOutcome decode(const uint8_t* data, size_t size, const std::string& fileName,
                                 RasterImage& out) const = 0;
};

// Extra decoders are installed once at start-up, before renders run.
void RegisterExtraPictureDecoder(std::shared_ptr<const ExtraPictureDecoder> decoder);
std::vector<std::shared_ptr<const ExtraPictureDecoder>> ExtraPictureDecoders();
void ClearExtraPictureDecoders();  // for tests

}  // namespace korvel
