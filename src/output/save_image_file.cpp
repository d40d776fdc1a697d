// Only the file name's own dots count: a dot in a folder name neither gives the extension nor
// cuts the name.
#include "output/save_image_file.h"

#include "drawing/file_extension.h"
#include "drawing/loaders.h"

namespace korvel {

namespace {

size_t baseStart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string ImageFileName(const std::string& fileName, ImageFormat format) {
    const size_t start = baseStart(fileName);
    const size_t dot = fileName.find('.', start);
    return fileName.substr(0, dot == std::string::npos ? fileName.size() : dot) +
           ImageFormatExtension(format);
}

SaveImageResult SaveImageFile(const Drawing& drawing, const std::string& fileName,
                              const ExportOptions& options) {
    SaveImageResult result;
    if (fileName.empty() || baseStart(fileName) == fileName.size()) {
        result.error = "no file name was given";
        return result;
    }
    ImageFormat format;
    const std::string extension = FileExtension(fileName);
    if (!ImageFormatFromExtension(extension, format)) {
        result.error = fileName + ": " +
                       (extension.empty() ? std::string("the name has no extension")
                                          : "\"" + extension + "\" is not an image format") +
                       " (.bmp, .jpg, .jpeg, .png, .gif, .emf, .wmf, .dxf, .pdf, .svg); nothing was written";
        return result;
    }
    std::vector<uint8_t> bytes;
    static_cast<ExportResult&>(result) = ExportImage(drawing, format, options, bytes);
    if (!result.ok) return result;
    const std::string target = ImageFileName(fileName, format);
    std::string error;
    if (!WriteFileAtomically(target, bytes, error)) {
        result.ok = false;
        result.error = error;
        return result;
    }
    result.writtenPath = target;
    return result;
}

}  // namespace korvel
