// What an image export needs to know, filled alike from the command line and from the settings
// file ("Graphic" and "Form" sections).
#pragma once

#include <string>

#include "output/dxf_strings.h"
#include "render/render_options.h"

namespace korvel {

// DXF sits among the picture formats so that every way of naming an output names it too,
// though it is written from the records, not rendered.
enum class ImageFormat { Bmp, Jpeg, Png, Gif, Emf, Wmf, Dxf };

struct ExportOptions {
    int width = 720;                // "outWsize": output width in pixels
    int jpegQuality = 75;           // "JpegValue", 1..100
    bool jpegProgressive = false;   // "JpegPrgrs"
    int pngCompression = -1;        // "PNGComp": 0, -1, 1 or 9
    bool pngInterlaced = false;     // "PNGInlc"
    bool pngTransparent = false;    // "PNGTrans": the background colour becomes transparent
    bool gifLzw = true;             // "GIFComp": LZW, else RLE
    int gifDither = 0;              // "GIFDith" as stored; out of range is used as 0
    int gifReduction = 8;           // "GIFSubColor" as stored; out of range is used as 0
    bool gifTransparent = false;    // "GIFTrans": kept, not used by the encoder
    bool realScale = false;         // "RealScaleFlg": metafiles at 1.2 x real size
    bool clearBackground = false;   // "PenColorFlag": the render clears the background itself
    RenderOptions render;           // monochrome, auxiliary lines, thin lines, pictures, order
    DxfVersion dxfVersion = DxfVersion::R2000;  // --dxf-version

    // "BwPlotFlg" and "Bw2GFlg" both on: 1-bit images without the width limit.
    bool twoColour() const { return render.bwPlot && render.bw2Grey; }
};

// Largest width of a 24-bit image; two-colour images may be wider.
constexpr int kMaxColourWidth = 5000;

// ".bmp" -> Bmp, ".jpg"/".jpeg" -> Jpeg, ".png", ".gif", ".emf", ".wmf", ".dxf", any case;
// false for anything else.
bool ImageFormatFromExtension(const std::string& extension, ImageFormat& format);
// "bmp", "jpeg" (or "jpg"), "png", "gif", "emf", "wmf", "dxf", any case.
bool ImageFormatFromName(const std::string& name, ImageFormat& format);
// ".BMP", ".JPG", ".PNG", ".GIF", ".emf", ".wmf", ".dxf": the extension the saved file gets.
const char* ImageFormatExtension(ImageFormat format);
bool IsMetafileFormat(ImageFormat format);

}  // namespace korvel
