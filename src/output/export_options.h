// What an image export needs to know, filled alike from the command line and from the settings
// file ("Graphic" and "Form" sections).
#pragma once

#include <string>

#include "output/dxf_strings.h"
#include "output/page_mapping.h"
#include "render/render_options.h"

namespace korvel {

// DXF sits among the picture formats so that every way of naming an output names it too,
// though it is written from the records, not rendered. PDF and SVG are pages on paper.
enum class ImageFormat { Bmp, Jpeg, Png, Gif, Emf, Wmf, Dxf, Pdf, Svg };

// A pen of width w prints max(w x 0.13, 0.1) millimetres wide: a pen of width 1 and the
// thinnest pen print as thin lines do on Jw_cad's printers, wide pens grow in steps a reader
// can tell apart.
constexpr double kDefaultPenWidthMm = 0.13;
constexpr double kDefaultMinPenWidthMm = 0.1;

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
    // Pages on paper (PDF, SVG, printing): which paper, and how wide pens print.
    PageChoice page;                 // --page
    double penWidthMm = kDefaultPenWidthMm;        // --pen-width: per unit of a pen's width
    double minPenWidthMm = kDefaultMinPenWidthMm;  // --min-pen-width: the thinnest line

    // "BwPlotFlg" and "Bw2GFlg" both on: 1-bit images without the width limit.
    bool twoColour() const { return render.bwPlot && render.bw2Grey; }
};

// Largest width of a 24-bit image; two-colour images may be wider.
constexpr int kMaxColourWidth = 5000;

// ".bmp" -> Bmp, ".jpg"/".jpeg" -> Jpeg, ".png", ".gif", ".emf", ".wmf", ".dxf", ".pdf",
// ".svg", any case; false for anything else.
bool ImageFormatFromExtension(const std::string& extension, ImageFormat& format);
// "bmp", "jpeg" (or "jpg"), "png", "gif", "emf", "wmf", "dxf", "pdf", "svg", any case.
bool ImageFormatFromName(const std::string& name, ImageFormat& format);
// ".BMP", ".JPG", ".PNG", ".GIF", ".emf", ".wmf", ".dxf", ".pdf", ".svg": the extension the
// saved file gets.
const char* ImageFormatExtension(ImageFormat format);
bool IsMetafileFormat(ImageFormat format);
// PDF and SVG: drawn on the page rules, at real scale.
bool IsPageFormat(ImageFormat format);

}  // namespace korvel
