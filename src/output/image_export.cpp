// One render per export, on a canvas of its own: exports of different drawings can run side by
// side in threads.
#include "output/image_export.h"

#include <algorithm>
#include <memory>
#include <string>

#include "drawing/colour.h"
#include "drawing/cp932.h"
#include "output/bmp_encoder.h"
#include "output/dxf_export.h"
#include "output/emf_target.h"
#include "output/gif_encoder.h"
#include "output/jpeg_encoder.h"
#include "output/png_encoder.h"
#include "output/png_parts.h"
#include "output/qimage_view.h"
#include "output/raster_render.h"
#include "output/two_colour_render.h"
#include "output/vector_page.h"
#include "output/wmf_target.h"
#include "render/render_driver.h"

namespace korvel {

namespace {

// Two-colour images have no width limit of their own; this one keeps a 1-bit export within
// what one canvas band and the index buffer can hold.
constexpr int kMaxTwoColourWidth = kMaxRasterSide;
constexpr int64_t kMaxTwoColourPixels = int64_t(1) << 30;

void addWarnings(ExportResult& result, const RenderResult& render) {
    result.warnings.insert(result.warnings.end(), render.warnings.begin(), render.warnings.end());
}

PngOptions pngOptions(const ExportOptions& options, uint32_t transparentColor) {
    PngOptions png;
    png.compression = options.pngCompression;
    png.interlaced = options.pngInterlaced;
    png.transparent = options.pngTransparent;
    png.transparentColor = transparentColor;
    return png;
}

GifOptions gifOptions(const ExportOptions& options) {
    GifOptions gif;
    gif.lzw = options.gifLzw;
    gif.reduction = ColorReductionFromSetting(options.gifReduction);
    gif.dither = DitherModeFromSetting(options.gifDither);
    return gif;
}

EncodeResult encodeTwoColour(const IndexedImage& image, ImageFormat format,
                             const ExportOptions& options, uint32_t background,
                             std::vector<uint8_t>& out) {
    switch (format) {
    case ImageFormat::Bmp: return EncodeBmp(image, out);
    case ImageFormat::Jpeg:
        return EncodeJpeg(image, JpegOptions{options.jpegQuality, options.jpegProgressive}, out);
    case ImageFormat::Png: {
        // The background became black or white; that entry is the transparent one.
        const uint32_t mapped = IsLightColor(background) ? 0x00FFFFFFu : 0x00000000u;
        return EncodePng(image, pngOptions(options, mapped), out);
    }
    case ImageFormat::Gif: return EncodeGif(image, options.gifLzw, out);
    default: return EncodeResult::failure("not a raster format");
    }
}

EncodeResult encodeColour(const ImageView& view, ImageFormat format, const ExportOptions& options,
                          uint32_t background, std::vector<uint8_t>& out) {
    switch (format) {
    case ImageFormat::Bmp: return EncodeBmp(view, out);
    case ImageFormat::Jpeg:
        return EncodeJpeg(view, JpegOptions{options.jpegQuality, options.jpegProgressive}, out);
    case ImageFormat::Png: return EncodePng(view, pngOptions(options, background), out);
    case ImageFormat::Gif: return EncodeGif(view, gifOptions(options), out);
    default: return EncodeResult::failure("not a raster format");
    }
}

ExportResult exportRaster(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                          std::vector<uint8_t>& out) {
    ExportResult result;
    RasterExportSize(drawing, options, result.width, result.height, &result.warnings);
    const uint32_t background = BackgroundColor(drawing, options.render) & 0x00FFFFFF;
    EncodeResult encoded;
    if (options.twoColour()) {
        if (int64_t(result.width) * result.height > kMaxTwoColourPixels) {
            result.error = "the image of " + std::to_string(result.width) + " x " +
                           std::to_string(result.height) + " pixels is too large";
            return result;
        }
        RenderResult render;
        const IndexedImage image = RenderTwoColour(drawing, options.render, result.width, result.height, render);
        addWarnings(result, render);
        if (image.width == 0) {
            result.error = "out of memory for the image";
            return result;
        }
        encoded = encodeTwoColour(image, format, options, background, out);
    } else {
        // A PNG's bands are deflated as each is drawn, on the cores the bands that are done leave.
        const PngOptions png = pngOptions(options, background);
        std::unique_ptr<PngRowsAhead> ahead;
        RasterRenderSettings settings;
        if (format == ImageFormat::Png && PngInParts(png)) {
            ahead = std::make_unique<PngRowsAhead>(result.width, result.height, png);
            settings.rowsFinal = [&ahead](int top, int bottom, const QImage& source) {
                QImage storage;
                ahead->take(top, bottom, ViewOfQImage(source, storage));
            };
        }
        RasterRenderResult render =
            RenderToImage(drawing, options.render, result.width, result.height, 0.0, {}, settings);
        addWarnings(result, render.render);
        if (render.image.isNull()) {
            result.error = "out of memory for the image";
            return result;
        }
        QImage storage;
        const ImageView view = ViewOfQImage(render.image, storage);
        encoded = ahead ? EncodePng(view, png, out, ahead.get()) : encodeColour(view, format, options, background, out);
    }
    if (!encoded) {
        result.error = encoded.error;
        return result;
    }
    result.ok = true;
    return result;
}

ExportResult exportMetafile(const Drawing& drawing, ImageFormat format,
                            const ExportOptions& options, std::vector<uint8_t>& out) {
    ExportResult result;
    const MetafileFrame frame = MetafileExportFrame(drawing, options);
    result.width = frame.width;
    result.height = frame.height;
    RenderRequest request;
    request.width = frame.width;
    request.height = frame.height;
    request.clearBackground = options.clearBackground;
    request.scale = options.realScale ? kMetafileUnitsPerMm : 0.0;
    std::vector<uint8_t> bytes;
    std::string error;
    bool finished = false;
    if (format == ImageFormat::Emf) {
        EmfTarget target(frame, Cp932ToUtf8(drawing.fileName));  // file names are CP932
        // Once a record no longer fits, the rest of the render is of no use.
        request.progress = [&target](size_t, size_t) { return !target.full(); };
        addWarnings(result, RenderDrawing(target, drawing, options.render, request));
        finished = target.finish(bytes, error);
    } else {
        WmfTarget target(frame);
        addWarnings(result, RenderDrawing(target, drawing, options.render, request));
        finished = target.finish(bytes, error);
    }
    if (!finished) {
        result.error = error;
        return result;
    }
    // A metafile can be hundreds of megabytes: handed over, not copied, when `out` is empty.
    if (out.empty()) out = std::move(bytes);
    else out.insert(out.end(), bytes.begin(), bytes.end());
    result.ok = true;
    return result;
}

}  // namespace

void RasterExportSize(const Drawing& drawing, const ExportOptions& options, int& width,
                      int& height, std::vector<std::string>* warnings) {
    const bool twoColour = options.twoColour();
    const int limit = twoColour ? kMaxTwoColourWidth : kMaxColourWidth;
    width = std::clamp(options.width, 1, limit);
    if (options.width > limit && warnings)
        warnings->push_back("the width " + std::to_string(options.width) + " is over the " +
                            std::to_string(limit) + "-pixel limit of " +
                            (twoColour ? "two-colour" : "colour") + " images; " +
                            std::to_string(width) + " used");
    height = FitHeight(PictureFrame(drawing, options.render), width);
}

MetafileFrame MetafileExportFrame(const Drawing& drawing, const ExportOptions& options) {
    const Extents frame = PictureFrame(drawing, options.render);
    if (options.realScale) return RealScaleMetafileFrame(frame);
    const int width = std::clamp(options.width, 1, kMaxRasterSide);
    return FittedMetafileFrame(width, FitHeight(frame, width));
}

bool CheckExportWidth(const ExportOptions& options, std::string& error) {
    if (options.width >= 1) return true;
    error = "the output width " + std::to_string(options.width) +
            " is no number of pixels; it must be 1 or more (--width, or Form/outWsize in the settings)";
    return false;
}

ExportResult ExportImage(const Drawing& drawing, ImageFormat format, const ExportOptions& options,
                         std::vector<uint8_t>& out) {
    if (drawing.ExpectedCount == 0) {
        ExportResult result;
        result.error = "the drawing has no data";
        return result;
    }
    if (format == ImageFormat::Dxf) {
        // Without a file name there is nowhere to put embedded pictures beside it.
        const DxfExportResult dxf = ExportDxf(drawing, options.render, options.dxfVersion, "", out);
        ExportResult result;
        result.ok = dxf.ok;
        result.error = dxf.error;
        result.warnings = dxf.warnings;
        return result;
    }
    // Pages take their size from the paper.
    if (IsPageFormat(format)) return ExportPage(drawing, format, options, PageTitle(drawing), out);
    // Metafiles at real scale take their size from the drawing, not from the width; DXF has none.
    if (!(IsMetafileFormat(format) && options.realScale)) {
        ExportResult result;
        if (!CheckExportWidth(options, result.error)) return result;
    }
    return IsMetafileFormat(format) ? exportMetafile(drawing, format, options, out)
                                    : exportRaster(drawing, format, options, out);
}

}  // namespace korvel
