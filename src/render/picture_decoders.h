// Picture decoders: the built-in BMP, JPEG, GIF and PNG readers, and a registry of extra
// decoders (the window and the command line install Qt's image plug-ins there).
//
// Every decoder takes untrusted bytes: it refuses pictures above kMaxPicturePixels before
// allocating, and reports damaged or truncated data instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    static DecodeOutcome decoded(std::string note = {}) {
        return {DecodeStatus::Decoded, std::move(note)};
    }
    static DecodeOutcome notThisFormat() { return {DecodeStatus::NotThisFormat, {}}; }
    static DecodeOutcome failed(std::string why) { return {DecodeStatus::Failed, std::move(why)}; }
};

enum class BuiltInFormat : uint8_t { None, Bmp, Jpeg, Gif, Png };

// The built-in format an extension names (".bmp", ".JPG", ".jpeg", ".gif", ".png"; any case).
BuiltInFormat BuiltInFormatOfExtension(const std::string& fileName);
// The built-in format the bytes start like, or None.
BuiltInFormat SniffBuiltInFormat(const uint8_t* data, size_t size);

DecodeOutcome DecodeBmp(const uint8_t* data, size_t size, RasterImage& out);
DecodeOutcome DecodeJpeg(const uint8_t* data, size_t size, RasterImage& out);
DecodeOutcome DecodeGif(const uint8_t* data, size_t size, RasterImage& out);
DecodeOutcome DecodePng(const uint8_t* data, size_t size, RasterImage& out);
DecodeOutcome DecodeBuiltIn(BuiltInFormat format, const uint8_t* data, size_t size,
                            RasterImage& out);

// Checks a picture's size before its pixels are allocated; fills `why` when it is refused.
bool PictureSizeAllowed(uint64_t width, uint64_t height, std::string& why);

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
