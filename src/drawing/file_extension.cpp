#include "drawing/file_extension.h"

#include "drawing/text_conversion.h"

namespace korvel {

std::string FileExtension(const std::string& path) {
    const size_t nameStart = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) return {};
    return path.substr(dot);
}

bool HasExtension(const std::string& path, const std::string& extension) {
    return AsciiLowerCase(FileExtension(path)) == AsciiLowerCase(extension);
}

}  // namespace korvel
