#include "output/export_options.h"

namespace korvel {

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
}  // namespace

bool ImageFormatFromName(const std::string& name, ImageFormat& format) {
    const std::string n = lower(name);
    if (n == "bmp") format = ImageFormat::Bmp;
    else if (n == "jpg" || n == "jpeg") format = ImageFormat::Jpeg;
    else if (n == "png") format = ImageFormat::Png;
    else if (n == "gif") format = ImageFormat::Gif;
    else if (n == "emf") format = ImageFormat::Emf;
    else if (n == "wmf") format = ImageFormat::Wmf;
    else if (n == "dxf") format = ImageFormat::Dxf;
    else if (n == "pdf") format = ImageFormat::Pdf;
    else if (n == "svg") format = ImageFormat::Svg;
    else return false;
    return true;
}

bool ImageFormatFromExtension(const std::string& extension, ImageFormat& format) {
    if (extension.size() < 2 || extension[0] != '.') return false;
    return ImageFormatFromName(extension.substr(1), format);
}

const char* ImageFormatExtension(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp: return ".BMP";
    case ImageFormat::Jpeg: return ".JPG";
    case ImageFormat::Png: return ".PNG";
    case ImageFormat::Gif: return ".GIF";
    case ImageFormat::Emf: return ".emf";
    case ImageFormat::Wmf: return ".wmf";
    case ImageFormat::Dxf: return ".dxf";
    case ImageFormat::Pdf: return ".pdf";
    case ImageFormat::Svg: return ".svg";
    }
    return ".BMP";
}

bool IsMetafileFormat(ImageFormat format) {
    return format == ImageFormat::Emf || format == ImageFormat::Wmf;
}

}  // namespace korvel

namespace korvel {
bool IsPageFormat(ImageFormat format) { return format == ImageFormat::Pdf || format == ImageFormat::Svg; }
}  // namespace korvel
